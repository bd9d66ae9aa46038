// A machine-readable account of a run: per file what it is, how it is
// stored, how many changes it got and what became of it; per rewritten form
// object what became of each property; the objects that could not be parsed.
// Its JSON form is documented (docs/report-format.md, docs/report.schema.json) and stable.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/alias_plan.h"
#include "engine/run_data_move.h"
#include "engine/todo_list.h"
#include "parsing/form_parser.h"

namespace tolvern {

// What became of one property of a rewritten object, as the report tells it:
// kept as it was, converted into other properties or values, or dropped.
enum class PropertyFate { kKept, kConverted, kDropped };
PropertyFate FateOf(const PropertyDecision& d);
// A property value as the report shows it: line breaks as LF.
std::string ReportValue(const std::string& value);
// A produced property's value as the report shows it: its lines joined by LF.
std::string ReportValue(const FormProperty& p);

struct ObjectReport {
  std::string name;
  std::string old_class;
  std::string new_class;
  int line = 0;
  std::vector<PropertyDecision> properties;
  // For an object of a project class descending from a mapped class: that
  // mapped class, which decided the conversion (the class itself is kept).
  std::string ancestor;
};

// An object of a mapped class (or of a descendant of one) that the run could
// not convert: the form will not load until it is converted by hand.
struct UnparsedObject {
  std::string name;
  std::string cls;
  int line = 0;
  std::string reason;
  std::string ancestor;  // for a descendant of a mapped class
};

// What a file of the run is: a unit, the project file, or a form stored as
// text or as binary; or a folder the run could not go through.
enum class FileKind { kUnit, kProject, kTextForm, kBinaryForm, kFolder };
// A unit or the project file, which "unitsChanged" counts.
bool IsUnit(FileKind kind);
bool IsForm(FileKind kind);

// What became of a file: left as it was, changed, meant to be migrated and
// skipped (named with the reason), named as a unit outside the project file
// and left as it is, or created by the run.
enum class FileOutcome { kUnchanged, kChanged, kSkipped, kOutside, kCreated };

// The words the reports show: "text-form", "skipped".
std::string_view ToString(FileKind kind);
std::string_view ToString(FileOutcome outcome);

struct FileReport {
  std::string path;
  FileKind kind = FileKind::kUnit;
  std::string encoding;  // "ANSI", "UTF-8", "UTF-16LE"
  int changes = 0;
  FileOutcome outcome = FileOutcome::kUnchanged;
  std::string note;                   // why a file was skipped, or is outside
  std::vector<ObjectReport> objects;  // with RunReport::details only
  std::vector<UnparsedObject> unparsed;
  int objects_rewritten = 0;
  int properties_dropped = 0;
  std::vector<TodoItem> todo{};  // the places left for a person

  // The entry of a file as processing starts: unchanged, nothing counted.
  static FileReport Unchanged(std::string path, FileKind kind, std::string encoding) {
    return {
        std::move(path), kind, std::move(encoding), 0, FileOutcome::kUnchanged, "", {}, {}, 0, 0};
  }
};

// The reports of a run's files. A deque grows without copying what it holds
// and without room to spare, which counts at tens of thousands of files.
using FileReports = std::deque<FileReport>;

// What became of one BDE alias of the run (see AliasPlan).
struct AliasReport {
  std::string alias;
  int data_sets = 0;
  std::vector<std::string> forms;
  AliasAction action = AliasAction::kUnmapped;
  std::string connection;  // what its data sets refer to; "" when unmapped
};

struct RunReport {
  std::string mode;      // "project" or "folder"
  std::string replacer;  // the source unit: "DBTables" or "ADODB"
  bool dry_run = false;
  FileReports files;
  // Whether each rewritten object is kept with its properties; without, only
  // the counts are, so that memory does not grow with the size of the tree.
  bool details = true;
  std::vector<AliasReport> aliases{};
  // The tables moved for the aliases (a run that moves the data).
  std::vector<AliasDataReport> data{};

  // The units and project files changed; the forms changed.
  int UnitsChanged() const;
  int FormsChanged() const;
  int ObjectsRewritten() const;
  int PropertiesDropped() const;
  // The properties of the recorded objects that were converted (details only).
  int PropertiesConverted() const;
  // Objects of a mapped class, or of a descendant of one, left unconverted.
  int ObjectsNotConverted() const;
  // Files the run meant to migrate and did not (outcome kSkipped).
  int FilesNotMigrated() const;
  // Files the run creates (outcome kCreated).
  int FilesCreated() const;
  // Units outside the project file that the run named and left as they
  // are (outcome kOutside).
  int FilesOutside() const;
  // Whether every alias's tables the run was to move arrived whole (true
  // for a run that moved no data).
  bool DataComplete() const;
  // The places in code and forms left for a person, file by file.
  std::vector<TodoItem> Todo() const;
  // The same, as each file's own list in the order of the files: no copy.
  std::vector<const std::vector<TodoItem>*> TodoParts() const;
  int TodoCount() const;
  // The places of one level.
  int TodoCount(TodoLevel level) const;

  // The JSON text of the report (schema version 1).
  std::string ToJson() const;
};

}  // namespace tolvern
