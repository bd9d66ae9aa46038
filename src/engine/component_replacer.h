// The conversion engine for one family of source components. A run rewrites
// each file into a private temporary folder, backs up each original that
// changed, writes the undo file, copies the changed files over the originals
// and logs every step. Nothing outside the temporary folder is touched before
// every file has been rewritten, so a failure part-way leaves the originals
// as they were.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/replace_options.h"
#include "engine/run_report.h"
#include "engine/string_list.h"
#include "files/log_writer.h"
#include "parsing/form_parser.h"
#include "platform/form_resource.h"
#include "platform/object_stream.h"
#include "platform/text_encoding.h"

namespace tolvern {

// Makes the form parser of a replacer.
using FormParserClass = std::function<std::unique_ptr<TFormParser>()>;

// What a form file holds: its form text (a binary form's converted), the
// encoding of a text form and the header of a binary one. A binary form also
// keeps its file's bytes and where each object's text came from in them, so
// that only the objects rewritten are encoded anew.
struct FormFileData {
  std::string Text;
  TextEncoding Encoding = TextEncoding::kAnsi;
  bool IsBinary = false;
  TRCData Header;
  std::string Original;
  std::vector<ObjectSpan> Objects;
};

// An object that ReplaceInForm rewrote: the offset of its OBJECT keyword in
// the form text, and its new text; or, when only its class name was replaced
// (an object the form parser could not parse), the new class name.
struct RewrittenObject {
  size_t text_pos;
  std::string text;
  bool class_only = false;
};

class TComponentReplacer {
 public:
  // source_unit: the unit that uses clauses are searched for (for example
  // DBTables); new_units: the text inserted behind it.
  TComponentReplacer(FormParserClass parser_class, const std::string& source_unit,
                     std::string new_units, TReplaceOptions* options);
  TComponentReplacer(const std::string& source_unit, std::string new_units,
                     TReplaceOptions* options);
  virtual ~TComponentReplacer() = default;
  TComponentReplacer(const TComponentReplacer&) = delete;
  TComponentReplacer& operator=(const TComponentReplacer&) = delete;

  void AddReplacement(const std::string& old_class, const std::string& new_class);
  // The target class of a source class (letter case ignored), or "".
  std::string FindReplacement(const std::string& old_class) const;
  // The line of OldNames that holds a source class name, or -1. Most
  // identifiers are refused by their first letter and length at once.
  int FindOldName(std::string_view ident) const;

  // One migration run. True when it completed and every changed file reached
  // its original's place; failures that stop the run are exceptions, thrown
  // after the clean-up.
  bool Execute();

  // Puts back every original listed in an undo file. False when the file lists
  // nothing, a listed backup is missing (nothing is copied then) or a copy
  // fails (the copies before it stay done).
  bool RestoreFiles(const std::string& undo_file_name);

  // The text that replaces a source class name found in code.
  virtual std::string GetReplacement(const std::string& old_name, const std::string& new_name);

  // Called for every file a run processes, with its 0-based index and the
  // current length of the unit list (which grows as units name their forms).
  std::function<void(int index, int count, const std::string& file)> OnProgress;

  // Called for every file the run changed, with the original and its
  // rewritten copy in the work folder, before any original is replaced.
  std::function<void(const std::string& original, const std::string& rewritten)> OnFileChanged;

  // Asked before each file and once more before the first original is
  // replaced; true stops the run there, with every original untouched
  // (Execute returns false and sets Cancelled). May be called from the
  // thread that runs Execute while another thread sets what it reads.
  std::function<bool()> CancelRequested;
  // Called once, just before the first original is replaced: from then on
  // the run cannot be cancelled.
  std::function<void()> OnReplacingOriginals;
  // Whether the last run stopped because CancelRequested said so.
  bool Cancelled = false;

  // The account of the last run.
  RunReport Report;

  // Rewrites one Pascal text into dest_path when anything changed; logs the
  // change count and counts the file in ChangedCount when it leaves one.
  void ReplaceInUnit(const std::string& text, const std::string& source_path,
                     TextEncoding encoding, const std::string& dest_path);

  // The rewritten text of a comment token; adds its replacements to *changes.
  // A resource directive is returned unchanged and may name the unit's form.
  std::string ReplaceInComment(std::string_view comment, const std::string& source_path,
                               int* changes);

  // Reads a form file. False, with the reason in *why, when a text form is
  // not valid in its encoding; throws EStreamError (naming the file) for a
  // binary form that cannot be converted.
  static bool ReadFormFile(const std::string& file_name, const std::string& bytes,
                           FormFileData* form, std::string* why);

  // Rewrites every object of a mapped class in a form text into dest_path
  // (in the form's own storage and encoding) when anything changed; logs the
  // change count and counts the file in ChangedCount when it leaves one.
  void ReplaceInForm(const FormFileData& form, const std::string& source_path,
                     const std::string& dest_path);

  // Records the database names of the TDatabase objects of a form.
  void ScanFormDatabases(const std::string& form_path);

  // The component that declares a database name, as "Form.Component", or "".
  std::string GetDatabaseConnection(const std::string& prop_name, const std::string& value);

  StringList OldNames{true};
  StringList NewNames;
  StringList UnitList;
  TLogWriter Log;
  int ChangedCount = 0;
  StringList UndoList;
  StringList DatabaseMap;
  std::string OldUnit;
  std::string NewUnits;
  std::unique_ptr<TFormParser> ObjectParser;
  TReplaceOptions* Options;

 protected:
  // Rewrites one file of the run into dest_dir. Replaceable so that tests can
  // put any rewriter, or any failure, in its place.
  virtual void ProcessFile(const std::string& file_name, const std::string& dest_dir);

  void InitUnitList();
  void AddFolderUnits(const std::string& folder, bool recursive);
  void CreateBackupFolder();

 private:
  // Backs up the original of UnitList[i]; throws EBackupError when the copy
  // fails, so that no original is replaced without its backup.
  void BackupOriginal(int i, const std::string& rel_path);
  // Copies the changed files over the originals; false when a copy failed.
  bool ReplaceOriginalFiles(const std::string& temp_dir);
  void WriteUndoFile(const std::string& undo_path);
  void AddFormOfDirective(std::string_view directive, const std::string& source_path);
  void LogChanges(int changes);
  // Writes a rewritten file into the work folder: on the background writer
  // during a run, else at once.
  void WriteOutput(const std::string& path, std::string data);
  class BackgroundWriter* writer_ = nullptr;
  std::set<std::string> forced_, backup_forced_;  // folders made in this run
  std::unordered_map<std::string, int> undo_index_;  // UndoList line of each original
  std::array<bool, 256> old_first_{};
  size_t old_min_len_ = SIZE_MAX, old_max_len_ = 0;
  FileReport& ReportFile(const std::string& path, const char* kind, TextEncoding encoding);
  void WriteFormFile(const FormFileData& form, const std::string& text,
                     const std::vector<RewrittenObject>& rewritten,
                     const std::string& source_path, const std::string& dest_path);
};

}  // namespace tolvern
