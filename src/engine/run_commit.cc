#include "engine/run_commit.h"

#include <exception>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "base/system_texts.h"
#include "files/folder_cache.h"
#include "platform/worker_pool.h"

namespace tolvern {

namespace {
// The n-th name of a file that never replaces another: the name itself,
// then the name with ".2", ".3"... before its extension.
std::string NumberedName(const std::string& base, int n) {
  if (n == 1) return base;
  const std::string ext = ExtractFileExt(base);
  return base.substr(0, base.size() - ext.size()) + "." + std::to_string(n) + ext;
}
}  // namespace

std::string RunCommit::NewBackup(int i, const std::string& base, std::string* error) {
  Disk& disk = disk_;
  for (int n = 1; n < 10000; ++n) {
    // An earlier run's backup is never replaced: this one takes the next
    // free number (U.~pas, then U.2.~pas, U.3.~pas...).
    const std::string candidate = NumberedName(base, n);
    bool taken = false;
    if (disk.BackupFile(paths_[i], candidate, error, &taken)) return candidate;
    if (!taken) return "";
  }
  if (error) *error = "no free backup name";
  return "";
}

std::string RunCommit::BackupBase(int i) {
  const std::string& file = paths_[i];
  if (options_.Dest == RunSource::kProject)
    return PathJoin(options_.BackupDir, ExtractFileName(MakeBackupName(file)));
  // Folder mode keeps the tree's shape below the backup folder.
  const std::string& rel_dir = files_[i].rel_dir;
  if (made_folders_.insert(rel_dir).second)
    CreateFolderPath(disk_, PathJoin(options_.BackupDir, rel_dir),
                     [](const std::string& f) { NoteCreated(f, true); });
  return MakeBackupName(PathJoin(PathJoin(options_.BackupDir, rel_dir), ExtractFileName(file)));
}

void RunCommit::BackupOriginals() {
  Disk& disk = disk_;
  files_.ForEachPending([&](int i, RunFile& f) {
    const std::string& file = paths_[i];
    const std::string base = BackupBase(i);
    std::string why;
    f.backup = NewBackup(i, base, &why);
    if (f.backup.empty())
      throw EBackupError(res::Format(res::kFailedToBackUp, {file, base}) + " " + why);
    // The backup must hold what was read: an original saved by an editor in
    // the meantime is left as it is, and so is its backup.
    FileStamp now;
    disk.Stat(file, &now);
    if (!now.Matches(f.read)) {
      disk.DeleteFile(f.backup);
      f.backup.clear();
      notes_.skip(i, res::kChangedDuringRun);
    }
  });
  check_.KeepGroupsTogether();
  for (int i = 0; i < files_.Count(); ++i) {
    RunFile& f = files_[i];
    if (f.skipped && !f.backup.empty()) {
      disk.DeleteFile(f.backup);
      f.backup.clear();
    }
  }
}

void RunCommit::RemoveBackups() {
  for (int i = 0; i < files_.Count(); ++i) {
    RunFile& f = files_[i];
    if (f.backup.empty()) continue;
    disk_.DeleteFile(f.backup);
    f.backup.clear();
  }
}

void RunCommit::WriteUndoFile() {
  StringList& lines = outcome_.undo_lines;
  lines.Clear();
  for (int i = 0; i < files_.Count(); ++i)
    if (!files_[i].backup.empty()) lines.Add(paths_[i] + "=" + files_[i].backup);
  Disk& disk = disk_;
  const std::string base = PathJoin(options_.BackupDir, res::kUndoFileName);
  for (int n = 1; n < 10000; ++n) {
    // An earlier run's undo file is never replaced: this run's takes the
    // next free number, and the earlier one is named to the user.
    const std::string candidate = NumberedName(base, n);
    FileStamp stamp;
    // A run that backed up nothing adds no empty undo file after an
    // earlier run's.
    if (n > 1 && lines.Count() == 0 && !disk.Stat(candidate, &stamp)) {
      outcome_.undo_file = outcome_.earlier_undo_file;
      outcome_.earlier_undo_file.clear();
      return;
    }
    std::string why;
    bool taken = false;
    if (disk.WriteExclusive(candidate, lines.Text(), &why, &taken)) {
      outcome_.undo_file = candidate;
      return;
    }
    if (!taken) throw EFCreateError("Cannot create file \"" + candidate + "\". " + why);
    outcome_.earlier_undo_file = candidate;
  }
  throw EFCreateError("Cannot create file \"" + base + "\". no free undo file name");
}

bool RunCommit::ReplaceOriginals(int threads, bool any_changed) {
  if (any_changed) notes_.log(res::kReplacingOriginals);
  Disk& disk = disk_;
  // Each original is replaced on its own (on the pool when there is one);
  // what became of each is then taken in the order of the list.
  struct Outcome {
    bool tried = false, changed_since = false, moved = false;
    std::string why;
    std::exception_ptr error;  // taken up at this file, as on one thread
  };
  std::vector<Outcome> outcomes(static_cast<size_t>(files_.Count()));
  auto replace = [this, &disk, &outcomes](int i) {
    const RunFile& f = files_[i];
    Outcome& o = outcomes[static_cast<size_t>(i)];
    o.tried = true;
    try {
      // The last look before the rename: a file saved since it was checked
      // keeps what its user saved.
      FileStamp now;
      disk.Stat(paths_[i], &now);
      if (!now.Matches(f.read))
        o.changed_since = true;
      else
        o.moved = disk.MoveFile(f.work_path, paths_[i], &o.why);
    } catch (...) {
      o.error = std::current_exception();
    }
  };
  {
    std::unique_ptr<WorkerPool> pool;
    if (threads > 1) pool = std::make_unique<WorkerPool>(threads);
    bool stopped = false;
    files_.ForEachPending([&](int i, RunFile&) {
      if (stopped) return;
      if (pool) {
        pool->Submit([&replace, i](int) { replace(i); });
      } else {
        replace(i);
        stopped = outcomes[static_cast<size_t>(i)].error != nullptr;
      }
    });
    if (pool) pool->Finish();
  }
  bool all = true, left_out = false;
  for (int i = 0; i < files_.Count(); ++i) {
    Outcome& o = outcomes[static_cast<size_t>(i)];
    if (!o.tried) continue;
    if (o.error) std::rethrow_exception(o.error);
    const std::string& original = paths_[i];
    if (o.changed_since) {
      notes_.skip(i, res::kChangedDuringRun);
      left_out = true;
      continue;
    }
    if (o.moved) {
      files_[i].replaced = true;
      continue;
    }
    all = false;
    left_out = true;
    notes_.log(res::Format(res::kFailedToCopyBack, {original}) + " (" + o.why + ")");
    notes_.not_migrated(original,
                        "cannot replace the original: " + (o.why.empty() ? "copy failed" : o.why));
  }
  // The undo file lists only what was replaced: a line for an original left
  // as it is would put an old text over what its user saved since.
  if (left_out && !outcome_.undo_file.empty()) RewriteUndoFile();
  return all;
}

void RunCommit::RewriteUndoFile() {
  Disk& disk = disk_;
  StringList& lines = outcome_.undo_lines;
  lines.Clear();
  for (int i = 0; i < files_.Count(); ++i) {
    RunFile& f = files_[i];
    if (f.backup.empty()) continue;
    if (f.replaced) {
      lines.Add(paths_[i] + "=" + f.backup);
    } else {
      disk.DeleteFile(f.backup);
      f.backup.clear();
    }
  }
  std::string why;
  if (!disk.WriteFile(outcome_.undo_file, lines.Text(), &why))
    notes_.log("Cannot update the undo file " + outcome_.undo_file + ": " + why);
}

}  // namespace tolvern
