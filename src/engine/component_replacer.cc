#include "engine/component_replacer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/finally.h"
#include "base/system_texts.h"
#include "engine/alias_stage.h"
#include "engine/earlier_runs.h"
#include "engine/originals_check.h"
#include "engine/rewrite_stage.h"
#include "engine/run_commit.h"
#include "engine/run_planner.h"
#include "engine/run_reporter.h"
#include "engine/todo_list.h"
#include "engine/undo_restore.h"
#include "files/file_utils.h"
#include "files/folder_cache.h"
#include "parsing/nx_form_parser.h"
#include "platform/disk.h"
#include "platform/large_stack.h"
#include "platform/shell.h"
#include "platform/worker_pool.h"

namespace tolvern {

namespace {

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
  CancelCameTooLate = false;
  UndoFilePath.clear();
  EarlierUndoFile.clear();
  TodoFilePath.clear();
  NothingToDo = false;
  run_files_.Clear();
  const bool project_mode = Options->Dest == RunSource::kProject;
  const bool dry_run = Options->DryRun;
  const bool details = Report.details;
  Report = RunReport{
      project_mode ? "project" : "folder", SourceFamilyOf()->SourceUnit(), dry_run, {}, details};
  // Each folder is listed once in the run: the walk's listings and every
  // look-up of a form by name go through this cache of the run's disk.
  FolderCache disk(RunDisk());
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
    Log.OpenLater(disk, log_path);
  }
  for (const std::string& f : ProfileFiles) Log.WriteLine(res::Format(res::kProfileUsed, {f}));
  Finally close_log([this] { Log.Close(); });
  try {
    const bool ok = Run(disk, tree, dry_run);
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
std::unique_ptr<DiskLock> LockTree(Disk& disk, const std::string& tree) {
  const std::string lock_path = PathJoin(tree, res::kLockFileName);
  std::string why;
  bool elsewhere = false;
  if (std::unique_ptr<DiskLock> lock = disk.TryLock(lock_path, &why, &elsewhere)) return lock;
  throw ERunLocked(elsewhere ? res::Format(res::kTreeLocked, {lock_path})
                             : res::Format(res::kCannotLockTree, {lock_path, why}));
}

// The run's private work folder; throws when it cannot be made, since the
// output would otherwise land in the current folder.
std::string MakeWorkFolder(Disk& disk, std::unique_ptr<DiskLock>* lock) {
  std::string why;
  const std::string temp_dir = CreateRunFolder(disk, res::kTempPrefix, lock, &why);
  if (!temp_dir.empty()) return temp_dir;
  throw EFCreateError(res::kFailedToCreateTemp, why.empty() ? std::string("unknown error") : why);
}

void RemoveWorkFolder(Disk& disk, const std::string& temp_dir, std::unique_ptr<DiskLock>& lock) {
#ifdef _WIN32
  // Windows deletes no file that is held open: the lock goes first.
  lock.reset();
  RemoveFolder(disk, temp_dir);
#else
  // A work folder that could not be removed keeps its lock file, so that
  // a later run can tell that its run has ended and remove it.
  if (!RemoveFolder(disk, temp_dir) && lock) lock->Abandon();
  lock.reset();
#endif
}

}  // namespace

bool TComponentReplacer::Run(Disk& disk, const std::string& tree, bool dry_run) {
  std::unique_ptr<DiskLock> tree_lock;
  if (!dry_run && !tree.empty()) tree_lock = LockTree(disk, tree);
  // Before the files are listed: what a stopped run created and nothing
  // uses is not a file of the application.
  if (!dry_run && Options->MakeBackup)
    for (const std::string& path : RemoveCreatedByStoppedRuns(disk, Options->BackupDir))
      Log.WriteLine("Removed " + path + ", created by a run stopped before it replaced anything");

  InitUnitList(disk);
  Finally clear_units([this] { UnitList.Clear(); });
  if (UnitList.Count() == 0) {
    // Nothing to read: no backup folder, log, to-do list or undo file is
    // made, and those of an earlier run stay as they were.
    NothingToDo = true;
    return true;
  }

  if (!dry_run) CreateBackupFolder(disk);
  // What the run writes is made durable in a few barriers, not file by file.
  DeferredSyncs batched(disk);

  RemoveDeadTempFolders(disk, res::kTempPrefix);
  Log.WriteLine(res::kAllocatingTempFolder);
  std::unique_ptr<DiskLock> temp_lock;
  const std::string temp_dir = MakeWorkFolder(disk, &temp_lock);
  Finally remove_temp(
      [&disk, &temp_dir, &temp_lock] { RemoveWorkFolder(disk, temp_dir, temp_lock); });
  // The run has started: from here its log replaces an earlier one.
  Log.OpenDeferred();

  int threads = 1;
  if (!RewriteIntoWorkFolder(disk, temp_dir, &threads)) {
    // Nothing outside the work folder has changed: the originals stay.
    Log.WriteLine(res::kRunCancelled);
    return false;
  }
  ReportOutsideUnits();
  const bool copied = dry_run || CommitRun(disk, tree, threads);
  if (Cancelled) {
    // Nothing outside the work folder and the lists has changed.
    Log.WriteLine(res::kRunCancelled);
    return false;
  }
  RunReporter reporter(Log, Report);
  if (Options->MakeBackup && !dry_run) reporter.LogUndoFiles(UndoFilePath, EarlierUndoFile);
  Log.WriteLine(res::kRemovingTempFolder);
  remove_temp.Run();
  clear_units.Run();
  reporter.LogOutcome(copied);
  return copied;
}

bool TComponentReplacer::RewriteIntoWorkFolder(Disk& disk, const std::string& temp_dir,
                                               int* threads) {
  const RewriteOutcome rewrite = RewriteStage(*this, run_files_, disk, temp_dir).Run();
  *threads = rewrite.threads;
  Cancelled = rewrite.cancelled;
  if (!Cancelled) AliasStage(*this, run_files_, disk).Finish();
  return !StopAsked();
}

void TComponentReplacer::SkipFile(int i, const std::string& reason) {
  run_files_[i].skipped = true;
  NotMigrated(UnitList[i], reason);
}

void TComponentReplacer::NotMigrated(const std::string& path, const std::string& reason) {
  RunReporter(Log, Report).NotMigrated(path, reason);
}

bool TComponentReplacer::RestoreFiles(const std::string& undo_file_name, bool force) {
  UndoRestore restore(RunDisk());
  RestoreError.clear();
  const bool ok = restore.Restore(undo_file_name, force);
  RestoreError = restore.Error();
  RestoreChanged = restore.Changed();
  RestoreUnverified = restore.Unverified();
  RestoreNotes = restore.Notes();
  RestoredCount = ok ? restore.RestoredCount() : 0;
  return ok;
}

void TComponentReplacer::InitUnitList(Disk& disk) {
  Log.WriteLine(res::kInitUnitList);
  UnitList.Clear();
  outside_.clear();
  outside_failures_.clear();
  std::vector<std::string> units;
  for (const PlannedFile& f : RunPlanner(disk, *Options, Project()).Plan()) {
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
  if (Options->Dest == RunSource::kProject && Project()) FindOutsideUnits(disk, units);
}

void TComponentReplacer::FindOutsideUnits(Disk& disk, const std::vector<std::string>& units) {
  OutsideUnits finder(disk, *Project(), [this](std::string_view text, std::string* name) {
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

void TComponentReplacer::CreateBackupFolder(Disk& disk) {
  if (!Options->MakeBackup) return;
  // A backup folder whose name holds a line break could not be recorded in
  // the undo file: the run stops before anything is read.
  if (Options->BackupDir.find_first_of("\r\n") != std::string::npos)
    throw EFCreateError(res::Format(res::kBackupDirNotRecordable, {Options->BackupDir}));
  Log.WriteLine(res::kCreatingBackupFolder);
  std::string why;
  if (!ForceFolders(disk, Options->BackupDir, &why)) {
    std::string detail =
        res::Format(res::kPathReason, {Options->BackupDir, why.empty() ? "unknown error" : why});
    throw EFCreateError(res::kFailedToCreateDirectory, detail);
  }
  // A backup folder that is a link would send the backups somewhere the
  // user did not name: the run stops before anything is read.
  std::string folder = Options->BackupDir;
  while (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
  if (disk.IsLink(folder)) {
    const std::string target = disk.Resolve(folder);
    throw EFCreateError(res::Format(res::kPathReason, {folder, "is a link to " + target +
                                                                   "; give that folder itself as "
                                                                   "the backup folder"}));
  }
}

FileRewrite TComponentReplacer::ProcessFile(const std::string& file_name,
                                            const std::string& dest_dir, Disk& disk,
                                            TFormParser& parser) {
  FileRewrite out;
  FileRewriting w{disk, parser, out};
  out.log.push_back(res::Format(res::kProcessingFile, {file_name}));
  try {
    std::string bytes = ReadWholeFile(disk, file_name);
    // The bytes read, so that the run can tell later whether the original
    // is still what it read.
    out.hash = std::hash<std::string_view>{}(bytes);
    out.hashed = true;
    const std::string dest_path = PathJoin(dest_dir, ExtractFileName(file_name));
    if (HasExtension(file_name, ".PAS", ".DPR"))
      ProcessPascal(w, std::move(bytes), file_name, dest_path);
    else
      ProcessForm(w, std::move(bytes), file_name, dest_path);
  } catch (const EFOpenError& e) {
    // A file that cannot be read (gone, not a regular file, too large,
    // unreadable) is left as it is; the others go on.
    out.open_failed = true;
    out.open_error = e.what();
  }
  return out;
}

void TComponentReplacer::ProcessForm(FileRewriting& w, std::string bytes,
                                     const std::string& file_name, const std::string& dest_path) {
  // A form that cannot be read (a binary form the stream reader refuses)
  // or parsed (nested deeper than the parser goes) is left as it is, with
  // its unit, like a file that cannot be opened: the others go on.
  FormFileData form;
  std::string why;
  try {
    if (!ReadFormFile(file_name, bytes, &form, &why)) {
      w.out.log.push_back(res::Format(res::kInvalidEncoding, {file_name, why}));
      w.out.log.push_back(res::kNoChanges);
      FileReport& f = w.out.reports.emplace_back(
          FileReport::Unchanged(file_name, FileKind::kTextForm, EncodingName(form.Encoding)));
      f.outcome = FileOutcome::kSkipped;
      f.note = why;
      w.out.passed_over = true;
      return;
    }
  } catch (const ErrorInFile<EStreamError>& e) {
    // The report gives the file's name: the reason alone is told.
    throw EFOpenError(kFormCannotBeRead + e.Reason());
  }
  bytes.clear();
  // All objects of the form are parsed on one private stack.
  try {
    RunOnLargeStack(std::size_t{1} << 30, [&] { ReplaceInForm(w, form, file_name, dest_path); });
  } catch (const EGrammarError& e) {
    w.parser.Clear();  // its views point into the form's text
    throw EFOpenError(kFormCannotBeParsed + std::string(e.what()));
  }
}

void TComponentReplacer::ProcessPascal(FileRewriting& w, std::string bytes,
                                       const std::string& file_name, const std::string& dest_path) {
  TextEncoding encoding = DetectEncoding(bytes);
  std::string text, why;
  if (!DecodeOwnedText(std::move(bytes), encoding, &text, &why)) {
    w.out.log.push_back(res::Format(res::kInvalidEncoding, {file_name, why}));
    w.out.log.push_back(res::kNoChanges);
    FileReport& f = w.out.reports.emplace_back(FileReport::Unchanged(
        file_name, HasExtension(file_name, ".DPR", ".DPR") ? FileKind::kProject : FileKind::kUnit,
        EncodingName(encoding)));
    f.outcome = FileOutcome::kSkipped;
    f.note = why;
    w.out.passed_over = true;
    return;
  }
  ReplaceInUnit(w, std::move(text), file_name, encoding, dest_path);
}

void TComponentReplacer::TakeRewrite(FileRewrite& out, Disk& disk) {
  for (const std::string& line : out.log) Log.WriteLine(line);
  for (FileReport& report : out.reports) Report.files.push_back(std::move(report));
  ChangedCount += out.changed;
  // Outside a run the forms a unit names join the list on their own.
  for (const std::string& form : out.forms) run_files_.Add(UnitList, form);
  if (!out.output_path.empty()) WriteNewWholeFile(disk, out.output_path, out.output);
}

std::unique_ptr<TFormParser> TComponentReplacer::NewFormParser() {
  std::unique_ptr<TFormParser> parser = parser_class_();
  parser->OnGetConnection = [this](const std::string& prop, const std::string& value) {
    return GetDatabaseConnection(prop, value);
  };
  return parser;
}

}  // namespace tolvern
