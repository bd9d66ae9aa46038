#include "engine/run_commit.h"

#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "base/paths.h"
#include "base/system_texts.h"
#include "engine/own_backups.h"
#include "engine/undo_record.h"
#include "platform/worker_pool.h"

namespace tolvern {

namespace {

// Why a file that another program holds open is left as it is, with the
// system's reason; its partners are left with it, so no pair is split.
constexpr const char* kHeldOpen =
    "another program holds it open and does not let it be replaced (%s); close it there and "
    "run again";

// Why a run stops when what it wrote before replacing anything cannot be
// made durable: a crash could lose a backup or the undo file of an original
// already replaced.
constexpr const char* kNotDurable =
    "Cannot make the backups, the rewritten files and the undo file durable: %s; no original "
    "was replaced";

// Why a file could not be looked at, from the system's reason ("" when the
// file is not there).
std::string LookFailure(const std::string& error) {
  if (error.empty()) return "deleted by another program during the run";
  return "cannot be looked at: " + error;
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
  // Folder mode keeps the tree's shape below the backup folder.
  const std::string& rel_dir = files_[i].rel_dir;
  if (options_.Dest != RunSource::kProject && made_folders_.insert(rel_dir).second)
    CreateFolderPath(disk_, PathJoin(options_.BackupDir, rel_dir));
  return BackupBaseFor(options_, paths_[i], rel_dir);
}

void RunCommit::BackupOriginals() {
  Disk& disk = disk_;
  files_.ForEachPending([&](int i, RunFile& f) {
    const std::string& file = paths_[i];
    RemoveStaleBackups(disk, f.stale_backups, f.read);
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

void RunCommit::Withdraw() {
  DropCreatedAndUndo();
  RemoveBackups();
}

void RunCommit::WriteUndoFile() {
  StringList& lines = outcome_.undo_lines;
  lines.Clear();
  UndoRecord record;
  if (created_)
    for (const CreatedFile& c : *created_) {
      lines.Add(c.path + "=");
      WrittenText w;
      w.size = c.bytes.size();
      w.sha256 = TextDigest::Of(c.bytes).sha256;
      w.created = true;
      record.Add(c.path, std::move(w));
    }
  std::vector<int> backed_up;
  for (int i = 0; i < files_.Count(); ++i)
    if (!files_[i].backup.empty()) backed_up.push_back(i);
  std::vector<WrittenText> written = WrittenTexts(backed_up);
  for (size_t k = 0; k < backed_up.size(); ++k) {
    const int i = backed_up[k];
    lines.Add(paths_[i] + "=" + files_[i].backup);
    if (!written[k].link_target.empty())
      link_folders_.push_back(ExtractFileDir(written[k].link_target));
    record.Add(paths_[i], std::move(written[k]));
  }
  // A run that backed up nothing has nothing to undo: it writes no undo file.
  if (lines.Count() == 0) return;
  const std::string base = PathJoin(options_.BackupDir, res::kUndoFileName);
  const std::string text = UndoFileText(lines, link_folders_);
  for (int n = 1; n < 10000; ++n) {
    // An earlier run's undo file is never replaced: this run's takes the
    // next free number, and the earlier one is named to the user.
    const std::string candidate = NumberedName(base, n);
    if (WriteUndoPair(candidate, text, record.Text())) {
      outcome_.undo_file = candidate;
      return;
    }
    // One whose run was restored already is not named: the newest whose
    // run still stands is.
    if (!disk_.FileExists(UndoRecord::RestoredMarkFor(candidate)))
      outcome_.earlier_undo_file = candidate;
  }
  throw EFCreateError("Cannot create file \"" + base + "\". no free undo file name");
}

bool RunCommit::WriteUndoPair(const std::string& undo, const std::string& text,
                              const std::string& record_text) {
  FileStamp stamp;
  std::string why;
  if (disk_.Stat(undo, &stamp, &why)) return false;
  if (!why.empty()) throw EFCreateError("Cannot create file \"" + undo + "\". " + why);
  // The record goes first, so that an undo file never stands without it,
  // also when the run is stopped between the two. A record without its undo
  // file is one that such a stop left: it records nothing restore can use.
  const std::string record_path = UndoRecord::PathFor(undo);
  bool taken = false;
  if (!disk_.WriteExclusive(record_path, record_text, &why, &taken)) {
    if (!taken || !disk_.DeleteFile(record_path, &why) ||
        !disk_.WriteExclusive(record_path, record_text, &why, &taken))
      throw EFCreateError("Cannot create file \"" + record_path + "\". " +
                          (taken ? std::string("A file of that name is in the way.") : why));
  }
  if (disk_.WriteExclusive(undo, text, &why, &taken)) return true;
  disk_.DeleteFile(record_path);
  if (!taken) throw EFCreateError("Cannot create file \"" + undo + "\". " + why);
  return false;
}

std::vector<WrittenText> RunCommit::WrittenTexts(const std::vector<int>& files) {
  // What will stand at each original once it is replaced, so that restore
  // can tell the run's text from a later edit, and what its backup holds, so
  // that a backup swapped for another is refused. Read and hashed several
  // files at a time.
  std::vector<WrittenText> out(files.size());
  std::vector<std::string> errors(files.size());
  auto one = [&](size_t k) {
    const int i = files[k];
    const RunFile& f = files_[i];
    std::string text, why;
    if (!disk_.ReadFile(f.work_path, &text, &why)) {
      errors[k] = "Cannot open file \"" + f.work_path + "\". " + why;
      return;
    }
    out[k].size = text.size();
    out[k].sha256 = TextDigest::Of(text).sha256;
    if (!disk_.ReadFile(f.backup, &text, &why)) {
      errors[k] = "Cannot open file \"" + f.backup + "\". " + why;
      return;
    }
    out[k].backup = TextDigest::Of(text);
  };
  {
    WorkerPool pool(WorkerPool::ThreadsFor(options_.Jobs));
    for (size_t k = 0; k < files.size(); ++k) pool.Submit([&one, k](int) { one(k); });
    pool.Finish();
  }
  for (size_t k = 0; k < files.size(); ++k) {
    if (!errors[k].empty()) throw EFOpenError(errors[k]);
    // An original reached through a link is replaced behind the link, which
    // stays; restore writes behind it again, and through no other link.
    const std::string& path = paths_[files[k]];
    if (disk_.IsLink(path)) out[k].link_target = disk_.Resolve(path);
  }
  return out;
}

void RunCommit::CreateFiles() {
  if (!created_) return;
  for (CreatedFile& c : *created_) {
    std::string why;
    bool taken = false;
    if (disk_.WriteExclusive(c.path, c.bytes, &why, &taken)) {
      c.made = true;
      notes_.log("Created " + c.path);
      continue;
    }
    DropCreatedAndUndo();
    throw EFCreateError("Cannot create file \"" + c.path + "\". " +
                        (taken ? std::string("A file of that name is in the way.") : why));
  }
}

void RunCommit::MakeDurable() {
  std::string why;
  if (disk_.Sync(&why)) return;
  DropCreatedAndUndo();
  throw EBackupError(res::Format(kNotDurable, {why}));
}

void RunCommit::DropCreatedAndUndo() {
  if (created_)
    for (CreatedFile& made : *created_)
      if (made.made) {
        disk_.DeleteFile(made.path);
        made.made = false;
      }
  if (outcome_.undo_file.empty()) return;
  disk_.DeleteFile(UndoRecord::PathFor(outcome_.undo_file));
  disk_.DeleteFile(outcome_.undo_file);
  outcome_.undo_file.clear();
  outcome_.undo_lines.Clear();
}

// What became of one file of the list while the originals were replaced.
struct RunCommit::FileOutcome {
  bool tried = false, moved = false, put_back = false;
  std::string left_out;  // why it was left as it is before any rename
  std::string why;       // why its rename failed
  int failed_partner = -1;
  std::exception_ptr error;  // taken up at this file, as on one thread
};

bool RunCommit::ReplaceOriginals(int threads, bool any_changed) {
  if (any_changed) notes_.log(res::kReplacingOriginals);
  // The files of a group (a unit and its forms) are replaced together or not
  // at all: every member gets its last look before any is replaced, and when
  // one cannot be replaced the members replaced before it are put back.
  // Groups are replaced on their own (on the pool when there is one); what
  // became of each file is then taken in the order of the list.
  Outcomes outcomes(static_cast<size_t>(files_.Count()));
  ReplaceGroups(PendingGroups(), threads, outcomes);
  bool all = true, left_out = false;
  for (int i = 0; i < files_.Count(); ++i) {
    FileOutcome& o = outcomes[static_cast<size_t>(i)];
    if (!o.tried) continue;
    if (o.error) std::rethrow_exception(o.error);
    if (TakeOutcome(i, o)) continue;
    left_out = true;
    if (o.left_out.empty()) all = false;
  }
  // The renames themselves are made durable at once, all of them.
  std::string why;
  if (!disk_.Sync(&why)) {
    notes_.log("Cannot make the replaced originals durable: " + why);
    all = false;
  }
  // The undo file lists only what was replaced: a line for an original left
  // as it is would put an old text over what its user saved since.
  if (left_out && !outcome_.undo_file.empty()) RewriteUndoFile();
  return all;
}

std::vector<std::vector<int>> RunCommit::PendingGroups() {
  std::vector<std::vector<int>> groups;
  std::map<int, size_t> group_at;
  files_.ForEachPending([&](int i, RunFile&) {
    auto [at, added] = group_at.try_emplace(files_.GroupOf(i), groups.size());
    if (added) groups.emplace_back();
    groups[at->second].push_back(i);
  });
  return groups;
}

void RunCommit::ReplaceGroups(const std::vector<std::vector<int>>& groups, int threads,
                              Outcomes& outcomes) {
  std::unique_ptr<WorkerPool> pool;
  if (threads > 1) pool = std::make_unique<WorkerPool>(threads);
  for (const std::vector<int>& members : groups) {
    if (pool) {
      pool->Submit([this, &members, &outcomes](int) { ReplaceGroup(members, outcomes); });
    } else {
      ReplaceGroup(members, outcomes);
      if (outcomes[static_cast<size_t>(members.front())].error) break;
    }
  }
  if (pool) pool->Finish();
}

void RunCommit::ReplaceGroup(const std::vector<int>& members, Outcomes& outcomes) {
  for (int i : members) outcomes[static_cast<size_t>(i)].tried = true;
  try {
    if (!LeaveGroupIfAnyChanged(members, outcomes)) MoveGroup(members, outcomes);
  } catch (...) {
    outcomes[static_cast<size_t>(members.front())].error = std::current_exception();
  }
}

// The last look before the renames: a file saved since it was checked keeps
// what its user saved, and so do its partners; so does a file another
// program holds open in a way that would refuse the rename, found here
// before any member is replaced rather than half way.
bool RunCommit::LeaveGroupIfAnyChanged(const std::vector<int>& members, Outcomes& outcomes) {
  for (int changed : members) {
    const std::string why = LastLook(changed);
    if (why.empty()) continue;
    for (int i : members)
      outcomes[static_cast<size_t>(i)].left_out =
          i == changed ? why : res::Format(res::kPartnerNotMigrated, {paths_[changed]});
    return true;
  }
  return false;
}

std::string RunCommit::LastLook(int i) {
  FileStamp now;
  std::string held, look;
  if (!disk_.Stat(paths_[i], &now, &look)) return LookFailure(look);
  if (!now.Matches(files_[i].read)) return res::kChangedDuringRun;
  if (!disk_.CanReplace(paths_[i], &held)) return res::Format(kHeldOpen, {held});
  return "";
}

// Renames each member's rewritten file over its original; when one cannot
// be, the members renamed before it get their backups back.
void RunCommit::MoveGroup(const std::vector<int>& members, Outcomes& outcomes) {
  for (size_t m = 0; m < members.size(); ++m) {
    const int i = members[m];
    FileOutcome& o = outcomes[static_cast<size_t>(i)];
    o.moved = disk_.MoveFile(files_[i].work_path, paths_[i], &o.why);
    if (o.moved) continue;
    for (size_t before = 0; before < m; ++before) {
      const int j = members[before];
      FileOutcome& moved = outcomes[static_cast<size_t>(j)];
      moved.failed_partner = i;
      std::string again;
      moved.put_back =
          !files_[j].backup.empty() && disk_.CopyFile(files_[j].backup, paths_[j], &again);
    }
    return;
  }
}

bool RunCommit::TakeOutcome(int i, const FileOutcome& o) {
  const std::string& original = paths_[i];
  if (!o.left_out.empty()) {
    notes_.skip(i, o.left_out);
    return false;
  }
  if (o.moved && o.failed_partner < 0) {
    files_[i].replaced = true;
    return true;
  }
  if (o.moved) {
    NotePartnerFailed(i, o);
    return false;
  }
  notes_.log(res::Format(res::kFailedToCopyBack, {original}) + " (" + o.why + ")");
  notes_.not_migrated(original,
                      "cannot replace the original: " + (o.why.empty() ? "copy failed" : o.why));
  return false;
}

// Replaced, but its partner could not be: put back as it was, or, when that
// failed too, still migrated (its undo line stays).
void RunCommit::NotePartnerFailed(int i, const FileOutcome& o) {
  const std::string& partner = paths_[o.failed_partner];
  if (o.put_back) {
    notes_.not_migrated(paths_[i],
                        "put back as it was, because " + partner + " could not be replaced");
    return;
  }
  files_[i].replaced = true;
  notes_.not_migrated(paths_[i], "migrated, but " + partner +
                                     " could not be replaced and this file could not be "
                                     "put back as it was; restore the run to undo it");
}

void RunCommit::RewriteUndoFile() {
  Disk& disk = disk_;
  StringList lines;
  if (created_)
    for (const CreatedFile& c : *created_)
      if (c.made) lines.Add(c.path + "=");
  for (int i = 0; i < files_.Count(); ++i)
    if (!files_[i].backup.empty() && files_[i].replaced)
      lines.Add(paths_[i] + "=" + files_[i].backup);
  // The backups of the files left as they are go only once the undo file no
  // longer lists them: until then restore needs them (it leaves such a file
  // as it is, since it holds its backup's text).
  std::string why;
  if (!disk.WriteFile(outcome_.undo_file, UndoFileText(lines, link_folders_), &why)) {
    notes_.log("Cannot update the undo file " + outcome_.undo_file + ": " + why +
               "; it still lists the files left as they are, and their backups are kept");
    return;
  }
  outcome_.undo_lines = lines;
  for (int i = 0; i < files_.Count(); ++i) {
    RunFile& f = files_[i];
    if (f.backup.empty() || f.replaced) continue;
    disk.DeleteFile(f.backup);
    f.backup.clear();
  }
}

}  // namespace tolvern
