#include "engine/html_report.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <sstream>
#include <vector>

#include "base/deflate.h"
#include "base/errors.h"
#include "base/paths.h"
#include "engine/html_report_assets.h"
#include "files/display_text.h"
#include "platform/code_page.h"
#include "platform/disk.h"

namespace tolvern {
namespace {

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

// The status column's words for an outcome; a dry run tells what would be.
std::string_view StatusText(FileOutcome outcome, bool dry_run) {
  switch (outcome) {
    case FileOutcome::kSkipped:
      return dry_run ? "would not be migrated" : "not migrated";
    case FileOutcome::kOutside:
      return "outside the project";
    case FileOutcome::kChanged:
      return dry_run ? "would change" : "changed";
    case FileOutcome::kCreated:
      return dry_run ? "would be created" : "created";
    case FileOutcome::kUnchanged:
      return dry_run ? "would stay as it is" : "unchanged";
  }
  return ToString(outcome);
}

// The banner's words: what happened to the files, in plain words.
const char* Banner(bool whole, bool dry_run) {
  if (dry_run) return whole ? "Every file would be migrated" : "Not every file would be migrated";
  return whole ? "Every file was migrated" : "Not every file was migrated";
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
      : disk_(disk),
        out_(out),
        report_(report),
        diffs_(diffs),
        facts_(facts),
        ansi_text_(facts.code_page ? facts.code_page : SystemCodePage()) {}

  void Write() {
    out_ << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
            "<meta name=\"viewport\" content=\"width=device-width\">"
            "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
            "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">"
            "<title>Migration report"
         << (facts_.title.empty() ? "" : ": " + Esc(facts_.title)) << "</title><style>"
         << kHtmlReportStyle << "</style></head>\n<body>\n";
    Header();
    Files();
    Changes();
    Todo();
    Aliases();
    Data();
    out_ << "<script>" << kHtmlReportScript << "</script>\n</body></html>\n";
  }

 private:
  void Figure(const char* key, const char* label, const std::string& value) {
    out_ << "<div><dt>" << label << "</dt><dd data-figure=\"" << key << "\">" << Esc(value)
         << "</dd></div>";
  }
  void Figure(const char* key, const char* label, int value) {
    Figure(key, label, std::to_string(value));
  }

  void Header() {
    out_ << "<header><h1>Migration report" << (report_.dry_run ? " (dry run)" : "") << "</h1>";
    if (!facts_.title.empty()) out_ << "<p class=\"title\">" << Esc(facts_.title) << "</p>";
    out_ << "<p class=\"outcome " << (facts_.whole ? "whole" : "incomplete") << "\" data-whole=\""
         << (facts_.whole ? "true" : "false") << "\">" << Banner(facts_.whole, report_.dry_run);
    if (!facts_.outcome.empty()) out_ << ": " << Esc(facts_.outcome);
    out_ << "</p>\n<dl class=\"figures\">";
    Figure("filesScanned", "Files scanned",
           static_cast<int>(report_.files.size()) - report_.FilesCreated());
    const bool dry = report_.dry_run;
    Figure("unitsChanged", dry ? "Units that would change" : "Units changed",
           report_.UnitsChanged());
    Figure("formsChanged", dry ? "Forms that would change" : "Forms changed",
           report_.FormsChanged());
    Figure("objectsRewritten", dry ? "Objects to rewrite" : "Objects rewritten",
           report_.ObjectsRewritten());
    if (report_.details)
      Figure("propertiesConverted", "Properties converted", report_.PropertiesConverted());
    Figure("propertiesDropped", "Properties dropped", report_.PropertiesDropped());
    Figure("objectsNotConverted", "Objects not converted", report_.ObjectsNotConverted());
    Figure("filesNotMigrated", dry ? "Files that would not be migrated" : "Files not migrated",
           report_.FilesNotMigrated());
    if (const int n = report_.FilesOutside()) Figure("unitsOutside", "Outside the project", n);
    if (const int n = report_.FilesCreated())
      Figure("filesCreated", dry ? "Files to create" : "Files created", n);
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
         << (report_.data.empty() ? "" : "<a href=\"#data\">Data</a>") << "</nav></header>\n";
  }

  void Files() {
    out_ << "<section id=\"files\"><h2>Files (" << report_.files.size()
         << ")</h2>\n<div class=\"controls\"><label>Status <select id=\"status\">"
            "<option value=\"\">all</option>";
    for (FileOutcome s : {FileOutcome::kChanged, FileOutcome::kUnchanged, FileOutcome::kSkipped,
                          FileOutcome::kOutside, FileOutcome::kCreated})
      out_ << "<option value=\"" << ToString(s) << "\">" << StatusText(s, report_.dry_run)
           << "</option>";
    out_ << "</select></label><label>Name <input id=\"search\" type=\"search\"></label>"
            "<span id=\"shown\"></span></div>\n<table id=\"file-table\"><thead><tr><th>File</th>"
            "<th>Kind</th><th>Encoding</th><th>Changes</th><th>Status</th><th>Note</th></tr>"
            "</thead><tbody>\n";
    for (const FileReport& f : report_.files) {
      const std::string path = EscName(f.path);
      out_ << "<tr data-status=\"" << Esc(ToString(f.outcome)) << "\" data-path=\"" << path
           << "\"><td>";
      if (HasSection(f))
        out_ << "<a href=\"#open=" << Esc(UrlComponent(ansi_text_.ToUtf8IfNeeded(f.path))) << "\">"
             << path << "</a>";
      else
        out_ << path;
      out_ << "</td><td>" << Esc(ToString(f.kind)) << "</td><td>" << Esc(f.encoding) << "</td><td>"
           << f.changes << "</td><td class=\"st\">" << Esc(StatusText(f.outcome, report_.dry_run))
           << "</td><td>" << Esc(f.note) << "</td></tr>\n";
    }
    out_ << "</tbody></table></section>\n";
  }

  void Property(const PropertyDecision& d) {
    const PropertyFate fate = FateOf(d);
    const char* cls = fate == PropertyFate::kKept        ? "kept"
                      : fate == PropertyFate::kConverted ? "converted"
                                                         : "dropped";
    out_ << "<tr class=\"" << cls << "\" data-property=\"" << Esc(d.name) << "\"><td>"
         << Esc(d.name) << "</td><td>" << cls << "</td><td class=\"v\">"
         << Esc(ReportValue(d.value)) << "</td><td class=\"v\">";
    if (fate == PropertyFate::kDropped) {
      out_ << "</td><td>" << Esc(d.drop_reason);
    } else if (fate == PropertyFate::kConverted) {
      for (const FormProperty& p : d.produced)
        out_ << "\u2192 " << Esc(p.name) << " = " << Esc(ReportValue(p)) << "\n";
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
        out_ << "<tbody data-object=\"" << Esc(o.name) << "\"><tr><th colspan=\"5\">" << Esc(o.name)
             << ": " << Esc(o.old_class) << " \u2192 " << Esc(o.new_class) << " (line " << o.line
             << ")";
        if (!o.ancestor.empty()) out_ << ", converted as " << Esc(o.ancestor);
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
        out_ << "<li>" << Esc(u.name) << " of class " << Esc(u.cls) << " (line " << u.line << ")";
        if (!u.ancestor.empty()) out_ << ", descending from " << Esc(u.ancestor);
        if (!u.reason.empty()) out_ << ": " << Esc(u.reason);
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
      out_ << "<details class=\"file\" id=\"f-" << n << "\" data-path=\"" << EscName(f.path)
           << "\"><summary>" << EscName(f.path) << " \u2014 "
           << Esc(StatusText(f.outcome, report_.dry_run)) << ", " << f.changes << " change(s)";
      if (!f.objects.empty())
        out_ << ", " << f.objects.size()
             << (report_.dry_run ? " object(s) to rewrite" : " object(s) rewritten");
      out_ << "</summary>\n";
      SetFile(f);
      Objects(f);
      if (diffs_ && diffs_->Has(f.path)) {
        // The diff goes in compressed, as Base64 in a data block that the
        // browser never parses as markup; the script inflates it when its
        // section is opened.
        const std::string diff = diffs_->Diff(f.path);
        out_ << "<pre class=\"diff\" data-diff=\"d-" << n
             << "\"></pre><script type=\"application/octet-stream\" id=\"d-" << n << "\">"
             << Base64(
                    DeflateRaw(ansi_ ? ansi_text_.ToUtf8(diff) : ansi_text_.ToUtf8IfNeeded(diff)))
             << "</script>";
      }
      ansi_ = false;
      out_ << "</details>\n";
    }
    if (!shown)
      out_ << (report_.dry_run ? "<p>No file would change.</p>\n" : "<p>No file changed.</p>\n");
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

  // The to-do list's filter: by level, kind (those the list holds) and file.
  void TodoControls() {
    out_ << "<div class=\"controls\"><label>Level <select id=\"todo-level\">"
            "<option value=\"\">all</option>";
    for (TodoLevel level : kTodoLevels)
      if (report_.TodoCount(level))
        out_ << "<option value=\"" << ToString(level) << "\">" << ToString(level) << "</option>";
    out_ << "</select></label><label>Kind <select id=\"todo-kind\"><option value=\"\">all</option>";
    for (TodoKind kind : kTodoKinds) {
      bool found = false;
      for (const FileReport& f : report_.files)
        for (const TodoItem& t : f.todo) found = found || t.kind == kind;
      if (found)
        out_ << "<option value=\"" << ToString(kind) << "\">" << ToString(kind) << "</option>";
    }
    out_ << "</select></label><label>File <input id=\"todo-file\" type=\"search\"></label>"
            "<span id=\"todo-shown\"></span></div>\n";
  }

  void Todo() {
    out_ << "<section id=\"todo\"><h2>To do (<span id=\"todo-total\">" << report_.TodoCount()
         << "</span>)</h2>\n";
    if (report_.TodoCount()) TodoControls();
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
      // Each count stands in a span of class "n" of its own, which the
      // filter keeps at the number of places shown.
      out_ << "<div class=\"level\" data-level=\"" << ToString(level) << "\"><h3 class=\"level-"
           << ToString(level) << "\">" << LevelHeading(level) << " (<span class=\"n\">"
           << report_.TodoCount(level) << "</span>)</h3>\n";
      for (TodoKind kind : kinds) {
        const auto& items = by_kind[kind];
        out_ << "<details open class=\"kind\" data-kind=\"" << ToString(kind) << "\"><summary>"
             << ToString(kind) << " (<span class=\"n\">" << items.size()
             << "</span>)</summary><ul>\n";
        for (const auto& [file, t] : items) {
          SetFile(report_.files[file]);
          Item(*t, code.count(file) ? &code.at(file) : nullptr);
        }
        ansi_ = false;
        out_ << "</ul></details>\n";
      }
      out_ << "</div>\n";
    }
    if (!report_.TodoCount()) out_ << "<p>Nothing is left for a person.</p>\n";
    out_ << "</section>\n";
  }

  void Item(const TodoItem& t, const std::map<int, std::string>* code) {
    const std::string file = EscName(t.file);
    out_ << "<li class=\"todo\" data-level=\"" << ToString(t.level) << "\" data-kind=\""
         << ToString(t.kind) << "\" data-file=\"" << file << "\" data-line=\"" << t.line
         << "\" data-column=\"" << t.col << "\"><span class=\"where\">" << file << ":" << t.line
         << ":" << t.col << "</span>: <span class=\"text v\">" << Esc(t.text)
         << "</span> \u2014 <span class=\"advice\">" << Esc(t.advice) << "</span>";
    if (code) {
      std::string lines;
      for (int n = t.line - ReportDiffs::kContext; n <= t.line + ReportDiffs::kContext; ++n) {
        auto it = code->find(n);
        if (it == code->end()) continue;
        const std::string shown = std::to_string(n) + "  " + Esc(it->second);
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
      out_ << "<tr data-alias=\"" << Esc(a.alias) << "\"><td>" << Esc(a.alias) << "</td><td>"
           << a.data_sets << "</td><td>";
      for (size_t i = 0; i < a.forms.size(); ++i) out_ << (i ? "<br>" : "") << Esc(a.forms[i]);
      out_ << "</td><td>" << Esc(ToString(a.action)) << "</td><td>" << Esc(a.connection)
           << "</td></tr>\n";
    }
    out_ << "</tbody></table></section>\n";
  }

  // Each alias's tables: the outputs, then a row per table file with the
  // rows moved and left out, and every problem.
  void Data() {
    if (report_.data.empty()) return;
    out_ << "<section id=\"data\"><h2>Data (" << report_.data.size() << " aliases)</h2>\n";
    for (const AliasDataReport& r : report_.data) {
      out_ << "<h3 data-alias=\"" << EscName(r.alias) << "\" data-complete=\""
           << (r.Complete() ? "true" : "false") << "\">" << EscName(r.alias) << "</h3>\n<p>"
           << EscName(DataMoveLine(r)) << "</p>\n";
      if (r.tables.empty()) continue;
      out_ << "<table><thead><tr><th>File</th><th>Table</th><th>Rows moved</th>"
              "<th>Deleted, left out</th><th>Damaged, left out</th><th>Refused</th>"
              "<th>Problems</th></tr></thead><tbody>\n";
      for (const data::TableOutcome& t : r.tables) {
        out_ << "<tr data-table=\"" << EscName(t.table) << "\"><td>" << EscName(t.file)
             << "</td><td>" << EscName(t.table) << "</td><td>" << t.rows_moved << "</td><td>"
             << t.account.rows_deleted << "</td><td>" << t.account.rows_damaged << "</td><td>"
             << t.rows_rejected << "</td><td>" << EscName(t.error);
        for (const std::string& p : t.account.problems) out_ << "<br>" << EscName(p);
        for (const std::string& n : t.account.notes) out_ << "<br>note: " << EscName(n);
        out_ << "</td></tr>\n";
      }
      out_ << "</tbody></table>\n";
    }
    out_ << "</section>\n";
  }

  // Text from the run made safe, and UTF-8: the text of an 8-bit (ANSI)
  // file, while one is written (ansi_), decoded with the sources' code page;
  // other text as it is when it is UTF-8 already.
  std::string Esc(std::string_view text) const {
    return HtmlEscape(ansi_ ? ansi_text_.ToUtf8(text) : ansi_text_.ToUtf8IfNeeded(text));
  }
  // A name of the run (a path): UTF-8 as it is, other bytes decoded.
  std::string EscName(std::string_view text) const {
    return HtmlEscape(ansi_text_.ToUtf8IfNeeded(text));
  }
  void SetFile(const FileReport& f) { ansi_ = f.encoding == "ANSI"; }

  Disk& disk_;
  std::ostream& out_;
  const RunReport& report_;
  const ReportDiffs* diffs_;
  const HtmlReportFacts& facts_;
  CodePageText ansi_text_;
  bool ansi_ = false;
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

std::string HtmlReportDiffText(std::string_view page) {
  constexpr std::string_view kOpen = "<script type=\"application/octet-stream\" id=\"d-";
  std::string diffs;
  for (size_t at = page.find(kOpen); at != std::string_view::npos; at = page.find(kOpen, at)) {
    const size_t from = page.find('>', at);
    const size_t to = page.find('<', from);
    if (from == std::string_view::npos || to == std::string_view::npos) break;
    if (const auto diff = InflateRaw(FromBase64(page.substr(from + 1, to - from - 1))))
      diffs += *diff;
    at = to;
  }
  return diffs;
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
