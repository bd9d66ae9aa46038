#include "engine/run_report.h"

#include <nlohmann/json.hpp>

namespace tolvern {

bool IsUnit(FileKind kind) { return kind == FileKind::kUnit || kind == FileKind::kProject; }

bool IsForm(FileKind kind) { return kind == FileKind::kTextForm || kind == FileKind::kBinaryForm; }

std::string_view ToString(FileKind kind) {
  switch (kind) {
    case FileKind::kUnit:
      return "unit";
    case FileKind::kProject:
      return "project";
    case FileKind::kTextForm:
      return "text-form";
    case FileKind::kBinaryForm:
      return "binary-form";
    case FileKind::kFolder:
      return "folder";
  }
  return "";
}

std::string_view ToString(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::kUnchanged:
      return "unchanged";
    case FileOutcome::kChanged:
      return "changed";
    case FileOutcome::kSkipped:
      return "skipped";
    case FileOutcome::kOutside:
      return "outside";
    case FileOutcome::kCreated:
      return "created";
  }
  return "";
}

namespace {

// The files of a report with an outcome whose kind passes a test.
template <typename KindTest>
int CountFiles(const FileReports& files, FileOutcome outcome, KindTest kind_test) {
  int n = 0;
  for (const FileReport& f : files) n += f.outcome == outcome && kind_test(f.kind);
  return n;
}

bool AnyKind(FileKind) { return true; }

}  // namespace

int RunReport::UnitsChanged() const { return CountFiles(files, FileOutcome::kChanged, IsUnit); }

int RunReport::FormsChanged() const { return CountFiles(files, FileOutcome::kChanged, IsForm); }

int RunReport::ObjectsRewritten() const {
  int n = 0;
  for (const FileReport& f : files) n += f.objects_rewritten;
  return n;
}

int RunReport::PropertiesDropped() const {
  int n = 0;
  for (const FileReport& f : files) n += f.properties_dropped;
  return n;
}

int RunReport::ObjectsNotConverted() const {
  int n = 0;
  for (const FileReport& f : files) n += static_cast<int>(f.unparsed.size());
  return n;
}

int RunReport::FilesNotMigrated() const {
  return CountFiles(files, FileOutcome::kSkipped, AnyKind);
}

int RunReport::FilesOutside() const { return CountFiles(files, FileOutcome::kOutside, AnyKind); }

std::vector<TodoItem> RunReport::Todo() const {
  std::vector<TodoItem> all;
  for (const FileReport& f : files) all.insert(all.end(), f.todo.begin(), f.todo.end());
  return all;
}

std::vector<const std::vector<TodoItem>*> RunReport::TodoParts() const {
  std::vector<const std::vector<TodoItem>*> parts;
  for (const FileReport& f : files)
    if (!f.todo.empty()) parts.push_back(&f.todo);
  return parts;
}

int RunReport::TodoCount() const {
  int n = 0;
  for (const FileReport& f : files) n += static_cast<int>(f.todo.size());
  return n;
}

int RunReport::TodoCount(TodoLevel level) const { return CountTodo(TodoParts(), level); }

std::string ReportValue(const FormProperty& p) {
  std::string s;
  for (size_t i = 0; i < p.lines.size(); ++i) {
    if (i) s += "\n";
    s += p.lines[i];
  }
  return s;
}

std::string ReportValue(const std::string& value) {
  std::string s;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\r') {
      s += '\n';
      if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
    } else {
      s += value[i];
    }
  }
  return s;
}

PropertyFate FateOf(const PropertyDecision& d) {
  if (d.produced.empty()) return PropertyFate::kDropped;
  if (d.Kept() && ReportValue(d.produced[0]) == ReportValue(d.value)) return PropertyFate::kKept;
  return PropertyFate::kConverted;
}

int RunReport::PropertiesConverted() const {
  int n = 0;
  for (const FileReport& f : files)
    for (const ObjectReport& o : f.objects)
      for (const PropertyDecision& d : o.properties) n += FateOf(d) == PropertyFate::kConverted;
  return n;
}

namespace {

// Values are form text, which may hold 8-bit bytes: invalid UTF-8 is
// replaced rather than refused.
constexpr auto kReplace = nlohmann::json::error_handler_t::replace;

}  // namespace

int RunReport::FilesCreated() const { return CountFiles(files, FileOutcome::kCreated, AnyKind); }

namespace {

using nlohmann::json;

// What became of each property of a rewritten object: kept, converted (to
// what) or dropped (why).
json ObjectJson(const ObjectReport& o) {
  json kept = json::array(), converted = json::array(), dropped = json::array();
  for (const PropertyDecision& d : o.properties) {
    const std::string value = ReportValue(d.value);
    const PropertyFate fate = FateOf(d);
    if (fate == PropertyFate::kDropped) {
      dropped.push_back({{"name", d.name}, {"value", value}, {"reason", d.drop_reason}});
    } else if (fate == PropertyFate::kKept) {
      kept.push_back({{"name", d.name}, {"value", value}});
    } else {
      json to = json::array();
      for (const FormProperty& p : d.produced)
        to.push_back({{"name", p.name}, {"value", ReportValue(p)}});
      converted.push_back({{"name", d.name}, {"value", value}, {"to", to}});
    }
  }
  json jo = {
      {"name", o.name}, {"oldClass", o.old_class}, {"newClass", o.new_class}, {"line", o.line},
      {"kept", kept},   {"converted", converted},  {"dropped", dropped}};
  if (!o.ancestor.empty()) jo["ancestor"] = o.ancestor;
  return jo;
}

json FileJson(const FileReport& f) {
  json jf = {{"path", f.path},
             {"kind", ToString(f.kind)},
             {"encoding", f.encoding},
             {"changes", f.changes},
             {"outcome", ToString(f.outcome)}};
  if (!f.note.empty()) jf["note"] = f.note;
  if (!IsForm(f.kind)) return jf;
  json objects = json::array();
  for (const ObjectReport& o : f.objects) objects.push_back(ObjectJson(o));
  json unparsed = json::array();
  for (const UnparsedObject& u : f.unparsed) {
    json ju = {{"name", u.name}, {"class", u.cls}, {"line", u.line}};
    if (!u.reason.empty()) ju["reason"] = u.reason;
    if (!u.ancestor.empty()) ju["ancestor"] = u.ancestor;
    unparsed.push_back(ju);
  }
  jf["objects"] = objects;
  jf["notParsed"] = unparsed;
  return jf;
}

json TodoJson(const FileReports& files) {
  json todo = json::array();
  for (const FileReport& f : files)
    for (const TodoItem& t : f.todo)
      todo.push_back({{"level", ToString(t.level)},
                      {"kind", ToString(t.kind)},
                      {"file", t.file},
                      {"line", t.line},
                      {"column", t.col},
                      {"text", t.text},
                      {"advice", t.advice}});
  return todo;
}

json AliasesJson(const std::vector<AliasReport>& aliases) {
  json jaliases = json::array();
  for (const AliasReport& a : aliases)
    jaliases.push_back({{"alias", a.alias},
                        {"dataSets", a.data_sets},
                        {"forms", a.forms},
                        {"action", ToString(a.action)},
                        {"connection", a.connection}});
  return jaliases;
}

// Each alias's tables: every table file with the rows moved and the rows
// left out, and why.
json DataJson(const std::vector<AliasDataReport>& data) {
  json jdata = json::array();
  for (const AliasDataReport& r : data) {
    json tables = json::array();
    for (const data::TableOutcome& t : r.tables)
      tables.push_back({{"file", t.file},
                        {"table", t.table},
                        {"rowsMoved", t.rows_moved},
                        {"rowsDeleted", t.account.rows_deleted},
                        {"rowsDamaged", t.account.rows_damaged},
                        {"rowsRefused", t.rows_rejected},
                        {"complete", !t.Lost()},
                        {"error", t.error},
                        {"problems", t.account.problems},
                        {"notes", t.account.notes}});
    jdata.push_back({{"alias", r.alias},
                     {"folder", r.folder},
                     {"sql", r.sql},
                     {"sqlite", r.sqlite},
                     {"complete", r.Complete()},
                     {"problems", r.problems},
                     {"tables", tables}});
  }
  return jdata;
}

}  // namespace

bool RunReport::DataComplete() const {
  for (const AliasDataReport& r : data)
    if (!r.Complete()) return false;
  return true;
}

std::string RunReport::ToJson() const {
  json doc = {{"version", 1}, {"mode", mode}, {"replacer", replacer}, {"dryRun", dry_run}};
  json jfiles = json::array();
  for (const FileReport& f : files) jfiles.push_back(FileJson(f));
  doc["files"] = jfiles;
  doc["todo"] = TodoJson(files);
  if (!aliases.empty()) doc["aliases"] = AliasesJson(aliases);
  if (!data.empty()) doc["data"] = DataJson(data);
  doc["summary"] = {{"filesScanned", static_cast<int>(files.size()) - FilesCreated()},
                    {"unitsChanged", UnitsChanged()},
                    {"formsChanged", FormsChanged()},
                    {"objectsRewritten", ObjectsRewritten()},
                    {"propertiesDropped", PropertiesDropped()},
                    {"todo", TodoCount()},
                    {"todoLevels",
                     {{"error", TodoCount(todo_level::kError)},
                      {"warning", TodoCount(todo_level::kWarning)},
                      {"note", TodoCount(todo_level::kNote)}}}};
  if (int n = ObjectsNotConverted()) doc["summary"]["objectsNotConverted"] = n;
  if (int n = FilesCreated()) doc["summary"]["filesCreated"] = n;
  if (int n = FilesOutside()) doc["summary"]["unitsOutside"] = n;
  return doc.dump(2, ' ', false, kReplace) + "\n";
}

}  // namespace tolvern
