#include "engine/component_replacer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/system_texts.h"
#include "engine/alias_stage.h"
#include "engine/originals_check.h"
#include "engine/rewrite_stage.h"
#include "engine/rewrite_work.h"
#include "engine/run_commit.h"
#include "engine/run_planner.h"
#include "engine/run_reporter.h"
#include "engine/todo_list.h"
#include "engine/undo_restore.h"
#include "files/file_utils.h"
#include "files/folder_cache.h"
#include "parsing/nx_form_parser.h"
#include "platform/background_writer.h"
#include "platform/disk.h"
#include "platform/large_stack.h"
#include "platform/path_lock.h"
#include "platform/shell.h"
#include "platform/worker_pool.h"

namespace tolvern {

namespace {

// Runs a clean-up step when the scope is left, also by an exception.
template <typename F>
class Finally {
 public:
  explicit Finally(F f) : f_(std::move(f)) {}
  ~Finally() {
    if (armed_) f_();
  }
  void Run() {
    if (armed_) f_();
    armed_ = false;
  }
  void Dismiss() { armed_ = false; }
  Finally(const Finally&) = delete;
  Finally& operator=(const Finally&) = delete;

 private:
  F f_;
  bool armed_ = true;
};

// The reasons a form is left as it is when its text cannot be made out.
constexpr const char* kFormCannotBeRead = "the form cannot be read: ";
constexpr const char* kFormCannotBeParsed = "the form cannot be parsed: ";

bool HasExtension(const std::string& path, const char* ext1, const char* ext2) {
  std::string ext = UpperCase(ExtractFileExt(path));
  return ext == ext1 || ext == ext2;
}

}  // namespace

TComponentReplacer::TComponentReplacer(const std::string& source_unit, std::string new_units,
                                       TReplaceOptions* options, RunContext context)
    : TComponentReplacer([] { return std::make_unique<TNXFormParser>(); }, source_unit,
                         std::move(new_units), options, std::move(context)) {}

TComponentReplacer::TComponentReplacer(FormParserClass parser_class, const std::string& source_unit,
                                       std::string new_units, TReplaceOptions* options,
                                       RunContext context)
    : Context(std::move(context)),
      OldUnit(UpperCase(source_unit)),
      NewUnits(std::move(new_units)),
      ObjectParser(parser_class()),
      Options(options),
      parser_class_(std::move(parser_class)) {
  ObjectParser->OnGetConnection = [this](const std::string& prop, const std::string& value) {
    return GetDatabaseConnection(prop, value);
  };
  Log.SetTitle(Options->GetTitle() + res::kLogTitleSuffix);
  Log.SetTimestampCaption(res::kLogTimestampCaption);
  Log.SetDoubleSpacing(true);
}

void TComponentReplacer::AddReplacement(const std::string& old_class,
                                        const std::string& new_class) {
  int index = NewNames.Add(new_class);
  OldNames.Add(old_class, index);
  // Lines move as a sorted list takes new ones: the index is made again.
  old_index_.clear();
  for (int i = 0; i < OldNames.Count(); ++i) old_index_.emplace(OldNames[i], i);
  if (!old_class.empty()) old_filter_.Add(old_class);
}

int TComponentReplacer::FindOldName(std::string_view ident) const {
  if (!old_filter_.MayHold(ident)) return -1;
  auto it = old_index_.find(ident);
  return it == old_index_.end() ? -1 : it->second;
}

std::string TComponentReplacer::FindReplacement(const std::string& old_class) const {
  int i = old_class.empty() ? -1 : FindOldName(old_class);
  return i < 0 ? std::string() : NewNames[OldNames.Object(i)];
}

std::string TComponentReplacer::GetReplacement(const std::string&, const std::string& new_name) {
  return new_name;
}

bool TComponentReplacer::Execute() {
  UndoList.Clear();
  ChangedCount = 0;
  Cancelled = false;
  UndoFilePath.clear();
  EarlierUndoFile.clear();
  TodoFilePath.clear();
  NothingToDo = false;
  run_files_.Clear();
  write_error_ = nullptr;
  const bool project_mode = Options->Dest == RunSource::kProject;
  const bool dry_run = Options->DryRun;
  const bool details = Report.details;
  Report = RunReport{project_mode ? "project" : "folder",
                     OldUnit == "ADODB" ? "ADODB" : "DBTables",
                     dry_run,
                     {},
                     details};
  // The context's disk is the run's: every helper the run calls reads and
  // writes through it.
  std::optional<ScopedDisk> use_disk;
  if (Context.disk) use_disk.emplace(Context.disk);
  Log.SetClock(Context.clock);
  ProjectModules* project = Project();
  const std::string tree =
      project_mode ? ExtractFileDir(project ? project->ProjectFileName() : "") : Options->Directory;
  std::string log_path;
  if (Options->WriteLog && !dry_run) {
    // The log is written once the run has started (Run opens it): a run
    // that stops before, or finds nothing to do, leaves an earlier log as
    // it was.
    log_path = PathJoin(tree, res::kLogFileName);
    Log.OpenLater(log_path);
  }
  for (const std::string& f : ProfileFiles) Log.WriteLine(res::Format(res::kProfileUsed, {f}));
  Finally close_log([this] { Log.Close(); });
  try {
    const bool ok = Run(tree, dry_run);
    close_log.Run();
    if (Options->WriteLog && Options->ViewLog && !dry_run && !NothingToDo) {
      if (Context.open_document)
        Context.open_document(log_path);
      else
        ShellOpen(log_path);
    }
    return ok;
  } catch (const Exception& e) {
    // The log ends with what stopped the run.
    Log.WriteLine(e.Detail().empty() ? e.what() : std::string(e.what()) + " " + e.Detail());
    throw;
  } catch (const std::exception& e) {
    Log.WriteLine(e.what());
    throw;
  }
}

namespace {

// One run at a time changes a tree: a second one would back up files the
// first is about to replace, and the two would lose each other's backups.
void LockTree(PathLock& lock, const std::string& tree) {
  const std::string lock_path = PathJoin(tree, res::kLockFileName);
  std::string why;
  bool elsewhere = false;
  if (lock.TryLock(lock_path, &why, &elsewhere)) return;
  throw ERunLocked(elsewhere ? res::Format(res::kTreeLocked, {lock_path})
                             : res::Format(res::kCannotLockTree, {lock_path, why}));
}

// The run's private work folder; throws when it cannot be made, since the
// output would otherwise land in the current folder.
std::string MakeWorkFolder(PathLock* lock) {
  std::string why;
  const std::string temp_dir = CreateTempFolder(res::kTempPrefix, lock, &why);
  if (!temp_dir.empty()) return temp_dir;
  throw EFCreateError(res::kFailedToCreateTemp, why.empty() ? std::string("unknown error") : why);
}

void RemoveWorkFolder(const std::string& temp_dir, PathLock& lock) {
#ifdef _WIN32
  // Windows deletes no file that is held open: the lock goes first.
  lock.Release();
  RemoveFolder(temp_dir);
#else
  // A work folder that could not be removed keeps its lock file, so that
  // a later run can tell that its run has ended and remove it.
  if (RemoveFolder(temp_dir))
    lock.Release();
  else
    lock.Abandon();
#endif
}

}  // namespace

bool TComponentReplacer::Run(const std::string& tree, bool dry_run) {
  PathLock tree_lock;
  if (!dry_run && !tree.empty()) LockTree(tree_lock, tree);

  // Each folder is listed once in the run: the walk's listings and every
  // look-up of a form by name go through this cache.
  FolderCache folders;
  ScopedFolderCache use_folders(&folders);
  InitUnitList();
  Finally clear_units([this] { UnitList.Clear(); });
  if (UnitList.Count() == 0) {
    // Nothing to read: no backup folder, log, to-do list or undo file is
    // made, and those of an earlier run stay as they were.
    NothingToDo = true;
    return true;
  }

  if (!dry_run) CreateBackupFolder();

  RemoveDeadTempFolders(res::kTempPrefix);
  Log.WriteLine(res::kAllocatingTempFolder);
  PathLock temp_lock;
  const std::string temp_dir = MakeWorkFolder(&temp_lock);
  Finally remove_temp([&temp_dir, &temp_lock] { RemoveWorkFolder(temp_dir, temp_lock); });
  // The run has started: from here its log replaces an earlier one.
  Log.OpenDeferred();

  if (!RewriteIntoWorkFolder(temp_dir)) {
    // Nothing outside the work folder has changed: the originals stay.
    Log.WriteLine(res::kRunCancelled);
    return false;
  }
  ReportOutsideUnits();
  const bool copied = dry_run || CommitRun(tree);
  RunReporter reporter(Log, Report);
  if (Options->MakeBackup && !dry_run) reporter.LogUndoFiles(UndoFilePath, EarlierUndoFile);
  Log.WriteLine(res::kRemovingTempFolder);
  remove_temp.Run();
  clear_units.Run();
  reporter.LogOutcome(copied);
  return copied;
}

bool TComponentReplacer::RewriteIntoWorkFolder(const std::string& temp_dir) {
  // The rewritten files are written while the next ones are rewritten; a
  // caller that reads each one as it comes (OnFileChanged) gets them at once.
  std::unique_ptr<BackgroundWriter> writer;
  if (!OnFileChanged) writer = std::make_unique<BackgroundWriter>();
  writer_ = writer.get();
  struct DetachWriter {
    BackgroundWriter*& w;
    ~DetachWriter() { w = nullptr; }
  } detach{writer_};

  RewriteStage(*this, temp_dir).Run();
  if (writer) writer->Finish();  // every rewritten file is in the work folder
  if (write_error_) std::rethrow_exception(std::exchange(write_error_, nullptr));
  if (!Cancelled) AliasStage(*this).Finish();
  if (!Cancelled && CancelRequested && CancelRequested()) Cancelled = true;
  return !Cancelled;
}

void TComponentReplacer::SkipFile(int i, const std::string& reason) {
  run_files_[i].skipped = true;
  NotMigrated(UnitList[i], reason);
}

void TComponentReplacer::NotMigrated(const std::string& path, const std::string& reason) {
  RunReporter(Log, Report).NotMigrated(path, reason);
}

FileReport* TComponentReplacer::FindReport(const std::string& path) {
  return RunReporter(Log, Report).Find(path);
}

bool TComponentReplacer::CommitRun(const std::string& tree) {
  // The list of what is left for a person goes beside the log before any
  // original is replaced, so that a list that cannot be written stops the
  // run with nothing changed.
  if (Options->WriteLog)
    TodoFilePath = WriteRunTodoFile(PathJoin(tree, res::kTodoFileName), Report.TodoParts());
  const int threads = threads_;
  SkipFileFn skip = [this](int i, const std::string& why) { SkipFile(i, why); };
  OriginalsCheck check(CurrentDisk(), UnitList, run_files_, skip);
  check.LeaveOutChanged(threads);
  check.KeepGroupsTogether();
  RunCommit commit(
      CurrentDisk(), *Options, UnitList, run_files_,
      {[this](const std::string& line) { Log.WriteLine(line); }, skip,
       [this](const std::string& path, const std::string& why) { NotMigrated(path, why); }},
      &CreatedFiles);
  // What the commit did is the replacer's to show, also when it throws.
  Finally take_outcome([this, &commit] {
    UndoList = commit.Outcome().undo_lines;
    UndoFilePath = commit.Outcome().undo_file;
    EarlierUndoFile = commit.Outcome().earlier_undo_file;
  });
  if (Options->MakeBackup) {
    Finally drop_backups([&commit] { commit.RemoveBackups(); });
    commit.BackupOriginals();
    // The undo file is written before any original is replaced, so that a
    // run cut short while copying back can still be undone.
    commit.WriteUndoFile();
    // The files the run creates are made before any original is replaced:
    // the rewritten forms refer to them.
    commit.CreateFiles();
    drop_backups.Dismiss();
  } else {
    commit.CreateFiles();
  }
  if (OnReplacingOriginals) OnReplacingOriginals();
  return commit.ReplaceOriginals(threads, ChangedCount > 0);
}

bool TComponentReplacer::RestoreFiles(const std::string& undo_file_name, bool force) {
  std::optional<ScopedDisk> use_disk;
  if (Context.disk) use_disk.emplace(Context.disk);
  UndoRestore restore(CurrentDisk());
  RestoreError.clear();
  const bool ok = restore.Restore(undo_file_name, force);
  RestoreError = restore.Error();
  RestoreChanged = restore.Changed();
  RestoreNotes = restore.Notes();
  RestoredCount = ok ? restore.RestoredCount() : 0;
  return ok;
}

void TComponentReplacer::InitUnitList() {
  Log.WriteLine(res::kInitUnitList);
  UnitList.Clear();
  outside_.clear();
  outside_failures_.clear();
  std::vector<std::string> units;
  for (const PlannedFile& f : RunPlanner(CurrentDisk(), *Options, Project()).Plan()) {
    if (!f.in_run) {
      NotMigrated(f.path, f.refused);
      continue;
    }
    const int at = run_files_.Add(UnitList, f.path);
    if (!f.refused.empty())
      SkipFile(at, f.refused);
    else if (HasExtension(f.path, ".PAS", ".PAS"))
      units.push_back(f.path);
  }
  if (Options->Dest == RunSource::kProject && Project()) FindOutsideUnits(units);
}

void TComponentReplacer::FindOutsideUnits(const std::vector<std::string>& units) {
  OutsideUnits finder(CurrentDisk(), *Project(), [this](std::string_view text, std::string* name) {
    return FirstSourceName(text, name);
  });
  std::vector<OutsideUnit> found = finder.Find(units);
  outside_failures_ = finder.Failures();
  for (OutsideUnit& u : found) {
    if (!Options->FollowUses) {
      outside_.push_back(std::move(u));
      continue;
    }
    Log.WriteLine(res::Format(res::kOutsideProjectFollowed, {u.path, u.used_by}));
    run_files_.Add(UnitList, u.path);
  }
}

void TComponentReplacer::ReportOutsideUnits() {
  for (const auto& [path, reason] : outside_failures_) {
    const int i = UnitList.IndexOf(path);
    if (!run_files_.Has(i))
      NotMigrated(path, reason);
    else if (!run_files_[i].skipped)
      SkipFile(i, reason);
  }
  outside_failures_.clear();
  for (const OutsideUnit& u : outside_) {
    Log.WriteLine(res::Format(res::kOutsideProject, {u.path, u.used_by}));
    const std::string user = ExtractFileName(u.used_by);
    FileReport& f = Report.files.emplace_back(
        FileReport::Unchanged(u.path, FileKind::kUnit, EncodingName(u.encoding)));
    f.outcome = FileOutcome::kOutside;
    f.note = res::Format(res::kOutsideProjectNote, {user});
    f.todo.push_back({todo_kind::kOutsideUnit, u.path, u.line, u.col, u.name,
                      res::Format(res::kOutsideProjectAdvice, {user}), todo_level::kWarning});
  }
  outside_.clear();
}

void TComponentReplacer::CreateBackupFolder() {
  if (!Options->MakeBackup) return;
  // A backup folder whose name holds a line break could not be recorded in
  // the undo file: the run stops before anything is read.
  if (Options->BackupDir.find_first_of("\r\n") != std::string::npos)
    throw EFCreateError(res::Format(res::kBackupDirNotRecordable, {Options->BackupDir}));
  Log.WriteLine(res::kCreatingBackupFolder);
  errno = 0;
  if (!ForceFolders(Options->BackupDir)) {
    const int e = errno;
    std::string detail =
        res::Format(res::kPathReason, {Options->BackupDir, e ? std::strerror(e) : "unknown error"});
    throw EFCreateError(res::kFailedToCreateDirectory, detail);
  }
  // A backup folder that is a link would send the backups somewhere the
  // user did not name: the run stops before anything is read.
  std::string folder = Options->BackupDir;
  while (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
  std::error_code ec;
  if (std::filesystem::is_symlink(folder, ec)) {
    const std::string target = std::filesystem::weakly_canonical(folder, ec).string();
    throw EFCreateError(res::Format(res::kPathReason, {folder, "is a link to " + target +
                                                                   "; give that folder itself as "
                                                                   "the backup folder"}));
  }
}

void TComponentReplacer::ProcessFile(const std::string& file_name, const std::string& dest_dir) {
  LogLine(res::Format(res::kProcessingFile, {file_name}));
  std::string bytes = ReadWholeFile(file_name);
  NoteRead(bytes);
  std::string dest_path = PathJoin(dest_dir, ExtractFileName(file_name));
  std::string why;
  if (!HasExtension(file_name, ".PAS", ".DPR")) {
    // A form that cannot be read (a binary form the stream reader refuses)
    // or parsed (nested deeper than the parser goes) is left as it is, with
    // its unit, like a file that cannot be opened: the others go on.
    FormFileData form;
    try {
      if (!ReadFormFile(file_name, bytes, &form, &why)) {
        LogLine(res::Format(res::kInvalidEncoding, {file_name, why}));
        LogLine(res::kNoChanges);
        FileReport& f = ReportFile(file_name, FileKind::kTextForm, form.Encoding);
        f.outcome = FileOutcome::kSkipped;
        f.note = why;
        return;
      }
    } catch (const ErrorInFile<EStreamError>& e) {
      // The report gives the file's name: the reason alone is told.
      throw EFOpenError(kFormCannotBeRead + e.Reason());
    }
    bytes.clear();
    // All objects of the form are parsed on one private stack.
    try {
      RunOnLargeStack(std::size_t{1} << 30, [&] { ReplaceInForm(form, file_name, dest_path); });
    } catch (const EGrammarError& e) {
      FormParser().Clear();  // its views point into the form's text
      throw EFOpenError(kFormCannotBeParsed + std::string(e.what()));
    }
    return;
  }
  TextEncoding encoding = DetectEncoding(bytes);
  std::string text;
  if (!DecodeOwnedText(std::move(bytes), encoding, &text, &why)) {
    LogLine(res::Format(res::kInvalidEncoding, {file_name, why}));
    LogLine(res::kNoChanges);
    FileReport& f = ReportFile(
        file_name, HasExtension(file_name, ".DPR", ".DPR") ? FileKind::kProject : FileKind::kUnit,
        encoding);
    f.outcome = FileOutcome::kSkipped;
    f.note = why;
    return;
  }
  bytes.clear();
  ReplaceInUnit(std::move(text), file_name, encoding, dest_path);
}

// The sinks of a file's results: the run's own, or those of the work of the
// calling worker thread.
void TComponentReplacer::LogLine(const std::string& line) {
  if (RewriteWork* w = CurrentRewriteWork())
    w->log.push_back(line);
  else
    Log.WriteLine(line);
}

FileReports& TComponentReplacer::ReportFiles() {
  RewriteWork* w = CurrentRewriteWork();
  return w ? w->reports : Report.files;
}

void TComponentReplacer::CountChanged() {
  if (RewriteWork* w = CurrentRewriteWork())
    ++w->changed;
  else
    ++ChangedCount;
}

TFormParser& TComponentReplacer::FormParser() {
  RewriteWork* w = CurrentRewriteWork();
  return w && w->parser ? *w->parser : *ObjectParser;
}

bool TComponentReplacer::NoteFormOf(const std::string& form, bool list_failed) {
  RewriteWork* w = CurrentRewriteWork();
  if (!w) return false;
  if (list_failed) w->form_unknown = true;
  if (!form.empty()) w->forms.push_back(form);
  return true;
}

void TComponentReplacer::NoteRead(std::string_view bytes) {
  const size_t hash = std::hash<std::string_view>{}(bytes);
  if (RewriteWork* w = CurrentRewriteWork()) {
    w->hash = hash;
    w->hashed = true;
  } else if (run_files_.Has(current_)) {
    run_files_[current_].hash = hash;
    run_files_[current_].hashed = true;
  }
}

void TComponentReplacer::WriteOutput(const std::string& path, std::string data) {
  // A worker writes its file itself, so that the writing is spread over the
  // threads too; a failure is kept until the rewriting ends, as the
  // background writer keeps its own.
  RewriteWork* w = CurrentRewriteWork();
  if (w && writer_) {
    try {
      WriteNewWholeFile(path, data);
    } catch (...) {
      if (!w->write_error) w->write_error = std::current_exception();
    }
    return;
  }
  if (writer_)
    writer_->Submit(path, std::move(data));
  else
    WriteNewWholeFile(path, data);
}

std::unique_ptr<TFormParser> TComponentReplacer::NewFormParser() {
  std::unique_ptr<TFormParser> parser = parser_class_();
  parser->OnGetConnection = [this](const std::string& prop, const std::string& value) {
    return GetDatabaseConnection(prop, value);
  };
  return parser;
}

FileReport& TComponentReplacer::ReportFile(const std::string& path, FileKind kind,
                                           TextEncoding encoding) {
  FileReports& files = ReportFiles();
  files.push_back(FileReport::Unchanged(path, kind, EncodingName(encoding)));
  return files.back();
}

void TComponentReplacer::LogChanges(int changes) {
  LogLine(changes > 0 ? std::to_string(changes) + res::kChanges : res::kNoChanges);
}

}  // namespace tolvern
