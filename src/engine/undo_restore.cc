#include "engine/undo_restore.h"

#include <cerrno>
#include <cstring>
#include <set>

#include "base/errors.h"
#include "base/paths.h"
#include "base/string_list.h"
#include "engine/own_backups.h"

namespace tolvern {

namespace {

bool IsInside(const std::string& path, const std::string& folder) {
  std::string prefix = PathJoin(folder, "");
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

std::string OrUnknown(const std::string& why) { return why.empty() ? "unknown reason" : why; }

// The names that the restore gives its own files beside an original: the
// restored text before its rename, and the text it replaces until every
// original is back.
constexpr const char* kStagedSuffix = ".tolvern-restore";
constexpr const char* kOldSuffix = ".tolvern-old";

// The n-th name of a file of the restore's own beside target.
std::string OwnName(const std::string& target, const char* suffix, int n) {
  return target + suffix + (n == 1 ? "" : "." + std::to_string(n));
}

}  // namespace

bool UndoRestore::Restore(const std::string& undo_file_name, bool force) {
  error_.clear();
  changed_.clear();
  notes_.clear();
  lines_.clear();
  folders_.clear();
  restored_ = 0;
  unverified_ = false;
  std::string text, why;
  if (!disk_.ReadFile(undo_file_name, &text, &why))
    throw EFOpenError("Cannot open file \"" + undo_file_name + "\". " + why);
  // An undo file reached through a link has its record, and its backups,
  // beside the file the link names.
  const std::string undo_file = disk_.Resolve(undo_file_name);
  undo_file_ = undo_file;
  if (!CheckLines(undo_file, text)) return false;
  if (lines_.empty()) {
    notes_.push_back(undo_file_name + ": the undo file lists no file; there is nothing to restore");
    return true;
  }
  if (!ReadRecord(undo_file) || !Classify()) return false;
  TakeUnverified(undo_file);
  if (!changed_.empty() && !force) {
    std::string names;
    for (const std::string& c : changed_) names += (names.empty() ? "" : ", ") + c;
    error_ = unverified_ ? error_ + names +
                               "; nothing was restored (restoring anyway keeps each "
                               "text it replaces beside its backup)"
                         : std::to_string(changed_.size()) +
                               (changed_.size() == 1 ? " file was" : " files were") +
                               " changed after the run that migrated them: " + names +
                               "; nothing was restored (restoring anyway keeps each changed text "
                               "beside its backup)";
    return false;
  }
  error_.clear();
  // What the restore writes is made durable in two barriers: the restored
  // texts before any takes an original's place, the renames after.
  DeferredSyncs batched(disk_);
  if (!ClearLeftovers() || !Stage()) return false;
  if (!disk_.Sync(&why)) return Fail("make the restored texts durable", why);
  if (!Swap()) return false;
  if (!disk_.Sync(&why))
    notes_.push_back("the restored originals could not be made durable: " + OrUnknown(why));
  CleanUp(false);
  // The run is undone: a later run does not name it as one to restore.
  if (!disk_.WriteFile(UndoRecord::RestoredMarkFor(undo_file), "restored\r\n", &why))
    notes_.push_back(UndoRecord::RestoredMarkFor(undo_file) + ": could not be written (" +
                     OrUnknown(why) + "); a later run may name this undo file as one to restore");
  for (const Line& l : lines_) {
    if (!l.restore) continue;
    ++restored_;
    if (l.created) notes_.push_back(l.original + ": removed; the run had created it");
    if (!l.kept.empty())
      notes_.push_back(l.original +
                       (unverified_ ? ": the text it had before the restore is kept in "
                                    : " had changed after the run; its text is kept in ") +
                       l.kept);
  }
  return true;
}

bool UndoRestore::CheckLines(const std::string& undo_file_name, const std::string& text) {
  StringList lines;
  lines.SetText(text);
  // Each line is read on its own: two originals whose names differ only in
  // letter case keep their own backups.
  const std::string undo_folder = disk_.Resolve(ExtractFileDir(undo_file_name));
  undo_folder_ = ExtractFileDir(undo_file_name);
  std::set<std::string> seen;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    if (line.starts_with(kUndoFolderPrefix)) {
      folders_.push_back(line.substr(kUndoFolderPrefix.size()));
      continue;
    }
    Line l;
    l.number = i + 1;
    std::string why;
    if (!CheckLine(line, undo_folder, &l, &why) ||
        (!seen.insert(l.original).second && (why = "the original is listed twice", true))) {
      error_ = undo_file_name + ", line " + std::to_string(i + 1) + " (\"" + line + "\"): " + why +
               "; nothing was restored";
      return false;
    }
    lines_.push_back(std::move(l));
  }
  for (const Line& l : lines_) {
    if (InRunFolders(l.original)) continue;
    error_ = undo_file_name + ", line " + std::to_string(l.number) + ": " + l.original +
             " lies outside the folders the run wrote in; nothing was restored";
    return false;
  }
  return true;
}

bool UndoRestore::InRunFolders(const std::string& path) const {
  if (folders_.empty()) return true;  // an older undo file: checked by the record, or forced
  const std::string folder = ExtractFileDir(path);
  for (const std::string& f : folders_)
    if (f == folder) return true;
  return false;
}

bool UndoRestore::CheckLine(const std::string& line, const std::string& undo_folder, Line* l,
                            std::string* why) {
  auto fail = [why](const std::string& reason) {
    *why = reason;
    return false;
  };
  if (line.find('=') == std::string::npos) return fail("no \"=\" between original and backup");
  const std::string original = StringList::NameOf(line);
  const std::string backup = StringList::ValueOf(line);
  // A file the run created has no backup: restore removes it.
  l->created = backup.empty();
  l->original = l->target = original;
  if (!IsAbsolutePath(original) || (!l->created && !IsAbsolutePath(backup)))
    return fail("a path is not absolute");
  if (StepsUpAFolder(original) || StepsUpAFolder(backup))
    return fail("a path steps up a folder (\"..\")");
  FileStamp o;
  std::string look;
  const bool exists = disk_.Stat(original, &o, &look);
  if (!exists && !look.empty()) return fail("cannot look at " + original + ": " + look);
  if (l->created) {
    if (exists && (!o.regular || disk_.IsLink(original)))
      return fail("the file " + original + " that the run created is not a regular file now");
    return true;
  }
  if (!IsBackupNameOf(backup, original))
    return fail("the backup " + backup + " is not named as the run names the backup of " +
                ExtractFileName(original));
  FileStamp b;
  if (!disk_.Stat(backup, &b, &look))
    return fail(look.empty() ? "the backup " + backup + " does not exist"
                             : "cannot look at the backup " + backup + ": " + look);
  if (!b.regular) return fail("the backup " + backup + " is not a regular file");
  if (!IsInside(disk_.Resolve(backup), undo_folder))
    return fail("the backup " + backup + " lies outside the undo file's folder");
  if (exists && !o.regular) return fail("the original " + original + " is not a regular file");
  l->backup = backup;
  l->link = disk_.IsLink(original);
  return true;
}

bool UndoRestore::ReadRecord(const std::string& undo_file_name) {
  const std::string path = UndoRecord::PathFor(undo_file_name);
  has_record_ = false;
  FileStamp stamp;
  std::string why;
  if (!disk_.Stat(path, &stamp, &why)) {
    if (!why.empty()) {
      error_ = "cannot look at " + path + ": " + why + "; nothing was restored";
      return false;
    }
    for (const Line& l : lines_) {
      if (!l.created && !l.link) continue;
      error_ = undo_file_name + ", line " + std::to_string(l.number) + ": " +
               (l.created ? "there is no record that the run created " + l.original
                          : "the original " + l.original +
                                " is a link, and there is no record that the run found one there") +
               "; nothing was restored";
      return false;
    }
    return true;
  }
  std::string text;
  if (!disk_.ReadFile(path, &text, &why)) {
    error_ = "cannot read " + path + ": " + OrUnknown(why) + "; nothing was restored";
    return false;
  }
  if (!record_.Parse(text, &why)) {
    error_ = path + ": " + why + "; nothing was restored";
    return false;
  }
  has_record_ = true;
  return CheckAgainstRecord(path);
}

bool UndoRestore::CheckAgainstRecord(const std::string& path) {
  for (Line& l : lines_) {
    auto fail = [&](const std::string& why) {
      error_ =
          undo_file_ + ", line " + std::to_string(l.number) + ": " + why + "; nothing was restored";
      return false;
    };
    const WrittenText* written = record_.Find(l.original);
    if (!written)
      return fail("the run did not " + std::string(l.created ? "create " : "replace ") +
                  l.original + " (" + path + " does not list it)");
    // A line cut short reads as a created file: only a record that says
    // the run created it lets restore remove it.
    if (l.created && !written->created)
      return fail(path + " does not say that the run created " + l.original);
    if (!l.created && written->created)
      return fail(path + " says that the run created " + l.original + ", not that it replaced it");
    // A link is written through only where the run found that very link.
    if (!l.link) continue;
    if (written->link_target.empty() || disk_.Resolve(l.original) != written->link_target)
      return fail("the original " + l.original + " is a link that the run did not find there");
    l.target = written->link_target;
    if (disk_.IsLink(l.target))
      return fail("the file behind the link " + l.original + " is a link");
    if (!folders_.empty() && !InRunFolders(l.target))
      return fail("the file behind the link " + l.original +
                  " lies outside the folders the run wrote in");
  }
  return true;
}
bool UndoRestore::Classify() {
  for (Line& l : lines_)
    if (!ClassifyOne(l)) return false;
  return true;
}

bool UndoRestore::ClassifyOne(Line& l) {
  FileStamp o, b;
  std::string now, backup_text, why;
  auto cannot = [&](const std::string& what, const std::string& reason) {
    error_ = "cannot " + what + ": " + OrUnknown(reason) + "; nothing was restored";
    return false;
  };
  // A file that cannot be looked at is a failure, never taken for absent.
  if (!disk_.Stat(l.target, &o, &why)) {
    if (!why.empty()) return cannot("look at " + l.target, why);
    if (l.created)
      notes_.push_back(l.original + ": the run created it, and it is gone already");
    else
      l.absent = l.restore = true;
    return true;
  }
  if (l.created) {
    // One that holds what the run wrote is removed; one edited since is
    // removed only when asked.
    if (!disk_.ReadFile(l.target, &now, &why)) return cannot("read " + l.target, why);
    l.restore = true;
    const WrittenText* written = has_record_ ? record_.Find(l.original) : nullptr;
    if (written && written->Matches(now)) return true;
    l.edited = true;
    changed_.push_back(l.original);
    return true;
  }
  auto unchanged = [&] {
    notes_.push_back(l.original + ": left as it is; it holds its backup's text already");
    return true;
  };
  // A backup made as a hard link that still shares the original's file:
  // the run never replaced it.
  if (!disk_.Stat(l.backup, &b, &why)) return cannot("look at " + l.backup, why);
  if (o.dev == b.dev && o.ino == b.ino) return unchanged();
  if (!disk_.ReadFile(l.backup, &backup_text, &why)) return cannot("read " + l.backup, why);
  const WrittenText* written = has_record_ ? record_.Find(l.original) : nullptr;
  // A backup that does not hold what the run backed up (swapped for another
  // file's) would put a wrong text back.
  if (written && written->backup.Known() && !written->backup.Matches(backup_text)) {
    error_ = undo_file_ + ", line " + std::to_string(l.number) + ": the backup " + l.backup +
             " does not hold the text the run backed up of " + l.original +
             "; nothing was restored";
    return false;
  }
  if (!disk_.ReadFile(l.target, &now, &why)) return cannot("read " + l.target, why);
  if (now == backup_text) return unchanged();
  l.restore = true;
  if (written && written->Matches(now)) return true;
  if (!has_record_) return true;  // counted with the unverified files
  l.edited = true;
  changed_.push_back(l.original);
  return true;
}

void UndoRestore::TakeUnverified(const std::string& undo_file_name) {
  const bool no_record = !has_record_;
  const bool no_folders = folders_.empty();
  if (!no_record && !no_folders && record_.Complete()) return;
  unverified_ = true;
  for (Line& l : lines_) {
    if (!l.restore || l.absent) continue;
    if (!l.edited) changed_.push_back(l.original);
    l.edited = true;  // its text is kept when it is replaced
  }
  error_ = undo_file_name + ": " +
           (no_record ? "there is no record of what the run wrote beside it (" +
                            UndoRecord::PathFor(undo_file_name) + ")"
                      : "it is of an older version, which does not name the folders its run "
                        "wrote in and what it backed up") +
           ", so restore cannot tell the run's own files from others; restoring would write: ";
  if (changed_.empty()) {
    // Nothing of the user's would be overwritten: only absent originals
    // come back.
    unverified_ = false;
    error_.clear();
    notes_.push_back(undo_file_name +
                     ": there is no record of what the run wrote; only originals that are gone "
                     "are put back");
  }
}

bool UndoRestore::ClearLeftovers() {
  for (const Line& l : lines_) {
    for (int n = 1; n < 100; ++n) {
      FileStamp st;
      std::string why;
      bool any = false;
      for (const bool staged : {true, false}) {
        const std::string path = OwnName(l.target, staged ? kStagedSuffix : kOldSuffix, n);
        if (!disk_.Stat(path, &st, &why)) {
          if (!why.empty()) return Fail("look at " + path, why);
          continue;
        }
        any = true;
        if (!ClearLeftover(l, path, staged)) return false;
      }
      if (!any) break;
    }
  }
  return true;
}

// A file a stopped restore left: its restored text (the backup's) or the
// text it replaced (the run's, or the backup's where the rename was done).
// Such a file is removed: the same text is in the backup, or the record
// knows it as the run's own. Anything else is left, and named.
bool UndoRestore::ClearLeftover(const Line& l, const std::string& path, bool staged) {
  std::string text, backup_text, why;
  if (!disk_.ReadFile(path, &text, &why)) return Fail("read " + path, why);
  bool own = false;
  if (!l.backup.empty() && disk_.ReadFile(l.backup, &backup_text, &why)) own = text == backup_text;
  const WrittenText* written = has_record_ ? record_.Find(l.original) : nullptr;
  if (!own && !staged && written) own = written->Matches(text);
  if (own) {
    if (!disk_.DeleteFile(path, &why)) return Fail("remove " + path, why);
    notes_.push_back(path + ": left by a restore that was stopped; removed");
    return true;
  }
  notes_.push_back(path +
                   ": a file of this name stands beside the original and holds neither its "
                   "backup's text nor the run's; it is left as it is (delete it if you do not "
                   "need it)");
  return true;
}

bool UndoRestore::Fail(const std::string& what, const std::string& why) {
  error_ = "cannot " + what + ": " + OrUnknown(why) + "; nothing was restored";
  CleanUp(true);
  return false;
}

bool UndoRestore::Stage() {
  for (Line& l : lines_)
    if (l.restore && !StageOne(l)) return false;
  return true;
}

bool UndoRestore::StageOne(Line& l) {
  std::string text, why;
  bool taken = false;
  if (!l.created) {
    if (!disk_.ReadFile(l.backup, &text, &why)) return Fail("read " + l.backup, why);
    // A name still taken after the leftovers were cleared is someone
    // else's: the next number is used.
    for (int n = 1; n < 100 && l.staged.empty(); ++n) {
      const std::string staged = OwnName(l.target, kStagedSuffix, n);
      if (disk_.WriteExclusive(staged, text, &why, &taken)) l.staged = staged;
      if (!taken) break;
    }
    if (l.staged.empty())
      return Fail("write \"" + l.target + kStagedSuffix + "\"",
                  taken ? "a file of that name is in the way" : why);
  }
  if (l.absent) return true;
  for (int n = 1; n < 100 && l.old.empty(); ++n) {
    const std::string old = OwnName(l.target, kOldSuffix, n);
    if (disk_.BackupFile(l.target, old, &why, &taken)) l.old = old;
    if (!taken) break;
  }
  if (l.old.empty())
    return Fail("keep " + l.target + " as " + l.target + kOldSuffix,
                taken ? "a file of that name is in the way" : why);
  if (!l.edited) return true;
  // The edited text is kept beside the backup (a created file's in the
  // undo file's folder), under a name of its own.
  const std::string ext = ExtractFileExt(l.original);
  const std::string stem = ExtractFileName(l.original);
  const std::string base =
      PathJoin(l.created || l.backup.empty() ? undo_folder_ : ExtractFileDir(l.backup),
               stem.substr(0, stem.size() - ext.size()) + ".edited");
  for (int n = 1; n < 10000 && l.kept.empty(); ++n) {
    const std::string candidate = base + (n == 1 ? "" : "." + std::to_string(n)) + ext;
    if (disk_.BackupFile(l.target, candidate, &why, &taken)) l.kept = candidate;
    if (!taken) break;
  }
  if (l.kept.empty()) return Fail("keep the edited text of " + l.original, why);
  return true;
}

bool UndoRestore::Swap() {
  for (size_t k = 0; k < lines_.size(); ++k) {
    Line& l = lines_[k];
    if (!l.restore) continue;
    std::string why;
    const bool done =
        l.created ? disk_.DeleteFile(l.target, &why) : disk_.MoveFile(l.staged, l.target, &why);
    if (done) {
      l.staged.clear();  // it is the original now
      continue;
    }
    error_ = "cannot " + std::string(l.created ? "remove " : "put back ") + l.original + ": " +
             OrUnknown(why);
    // Every original put back before it gets the text it had again.
    std::string stuck;
    for (size_t j = 0; j < k; ++j) {
      Line& done = lines_[j];
      if (!done.restore) continue;
      std::string again;
      const bool ok = done.absent ? disk_.DeleteFile(done.target)
                                  : disk_.MoveFile(done.old, done.target, &again);
      if (ok) {
        if (!done.absent) done.old.clear();  // it is the original again
        continue;
      }
      stuck += "; " + done.original + " could not be put back as it was (" +
               (done.absent ? "delete it" : "its text is in " + done.old) + ")";
      done.old.clear();  // kept for the user
    }
    error_ += stuck.empty() ? "; the files before it were put back as they were; nothing was "
                              "restored"
                            : stuck;
    disk_.Sync(&why);
    CleanUp(true);
    return false;
  }
  return true;
}

void UndoRestore::CleanUp(bool undo_kept) {
  for (Line& l : lines_) {
    std::string why;
    for (std::string* own : {&l.staged, &l.old}) {
      // One that cannot be removed is named; the next restore knows it.
      FileStamp gone;
      if (!own->empty() && !disk_.DeleteFile(*own, &why) && disk_.Stat(*own, &gone))
        notes_.push_back(*own + ": could not be removed (" + OrUnknown(why) +
                         "); it holds a text of the restore's own, and the next restore removes "
                         "it");
      own->clear();
    }
    if (undo_kept && !l.kept.empty()) disk_.DeleteFile(l.kept);
    if (undo_kept) l.kept.clear();
  }
}

}  // namespace tolvern
