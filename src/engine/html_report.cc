#include "engine/html_report.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "files/display_text.h"
#include "platform/disk.h"

namespace tolvern {
namespace {

constexpr const char* kStyle = R"(
body{font:14px/1.4 system-ui,sans-serif;margin:0 2em 3em;color:#1d1d1f;background:#fff}
h1{margin:.6em 0 .1em}h2{margin-top:1.6em;border-bottom:1px solid #ccc}
.title{color:#555;margin:0 0 .6em;word-break:break-all}
.outcome{display:inline-block;padding:.3em .8em;border-radius:4px;font-weight:600}
.outcome.whole{background:#e3f5e1;color:#1e5c1a}.outcome.incomplete{background:#fde2e1;color:#8a1c17}
.figures{display:flex;flex-wrap:wrap;gap:.5em;margin:.8em 0;padding:0}
.figures div{border:1px solid #ddd;border-radius:4px;padding:.3em .7em;min-width:7em}
.figures dt{font-size:12px;color:#666}.figures dd{margin:0;font-size:18px;font-weight:600}
nav a{margin-right:1em}
table{border-collapse:collapse;margin:.4em 0}
th,td{border:1px solid #ddd;padding:.15em .5em;text-align:left;vertical-align:top}
th{background:#f4f4f6}
.controls{margin:.5em 0}.controls label{margin-right:1em}
tr[data-status=changed] td.st{color:#1e5c1a}tr[data-status=skipped] td.st{color:#8a1c17;font-weight:600}
details.file{border:1px solid #ddd;border-radius:4px;margin:.3em 0;padding:.2em .6em}
details.file>summary{cursor:pointer;font-family:monospace;word-break:break-all}
.v{font-family:monospace;white-space:pre-wrap;word-break:break-all}
.kept{color:#555}.converted{color:#0b4f8a}.dropped{color:#8a1c17}
pre{background:#f8f8fa;padding:.4em;overflow-x:auto;margin:.3em 0}
pre.diff span{display:block}.add{background:#e6ffec}.del{background:#ffebe9}.hunk{color:#6f42c1}
.head{color:#666;font-weight:600}
.todo{margin:.3em 0}.todo .where{font-family:monospace}.todo pre{margin:.2em 0 .4em}
.todo .mark{background:#fff3b0;display:block}
.level-error{color:#8a1c17}.level-warning{color:#8a5a00}.level-note{color:#555}
)";

// Fills the diffs in when their sections are opened, filters the file table,
// and honours "#filter=STATUS&q=TEXT&open=PATH" in the address.
constexpr const char* kScript = R"(
(function () {
  var rows = Array.prototype.slice.call(document.querySelectorAll('#file-table tbody tr'));
  var status = document.getElementById('status');
  var search = document.getElementById('search');
  var shown = document.getElementById('shown');
  function apply() {
    var s = status.value, q = search.value.toLowerCase(), n = 0;
    rows.forEach(function (r) {
      var ok = (!s || r.getAttribute('data-status') === s) &&
               (!q || r.getAttribute('data-path').toLowerCase().indexOf(q) >= 0);
      r.hidden = !ok;
      if (ok) n++;
    });
    shown.textContent = n + ' of ' + rows.length + ' shown';
  }
  function fill(d) {
    var pre = d.querySelector('pre.diff');
    if (!pre || pre.getAttribute('data-filled')) return;
    var t = document.getElementById(pre.getAttribute('data-diff'));
    if (!t) return;
    var lines = t.content.textContent.split('\n');
    if (lines.length && lines[lines.length - 1] === '') lines.pop();
    lines.forEach(function (l) {
      var span = document.createElement('span');
      span.className = /^(\+\+\+|---)/.test(l) ? 'head' : l[0] === '+' ? 'add' :
                       l[0] === '-' ? 'del' : l[0] === '@' ? 'hunk' : '';
      span.textContent = l;
      pre.appendChild(span);
    });
    pre.setAttribute('data-filled', String(lines.length));
  }
  var sections = Array.prototype.slice.call(document.querySelectorAll('details.file'));
  sections.forEach(function (d) {
    d.addEventListener('toggle', function () { if (d.open) fill(d); });
  });
  status.addEventListener('change', apply);
  search.addEventListener('input', apply);
  function fromAddress() {
    location.hash.replace(/^#/, '').split('&').forEach(function (part) {
      var i = part.indexOf('=');
      if (i < 0) return;
      var key = part.slice(0, i), value = decodeURIComponent(part.slice(i + 1));
      if (key === 'filter') status.value = value;
      else if (key === 'q') search.value = value;
      else if (key === 'open') {
        sections.forEach(function (d) {
          if (d.getAttribute('data-path') !== value) return;
          d.open = true;
          fill(d);
          d.scrollIntoView({block: 'nearest'});
        });
      }
    });
    apply();
  }
  window.addEventListener('hashchange', fromAddress);
  fromAddress();
})();
)";

// A text as one component of a URL fragment.
std::string UrlComponent(std::string_view text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

// Whether a file gets a section of its own: it changed, or has objects to tell of.
bool HasSection(const FileReport& f) {
  return f.outcome == FileOutcome::kChanged || !f.objects.empty() || !f.unparsed.empty();
}

// The status column's words for an outcome.
std::string_view StatusText(FileOutcome outcome) {
  if (outcome == FileOutcome::kSkipped) return "not migrated";
  if (outcome == FileOutcome::kOutside) return "outside the project";
  return ToString(outcome);
}

// The heading of a level's part of the list.
const char* LevelHeading(TodoLevel level) {
  switch (level) {
    case TodoLevel::kError:
      return "Errors";
    case TodoLevel::kWarning:
      return "Warnings";
    case TodoLevel::kNote:
      return "Notes";
  }
  return "";
}

class Page {
 public:
  Page(Disk& disk, std::ostream& out, const RunReport& report, const ReportDiffs* diffs,
       const HtmlReportFacts& facts)
      : disk_(disk), out_(out), report_(report), diffs_(diffs), facts_(facts) {}

  void Write() {
    out_ << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
            "<meta name=\"viewport\" content=\"width=device-width\">"
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
            "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">"
            "<title>Migration report"
         << (facts_.title.empty() ? "" : ": " + HtmlEscape(facts_.title)) << "</title><style>"
         << kStyle << "</style></head>\n<body>\n";
    Header();
    Files();
    Changes();
    Todo();
    Aliases();
    out_ << "<script>" << kScript << "</script>\n</body></html>\n";
  }

 private:
  void Figure(const char* key, const char* label, const std::string& value) {
    out_ << "<div><dt>" << label << "</dt><dd data-figure=\"" << key << "\">" << HtmlEscape(value)
         << "</dd></div>";
  }
  void Figure(const char* key, const char* label, int value) {
    Figure(key, label, std::to_string(value));
  }

  void Header() {
    out_ << "<header><h1>Migration report" << (report_.dry_run ? " (dry run)" : "") << "</h1>";
    if (!facts_.title.empty()) out_ << "<p class=\"title\">" << HtmlEscape(facts_.title) << "</p>";
    out_ << "<p class=\"outcome " << (facts_.whole ? "whole" : "incomplete") << "\" data-whole=\""
         << (facts_.whole ? "true" : "false") << "\">"
         << (facts_.whole ? "The run was whole" : "The run was not whole");
    if (!facts_.outcome.empty()) out_ << ": " << HtmlEscape(facts_.outcome);
    out_ << "</p>\n<dl class=\"figures\">";
    Figure("filesScanned", "Files scanned",
           static_cast<int>(report_.files.size()) - report_.FilesCreated());
    Figure("unitsChanged", "Units changed", report_.UnitsChanged());
    Figure("formsChanged", "Forms changed", report_.FormsChanged());
    Figure("objectsRewritten", "Objects rewritten", report_.ObjectsRewritten());
    if (report_.details)
      Figure("propertiesConverted", "Properties converted", report_.PropertiesConverted());
    Figure("propertiesDropped", "Properties dropped", report_.PropertiesDropped());
    Figure("objectsNotConverted", "Objects not converted", report_.ObjectsNotConverted());
    Figure("filesNotMigrated", "Files not migrated", report_.FilesNotMigrated());
    if (const int n = report_.FilesOutside()) Figure("unitsOutside", "Outside the project", n);
    if (const int n = report_.FilesCreated()) Figure("filesCreated", "Files created", n);
    Figure("error", "To do: errors", report_.TodoCount(todo_level::kError));
    Figure("warning", "To do: warnings", report_.TodoCount(todo_level::kWarning));
    Figure("note", "To do: notes", report_.TodoCount(todo_level::kNote));
    if (facts_.seconds >= 0) {
      char time[32];
      std::snprintf(time, sizeof time, "%.2f s", facts_.seconds);
      Figure("time", "Time", time);
    }
    out_ << "</dl>\n<nav><a href=\"#files\">Files</a><a href=\"#changes\">Changes</a>"
            "<a href=\"#todo\">To do</a>"
         << (report_.aliases.empty() ? "" : "<a href=\"#aliases\">Aliases</a>")
         << "</nav></header>\n";
  }

  void Files() {
    out_ << "<section id=\"files\"><h2>Files (" << report_.files.size()
         << ")</h2>\n<div class=\"controls\"><label>Status <select id=\"status\">"
            "<option value=\"\">all</option>";
    for (FileOutcome s : {FileOutcome::kChanged, FileOutcome::kUnchanged, FileOutcome::kSkipped,
                          FileOutcome::kOutside, FileOutcome::kCreated})
      out_ << "<option value=\"" << ToString(s) << "\">" << StatusText(s) << "</option>";
    out_ << "</select></label><label>Name <input id=\"search\" type=\"search\"></label>"
            "<span id=\"shown\"></span></div>\n<table id=\"file-table\"><thead><tr><th>File</th>"
            "<th>Kind</th><th>Encoding</th><th>Changes</th><th>Status</th><th>Note</th></tr>"
            "</thead><tbody>\n";
    for (const FileReport& f : report_.files) {
      const std::string path = HtmlEscape(f.path);
      out_ << "<tr data-status=\"" << HtmlEscape(ToString(f.outcome)) << "\" data-path=\"" << path
           << "\"><td>";
      if (HasSection(f))
        out_ << "<a href=\"#open=" << HtmlEscape(UrlComponent(f.path)) << "\">" << path << "</a>";
      else
        out_ << path;
      out_ << "</td><td>" << HtmlEscape(ToString(f.kind)) << "</td><td>" << HtmlEscape(f.encoding)
           << "</td><td>" << f.changes << "</td><td class=\"st\">"
           << HtmlEscape(StatusText(f.outcome)) << "</td><td>" << HtmlEscape(f.note)
           << "</td></tr>\n";
    }
    out_ << "</tbody></table></section>\n";
  }

  void Property(const PropertyDecision& d) {
    const PropertyFate fate = FateOf(d);
    const char* cls = fate == PropertyFate::kKept        ? "kept"
                      : fate == PropertyFate::kConverted ? "converted"
                                                         : "dropped";
    out_ << "<tr class=\"" << cls << "\" data-property=\"" << HtmlEscape(d.name) << "\"><td>"
         << HtmlEscape(d.name) << "</td><td>" << cls << "</td><td class=\"v\">"
         << HtmlEscape(ReportValue(d.value)) << "</td><td class=\"v\">";
    if (fate == PropertyFate::kDropped) {
      out_ << "</td><td>" << HtmlEscape(d.drop_reason);
    } else if (fate == PropertyFate::kConverted) {
      for (const FormProperty& p : d.produced)
        out_ << "\u2192 " << HtmlEscape(p.name) << " = " << HtmlEscape(ReportValue(p)) << "\n";
      out_ << "</td><td>";
    } else {
      out_ << "</td><td>";
    }
    out_ << "</td></tr>\n";
  }

  void Objects(const FileReport& f) {
    if (!f.objects.empty()) {
      out_ << "<table class=\"objects\"><thead><tr><th>Property</th><th>Fate</th><th>Value</th>"
              "<th>Becomes</th><th>Reason</th></tr></thead>\n";
      for (const ObjectReport& o : f.objects) {
        out_ << "<tbody data-object=\"" << HtmlEscape(o.name) << "\"><tr><th colspan=\"5\">"
             << HtmlEscape(o.name) << ": " << HtmlEscape(o.old_class) << " \u2192 "
             << HtmlEscape(o.new_class) << " (line " << o.line << ")";
        if (!o.ancestor.empty()) out_ << ", converted as " << HtmlEscape(o.ancestor);
        out_ << "</th></tr>\n";
        for (const PropertyDecision& d : o.properties) Property(d);
        out_ << "</tbody>\n";
      }
      out_ << "</table>\n";
    }
    if (!f.unparsed.empty()) {
      out_ << "<p>Not converted (the form will not load until they are converted by hand):</p>"
              "<ul class=\"not-converted\">";
      for (const UnparsedObject& u : f.unparsed) {
        out_ << "<li>" << HtmlEscape(u.name) << " of class " << HtmlEscape(u.cls) << " (line "
             << u.line << ")";
        if (!u.ancestor.empty()) out_ << ", descending from " << HtmlEscape(u.ancestor);
        if (!u.reason.empty()) out_ << ": " << HtmlEscape(u.reason);
        out_ << "</li>";
      }
      out_ << "</ul>\n";
    }
  }

  void Changes() {
    out_ << "<section id=\"changes\"><h2>Changes</h2>\n";
    int n = 0, shown = 0;
    for (const FileReport& f : report_.files) {
      ++n;
      if (!HasSection(f)) continue;
      ++shown;
      out_ << "<details class=\"file\" id=\"f-" << n << "\" data-path=\"" << HtmlEscape(f.path)
           << "\"><summary>" << HtmlEscape(f.path) << " \u2014 "
           << HtmlEscape(StatusText(f.outcome)) << ", " << f.changes << " change(s)";
      if (!f.objects.empty()) out_ << ", " << f.objects.size() << " object(s) rewritten";
      out_ << "</summary>\n";
      Objects(f);
      if (diffs_ && diffs_->Has(f.path)) {
        out_ << "<pre class=\"diff\" data-diff=\"d-" << n << "\"></pre><template id=\"d-" << n
             << "\">" << HtmlEscape(diffs_->Diff(f.path)) << "</template>";
      }
      out_ << "</details>\n";
    }
    if (!shown) out_ << "<p>No file changed.</p>\n";
    out_ << "</section>\n";
  }

  // The code lines around each to-do place, per file index.
  std::map<size_t, std::map<int, std::string>> CodeAroundTodo() const {
    std::map<size_t, std::map<int, std::string>> code;
    for (size_t i = 0; i < report_.files.size(); ++i) {
      const FileReport& f = report_.files[i];
      if (f.todo.empty()) continue;
      if (diffs_ && diffs_->Has(f.path)) {
        code[i] = diffs_->CodeLines(f.path);
        continue;
      }
      std::vector<int> lines;
      for (const TodoItem& t : f.todo) lines.push_back(t.line);
      const std::string path =
          facts_.base_folder.empty() ? f.path : ExpandPath(f.path, facts_.base_folder);
      try {
        code[i] = LinesAround(DisplayText(disk_, path), lines, ReportDiffs::kContext);
      } catch (const Exception&) {
        // A file that cannot be read now shows its places without code.
      }
    }
    return code;
  }

  void Todo() {
    out_ << "<section id=\"todo\"><h2>To do (" << report_.TodoCount() << ")</h2>\n";
    const auto code = CodeAroundTodo();
    for (TodoLevel level : kTodoLevels) {
      // The kinds of this level in the order they first come, each with its places.
      std::vector<TodoKind> kinds;
      std::map<TodoKind, std::vector<std::pair<size_t, const TodoItem*>>> by_kind;
      for (size_t i = 0; i < report_.files.size(); ++i)
        for (const TodoItem& t : report_.files[i].todo) {
          if (t.level != level) continue;
          auto& items = by_kind[t.kind];
          if (items.empty()) kinds.push_back(t.kind);
          items.push_back({i, &t});
        }
      if (kinds.empty()) continue;
      out_ << "<h3 class=\"level-" << ToString(level) << "\">" << LevelHeading(level) << " ("
           << report_.TodoCount(level) << ")</h3>\n";
      for (TodoKind kind : kinds) {
        const auto& items = by_kind[kind];
        out_ << "<details open class=\"kind\"><summary>" << HtmlEscape(ToString(kind)) << " ("
             << items.size() << ")</summary><ul>\n";
        for (const auto& [file, t] : items) Item(*t, code.count(file) ? &code.at(file) : nullptr);
        out_ << "</ul></details>\n";
      }
    }
    if (!report_.TodoCount()) out_ << "<p>Nothing is left for a person.</p>\n";
    out_ << "</section>\n";
  }

  void Item(const TodoItem& t, const std::map<int, std::string>* code) {
    out_ << "<li class=\"todo\" data-level=\"" << HtmlEscape(ToString(t.level)) << "\" data-kind=\""
         << HtmlEscape(ToString(t.kind)) << "\" data-file=\"" << HtmlEscape(t.file)
         << "\" data-line=\"" << t.line << "\" data-column=\"" << t.col
         << "\"><span class=\"where\">" << HtmlEscape(t.file) << ":" << t.line << ":" << t.col
         << "</span>: <span class=\"text v\">" << HtmlEscape(t.text)
         << "</span> \u2014 <span class=\"advice\">" << HtmlEscape(t.advice) << "</span>";
    if (code) {
      std::string lines;
      for (int n = t.line - ReportDiffs::kContext; n <= t.line + ReportDiffs::kContext; ++n) {
        auto it = code->find(n);
        if (it == code->end()) continue;
        const std::string shown = std::to_string(n) + "  " + HtmlEscape(it->second);
        lines += n == t.line ? "<span class=\"mark\">" + shown + "</span>" : shown + "\n";
      }
      if (!lines.empty()) out_ << "<pre class=\"code\">" << lines << "</pre>";
    }
    out_ << "</li>\n";
  }

  void Aliases() {
    if (report_.aliases.empty()) return;
    out_ << "<section id=\"aliases\"><h2>BDE aliases (" << report_.aliases.size()
         << ")</h2>\n<table><thead><tr><th>Alias</th><th>Data sets</th><th>Forms</th>"
            "<th>Action</th><th>Connection</th></tr></thead><tbody>\n";
    for (const AliasReport& a : report_.aliases) {
      out_ << "<tr data-alias=\"" << HtmlEscape(a.alias) << "\"><td>" << HtmlEscape(a.alias)
           << "</td><td>" << a.data_sets << "</td><td>";
      for (size_t i = 0; i < a.forms.size(); ++i)
        out_ << (i ? "<br>" : "") << HtmlEscape(a.forms[i]);
      out_ << "</td><td>" << HtmlEscape(ToString(a.action)) << "</td><td>"
           << HtmlEscape(a.connection) << "</td></tr>\n";
    }
    out_ << "</tbody></table></section>\n";
  }

  Disk& disk_;
  std::ostream& out_;
  const RunReport& report_;
  const ReportDiffs* diffs_;
  const HtmlReportFacts& facts_;
};

}  // namespace

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void WriteHtmlReport(Disk& disk, std::ostream& out, const RunReport& report,
                     const ReportDiffs* diffs, const HtmlReportFacts& facts) {
  Page(disk, out, report, diffs, facts).Write();
}

void WriteHtmlReportFile(Disk& disk, const std::string& path, const RunReport& report,
                         const ReportDiffs* diffs, const HtmlReportFacts& facts) {
  std::ostringstream page;
  WriteHtmlReport(disk, page, report, diffs, facts);
  // Written as the log is: a link under the page's name is not followed,
  // and a pipe there is refused rather than waited on.
  std::string why;
  if (!WriteOutputFile(disk, path, page.str(), &why))
    throw EFCreateError("Cannot create file \"" + path + "\".", why);
}

}  // namespace tolvern
