#include "engine/sarif_report.h"

#include <cctype>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <unordered_map>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "base/version.h"
#include "platform/code_page.h"
#include "platform/disk.h"

namespace tolvern {
namespace {

using nlohmann::json;

constexpr const char* kSchema =
    "https://docs.oasis-open.org/sarif/sarif/v2.1.0/errata01/os/schemas/sarif-schema-2.1.0.json";

// What each kind of place asks of a person in general; the advice of each
// place, which names its member or value, is in the place's own message.
struct KindHelp {
  TodoKind kind;
  const char* help;
};
constexpr KindHelp kKindHelp[] = {
    {TodoKind::kMember,
     "A member of the source class that the Nexa class lacks: rewrite the code that uses it."},
    {TodoKind::kInterface,
     "A name of the BDE or ADO programming interface: replace it with the Nexa equivalent."},
    {TodoKind::kFormProperty,
     "A form property the migration dropped although it meant something: set its equivalent "
     "on the Nexa component."},
    {TodoKind::kFormObject,
     "A form object left unconverted: the form will not load until it is converted by hand."},
    {TodoKind::kFormReference,
     "A form property that refers to a renamed or replaced object: point it at the Nexa "
     "component."},
    {TodoKind::kErrorHandling,
     "Code that catches a source-library exception: catch the Nexa exception instead."},
    {TodoKind::kTableFile,
     "A Paradox or dBASE table file: move its data into the database the Nexa components use."},
    {TodoKind::kOutsideUnit,
     "A unit the project uses that is not in the project file: migrate it too, or check it."},
    {TodoKind::kConnection,
     "A connection the migration made, or could not make: check its settings."},
};

std::string KindHelpText(TodoKind kind) {
  for (const KindHelp& k : kKindHelp)
    if (k.kind == kind) return k.help;
  return "A place of kind " + std::string(ToString(kind)) + " left for a person.";
}

bool HasDrive(std::string_view p) {
  return p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
}
bool IsUnc(std::string_view p) { return p.size() >= 2 && p[0] == '\\' && p[1] == '\\'; }
bool LooksWindows(std::string_view p) { return kPathDelim == '\\' || HasDrive(p) || IsUnc(p); }

// The path with "/" for every separator, percent-encoded; keep_colon_at is
// the index of a drive letter's colon, left as it is.
std::string Encode(std::string_view path, bool windows, size_t keep_colon_at = std::string::npos) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c == '/' || (c == '\\' && windows)) {
      out += '/';
    } else if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~' ||
               (c == ':' && i == keep_colon_at)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

char Fold(char c, bool windows) {
  return windows ? static_cast<char>(std::tolower(static_cast<unsigned char>(c))) : c;
}

// The part of path below root; "" with *inside false when path does not lie
// below it. Windows paths compare without letter case.
std::string BelowRoot(std::string_view path, std::string_view root, bool* inside) {
  const bool windows = LooksWindows(root);
  std::string prefix(root);
  if (!prefix.empty() && prefix.back() != '/' && !(windows && prefix.back() == '\\'))
    prefix += windows ? '\\' : '/';
  *inside = path.size() > prefix.size();
  for (size_t i = 0; *inside && i < prefix.size(); ++i) {
    const bool both_separators =
        windows && (path[i] == '\\' || path[i] == '/') && (prefix[i] == '\\' || prefix[i] == '/');
    if (!both_separators && Fold(path[i], windows) != Fold(prefix[i], windows)) *inside = false;
  }
  return *inside ? std::string(path.substr(prefix.size())) : std::string();
}

bool IsAbsolute(std::string_view p) {
  return (!p.empty() && p[0] == '/') || HasDrive(p) || IsUnc(p);
}

// Where a place is: relative to the root when it lies below it.
json ArtifactLocation(const std::string& file, const std::string& root) {
  if (!IsAbsolute(file)) return {{"uri", UriPath(file)}, {"uriBaseId", kSarifRootId}};
  bool inside = false;
  const std::string below = BelowRoot(file, root, &inside);
  if (inside) return {{"uri", Encode(below, LooksWindows(file))}, {"uriBaseId", kSarifRootId}};
  return {{"uri", FileUri(file)}};
}

}  // namespace

std::string UriPath(std::string_view path) { return Encode(path, kPathDelim == '\\'); }

std::string FileUri(std::string_view p) {
  if (IsUnc(p)) return "file://" + Encode(p.substr(2), true);
  if (HasDrive(p)) return "file:///" + Encode(p, true, 1);
  return "file://" + Encode(p, LooksWindows(p));
}

namespace {

// Writes the SARIF log in pieces: the log around its results, then each
// result as it is made, so that memory holds one result at a time however
// long the list is. The text is that of the whole log dumped with an indent
// of 2.
void WriteSarif(const RunReport& report, const SarifFacts& facts,
                const std::function<void(std::string_view)>& write) {
  const CodePageText ansi(facts.code_page ? facts.code_page : SystemCodePage());
  // The rules in the order their kinds first come; results grouped by file in
  // the order the files first come, as the text list has them.
  std::vector<TodoKind> kinds;
  std::unordered_map<int, int> rule_index;
  std::vector<std::string> files;
  std::unordered_map<std::string, std::vector<std::pair<const TodoItem*, bool>>> by_file;
  for (const FileReport& f : report.files)
    for (const TodoItem& t : f.todo) {
      if (rule_index.emplace(static_cast<int>(t.kind), static_cast<int>(kinds.size())).second)
        kinds.push_back(t.kind);
      auto& list = by_file[t.file];
      if (list.empty()) files.push_back(t.file);
      list.push_back({&t, f.encoding == "ANSI"});
    }
  json rules = json::array();
  for (TodoKind kind : kinds) {
    const std::string help = KindHelpText(kind);
    rules.push_back({{"id", ToString(kind)},
                     {"name", ToString(kind)},
                     {"shortDescription", {{"text", help}}},
                     {"help", {{"text", help}}}});
  }
  std::string root_uri = FileUri(facts.root);
  if (root_uri.empty() || root_uri.back() != '/') root_uri += '/';
  json run = {{"tool",
               {{"driver",
                 {{"name", "tolvern"},
                  {"version", VersionNumber()},
                  {"semanticVersion", VersionNumber()},
                  {"rules", rules}}}}},
              {"originalUriBaseIds", {{kSarifRootId, {{"uri", root_uri}}}}},
              {"columnKind", "unicodeCodePoints"},
              {"results", json::array()}};
  json log = {{"$schema", kSchema}, {"version", "2.1.0"}, {"runs", json::array({run})}};
  const std::string frame = log.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
  // The results stand where the frame has its empty list, each indented as
  // the whole log's dump indents them.
  constexpr std::string_view kEmpty = "\"results\": []";
  const size_t at = frame.find(kEmpty) + kEmpty.size() - 1;
  write(std::string_view(frame).substr(0, at));
  constexpr std::string_view kIndent = "        ";
  bool first = true;
  for (const std::string& file : files) {
    for (const auto& [t, is_ansi] : by_file[file]) {
      const std::string text = is_ansi ? ansi.ToUtf8(t->text) : ansi.ToUtf8IfNeeded(t->text);
      const std::string advice = is_ansi ? ansi.ToUtf8(t->advice) : ansi.ToUtf8IfNeeded(t->advice);
      json region = {{"startLine", t->line > 0 ? t->line : 1}};
      if (t->col > 0) region["startColumn"] = t->col;
      const json result = {
          {"ruleId", ToString(t->kind)},
          {"ruleIndex", rule_index.at(static_cast<int>(t->kind))},
          {"level", ToString(t->level)},
          {"message", {{"text", text + " \xE2\x80\x94 " + advice}}},
          {"locations", json::array({{{"physicalLocation",
                                       {{"artifactLocation", ArtifactLocation(t->file, facts.root)},
                                        {"region", region}}}}})},
          {"properties", {{"text", text}, {"advice", advice}}}};
      std::string piece = first ? "\n" : ",\n";
      first = false;
      const std::string dumped = result.dump(2, ' ', false, json::error_handler_t::replace);
      piece += kIndent;
      for (char c : dumped) {
        piece += c;
        if (c == '\n') piece += kIndent;
      }
      write(piece);
    }
  }
  if (!first) write("\n      ");
  write(std::string_view(frame).substr(at));
}

}  // namespace

std::string SarifText(const RunReport& report, const SarifFacts& facts) {
  std::string text;
  WriteSarif(report, facts, [&text](std::string_view piece) { text += piece; });
  return text;
}

void WriteSarifFile(Disk& disk, const std::string& path, const RunReport& report,
                    const SarifFacts& facts) {
  std::string why;
  std::unique_ptr<AppendFile> file = disk.OpenAppend(path, &why);
  bool ok = file != nullptr;
  // Written in pieces of about 64 KB.
  std::string buffer;
  auto flush = [&] {
    if (ok && !buffer.empty()) ok = file->Append(buffer, &why);
    buffer.clear();
  };
  if (ok)
    WriteSarif(report, facts, [&](std::string_view piece) {
      buffer += piece;
      if (buffer.size() >= (std::size_t{64} << 10)) flush();
    });
  flush();
  if (ok) ok = file->Close(&why);
  if (!ok) throw EFCreateError("Cannot create file \"" + path + "\". " + why);
}

}  // namespace tolvern
