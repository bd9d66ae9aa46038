// The conversion engine for one family of source components. A run plans its
// files, rewrites each into a private temporary folder, checks that every
// original is still what it read, backs up each original that changed, writes
// the undo file, moves the changed files over the originals and logs every
// step; each of these is a stage of its own (run_planner.h, rewrite_stage.h,
// originals_check.h, run_commit.h, run_reporter.h), driven from Execute.
// Nothing outside the temporary folder is touched before every file has been
// rewritten, so a failure part-way leaves the originals as they were.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/string_list.h"
#include "engine/alias_plan.h"
#include "engine/database_index.h"
#include "engine/descendant_classes.h"
#include "engine/file_rewrite.h"
#include "engine/outside_units.h"
#include "engine/replace_options.h"
#include "engine/run_context.h"
#include "engine/run_files.h"
#include "engine/run_report.h"
#include "engine/todo_list.h"
#include "files/log_writer.h"
#include "parsing/form_parser.h"
#include "parsing/source_families.h"
#include "platform/disk.h"
#include "platform/text_encoding.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"

namespace tolvern {

// Makes the form parser of a replacer.
using FormParserClass = std::function<std::unique_ptr<TFormParser>()>;

class UnitSplice;
struct FormPass;

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

// The phases of a run after its files are rewritten.
enum class RunPhase {
  kMovingData,          // the aliases' tables into scripts and databases (on demand)
  kWritingLists,        // the to-do list beside the log
  kCheckingOriginals,   // each changed original still what was read
  kBackingUp,           // backups, the undo file and the files the run creates
  kReplacingOriginals,  // from here the run cannot be cancelled
};

// The words a progress view shows for a phase.
const char* RunPhaseText(RunPhase phase);

class TComponentReplacer {
 public:
  // source_unit: the unit that uses clauses are searched for (for example
  // DBTables); new_units: the text inserted behind it; context: what its runs
  // reach outside themselves (see Context).
  TComponentReplacer(FormParserClass parser_class, const std::string& source_unit,
                     std::string new_units, TReplaceOptions* options, RunContext context = {});
  TComponentReplacer(const std::string& source_unit, std::string new_units,
                     TReplaceOptions* options, RunContext context = {});
  virtual ~TComponentReplacer() = default;
  TComponentReplacer(const TComponentReplacer&) = delete;
  TComponentReplacer& operator=(const TComponentReplacer&) = delete;

  void AddReplacement(const std::string& old_class, const std::string& new_class);
  // The target class of a source class (letter case ignored), or "".
  std::string FindReplacement(const std::string& old_class) const;
  // The line of OldNames that holds a source class name, or -1. Most
  // identifiers are refused by their first letter and length at once, the
  // rest by one hash look-up.
  int FindOldName(std::string_view ident) const;

  // One migration run. True when it completed and every changed file reached
  // its original's place; failures that stop the run are exceptions, thrown
  // after the clean-up.
  bool Execute();
  // Moves the tables of the aliases whose table folder the profiles name
  // (the run's aliases first: those of its plan, set by Execute) into
  // scripts and databases in tree, and names them in the to-do items of
  // their files. A run with MoveData does it before its lists are written.
  void MoveRunData(Disk& disk, const std::string& tree);

  // Puts back every original listed in an undo file, all or nothing (see
  // UndoRestore). With `force`, originals changed after the run are put back
  // too, their text kept beside their backups. False, with the reason in
  // RestoreError, when nothing was restored; RestoreChanged names the
  // originals changed after the run, RestoreNotes what else was done.
  bool RestoreFiles(const std::string& undo_file_name, bool force = false);
  std::string RestoreError;
  std::vector<std::string> RestoreChanged;
  // The undo file had no record of what its run wrote (or named no
  // folders): RestoreChanged are all the files it would write, which
  // cannot be told from later edits.
  bool RestoreUnverified = false;
  std::vector<std::string> RestoreNotes;
  // The number of originals the last restore put back.
  int RestoredCount = 0;

  // The undo file the last run wrote, and the newest undo file of an earlier
  // run that stood in the backup folder already ("" when there was none):
  // this run's is restored first, then that one.
  std::string UndoFilePath;
  std::string EarlierUndoFile;
  // This run's own to-do list, kept under a number of its own beside the
  // latest list (see WriteRunTodoFile); "" when the run wrote none.
  std::string TodoFilePath;
  // Whether the last run found no file to work on: it then made and changed
  // nothing, not even its log.
  bool NothingToDo = false;

  // The offset of the first place in a Pascal text that makes a run migrate
  // it (the places the rewriting counts as changes), with its name in
  // *name; std::string_view::npos for a text the run would leave as it is.
  size_t FirstSourceName(std::string_view text, std::string* name = nullptr) const;

  // The text that replaces a source class name found in code.
  virtual std::string GetReplacement(const std::string& old_name, const std::string& new_name);

  // Called for every file a run processes, with its 0-based index and the
  // current length of the unit list (which grows as units name their forms).
  std::function<void(int index, int count, const std::string& file)> OnProgress;
  // Called once the list of files can no longer grow (every unit has named
  // its forms), with its length; a run cancelled before never calls it.
  std::function<void(int count)> OnFileCountKnown;

  // Called for every file the run changed, with the original and its
  // rewritten copy in the work folder, before any original is replaced.
  std::function<void(const std::string& original, const std::string& rewritten)> OnFileChanged;

  // What the run does after its last file is rewritten, each phase named as
  // it starts, so that a progress view can say where the run is.
  std::function<void(RunPhase)> OnPhase;

  // Asked before each file, before each phase and once more after
  // OnReplacingOriginals, right before the first original is replaced; true
  // stops the run there, with every original untouched and what the run
  // wrote outside its lists (backups, undo file, created files) removed
  // (Execute returns false and sets Cancelled). Asked once more after the
  // replacements: true there is a cancel that came too late
  // (CancelCameTooLate, said in the log). May be called from the thread that
  // runs Execute while another thread sets what it reads; it may wait, so
  // that a question the user is answering holds the run.
  std::function<bool()> CancelRequested;
  // Called once, just before the first original is replaced: a cancel asked
  // before it returns is still honoured, one asked after it is too late.
  std::function<void()> OnReplacingOriginals;
  // Whether the last run stopped because CancelRequested said so.
  bool Cancelled = false;
  // Whether a cancel was asked once originals were being replaced: the run
  // went to its end, and restore undoes it.
  bool CancelCameTooLate = false;

  // The account of the last run.
  RunReport Report;

  // What the runs reach outside themselves: the disk, the open project, the
  // clock and the shell (unset members: the process's own).
  RunContext Context;

  // Rewrites one Pascal text into dest_path when anything changed; logs the
  // change count and counts the file in ChangedCount when it leaves one.
  // Takes the text, so that it is gone before the rewritten text is scanned.
  void ReplaceInUnit(std::string text, const std::string& source_path, TextEncoding encoding,
                     const std::string& dest_path);
  // The same with its results in w.out (the rewritten file to write among
  // them), nothing of the replacer's changed.
  void ReplaceInUnit(FileRewriting& w, std::string text, const std::string& source_path,
                     TextEncoding encoding, const std::string& dest_path);

  // The rewritten text of a comment token; adds its replacements to *changes.
  // A resource directive is returned unchanged and may name the unit's form.
  std::string ReplaceInComment(std::string_view comment, const std::string& source_path,
                               int* changes);

  // Reads a form file. False, with the reason in *why, when a text form is
  // not valid in its encoding; throws ErrorInFile<EStreamError> for a
  // binary form that cannot be converted.
  static bool ReadFormFile(const std::string& file_name, const std::string& bytes,
                           FormFileData* form, std::string* why);

  // Rewrites every object of a mapped class in a form text into dest_path
  // (in the form's own storage and encoding) when anything changed; logs the
  // change count and counts the file in ChangedCount when it leaves one.
  void ReplaceInForm(const FormFileData& form, const std::string& source_path,
                     const std::string& dest_path);
  // The same with its results in w.out, nothing of the replacer's changed.
  void ReplaceInForm(FileRewriting& w, const FormFileData& form, const std::string& source_path,
                     const std::string& dest_path);

  // Rewrites one file of the run into dest_dir, reading it through disk,
  // with a form parser of the caller's (one per thread): a function of the
  // file and the run's tables, safe to call from several threads at once.
  // A file that cannot be read is given back open_failed, with the reason;
  // anything thrown stops the run. Replaceable so that tests can put any rewriter, or any
  // failure, in its place.
  virtual FileRewrite ProcessFile(const std::string& file_name, const std::string& dest_dir,
                                  Disk& disk, TFormParser& parser);
  // A form parser for one thread of the rewriting.
  std::unique_ptr<TFormParser> NewFormParser();
  // The disk of the runs and restores: the context's, else the real one.
  Disk& RunDisk() const { return Context.disk ? *Context.disk : real_disk_; }

  // Learns the classes a Pascal text declares as descendants of other
  // classes, so that form objects of a descendant of a mapped class are
  // converted as the mapped class's objects are (keeping their class).
  void LearnClassDeclarations(std::string_view unit_text) {
    PasTokens tokens = SignificantTokens(unit_text);
    Descendants.LearnFrom(tokens);
    Todo.LearnNames(Todo.DeclaredNames(unit_text, std::move(tokens)));
  }

  // The database components a form declares (none when it cannot be read;
  // *unread tells why when it could not be opened).
  DatabasesOfForm FormDatabases(Disk& disk, const std::string& form_path,
                                std::string* unread = nullptr) const;

  // The component that declares a database name, as an object of the form
  // at form_path refers to it (see DatabaseIndex::Reference), or "".
  std::string GetDatabaseConnection(const std::string& prop_name, const std::string& value,
                                    const std::string& form_path = "");

  StringList OldNames{true};
  StringList NewNames;
  StringList UnitList;
  TLogWriter Log;
  int ChangedCount = 0;
  StringList UndoList;
  DatabaseIndex Databases;
  // What the profile maps BDE aliases to, and the unit of the connections
  // the run creates for them (AliasModuleNamed: the profile names it).
  std::vector<AliasRule> AliasRules;
  std::string AliasModuleUnit = kDefaultAliasModule;
  bool AliasModuleNamed = false;
  // What became of each alias of the last run.
  AliasPlan Aliases;
  // The files the last run creates (the connection module).
  std::vector<CreatedFile> CreatedFiles;
  TDescendantClasses Descendants;
  // The class tables and declared names the to-do list reads.
  TodoClasses Todo;
  std::string OldUnit;
  // The source family of the replacer's profile; without one, the built-in
  // family of OldUnit.
  std::shared_ptr<const SourceFamily> Family;
  std::shared_ptr<const SourceFamily> SourceFamilyOf() const {
    return Family ? Family
                  : std::shared_ptr<const SourceFamily>(std::shared_ptr<void>(),
                                                        &FamilyOfUnit(OldUnit));
  }
  std::string NewUnits;
  // The units a profile's class mapping needs, by source class: a unit that
  // names the class in code gets them in its first uses clause, once.
  FoldedMap<std::vector<std::string>> ClassUnits;
  // The profile files laid over the built-in profile, named in the log.
  std::vector<std::string> ProfileFiles;
  std::unique_ptr<TFormParser> ObjectParser;
  TReplaceOptions* Options;

 protected:
  void InitUnitList(Disk& disk);
  // Project mode: the units outside the project file that the run's units
  // (paths) use; added to the run when the options follow uses, else kept
  // for ReportOutsideUnits.
  void FindOutsideUnits(Disk& disk, const std::vector<std::string>& units);
  // Names the outside units left as they are: a log line, a report entry
  // (outcome "outside") and a to-do item each. A file that could not be
  // read or listed in the look for them is not migrated: a unit of the run
  // is left with its forms, as one whose form could not be looked for is.
  void ReportOutsideUnits();
  // The run behind Execute, between opening and closing its log.
  bool Run(Disk& disk, const std::string& tree, bool dry_run);
  void CreateBackupFolder(Disk& disk);

  // Records that a file the run meant to migrate is left as it is: logged,
  // and in the report as "skipped" with the reason.
  void NotMigrated(const std::string& path, const std::string& reason);

 private:
  // The project of a project-mode run: the context's, else the environment's.
  ProjectModules* Project() const {
    return Context.project ? Context.project : EnvironmentProject();
  }
  // Takes the results of a rewriting done outside a run: its log lines,
  // reports and forms into the replacer's, its file written at once.
  void TakeRewrite(FileRewrite& out, Disk& disk);
  // The checks and the commit of a run that is not a dry run: the to-do
  // file, the originals checked, backups, the undo file and the
  // replacement; false when an original could not be replaced or the run
  // was cancelled (Cancelled).
  bool CommitRun(Disk& disk, const std::string& tree, int threads);

  // Whether a cancel has been asked (and Cancelled set), asking once more.
  bool StopAsked();
  void EnterPhase(RunPhase phase);
  // Rewrites every file of the run into the work folder; false when the run
  // was cancelled. *threads: how many the rewriting used.
  bool RewriteIntoWorkFolder(Disk& disk, const std::string& temp_dir, int* threads);
  void SkipFile(int i, const std::string& reason);
  // The line of OldNames of a form object's class, or -1; for a descendant
  // of a mapped class, that of its mapped ancestor, named in *ancestor.
  int FindFormClass(std::string_view cls, std::string* ancestor);
  // Converts the form object whose class token the pass has just read.
  void ConvertFormObject(FileRewriting& w, FormPass& p, std::string_view token, int found,
                         const std::string& ancestor, const std::string& source_path);
  // An object the form parser could not parse: logged and reported.
  void NoteUnparsedObject(FileRewriting& w, FormPass& p, int line, const std::string& ancestor,
                          const std::string& source_path);
  // The replacements of a unit's tokens into splice; the change count.
  int ReplaceUnitTokens(FileRewriting& w, const PasTokens& tokens, const std::string& source_path,
                        UnitSplice& splice);
  // ReplaceInComment, with the form a resource directive names in w.
  std::string ReplaceInComment(FileRewriting* w, std::string_view comment,
                               const std::string& source_path, int* changes);
  // A form, read and rewritten; a Pascal file likewise.
  void ProcessForm(FileRewriting& w, std::string bytes, const std::string& file_name,
                   const std::string& dest_path);
  void ProcessPascal(FileRewriting& w, std::string bytes, const std::string& file_name,
                     const std::string& dest_path);
  // The source unit named in a uses clause, with the Nexa units behind it.
  int ExtendUsesClause(std::string_view token, const std::set<std::string>& clause_units,
                       UnitSplice& splice);
  // A source class name in code, replaced by its target's.
  int ReplaceClassName(std::string_view token, UnitSplice& splice);
  // The part of NewUnits that a uses clause naming these units lacks.
  std::string MissingUnits(const std::set<std::string>& named) const;
  // The units of ClassUnits a unit needs for the classes its code names and
  // that none of its uses clauses, nor NewUnits behind its source unit, has.
  std::vector<std::string> ClassUnitsNeeded(const PasTokens& tokens) const;
  void AddFormOfDirective(FileRewriting* w, std::string_view directive,
                          const std::string& source_path);
  bool IsDatabaseClass(const std::string& cls) const;
  bool IsDataSetClass(const std::string& cls) const;
  mutable RealDisk real_disk_;
  FormParserClass parser_class_;
  RunFiles run_files_;
  std::vector<OutsideUnit> outside_;  // left as they are, named after the rewriting
  // What the look for outside units could not read or list, and why.
  std::vector<std::pair<std::string, std::string>> outside_failures_;
  NameFilter old_filter_;     // refuses most identifiers by length and first letter
  FoldedMap<int> old_index_;  // the line of each source class name in OldNames
  void WriteFormFile(FileRewriting& w, const FormFileData& form, const std::string& text,
                     const std::vector<RewrittenObject>& rewritten, const std::string& source_path,
                     const std::string& dest_path);
};

}  // namespace tolvern
