#include "engine/undo_restore.h"

#include <cerrno>
#include <cstring>
#include <set>
#include <unordered_map>

#include "base/errors.h"
#include "base/paths.h"
#include "base/string_list.h"

namespace tolvern {

namespace {

bool IsAbsolute(const std::string& path) {
#ifdef _WIN32
  return (path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/')) ||
         path.rfind("\\\\", 0) == 0;
#else
  return !path.empty() && path[0] == '/';
#endif
}

// Resolves many files of few folders on a disk: each folder is resolved
// once, and only a file that is itself a link is resolved on its own.
class Resolver {
 public:
  explicit Resolver(Disk& disk) : disk_(disk) {}
  std::string operator()(const std::string& path) {
    const std::string name = ExtractFileName(path);
    if (name.empty() || name == "." || name == ".." || disk_.IsLink(path))
      return disk_.Resolve(path);
    auto [at, added] = folders_.try_emplace(ExtractFileDir(path));
    if (added) at->second = PathJoin(disk_.Resolve(at->first), "");
    return at->second + name;
  }

 private:
  Disk& disk_;
  std::unordered_map<std::string, std::string> folders_;
};

bool IsInside(const std::string& path, const std::string& folder) {
  std::string prefix = PathJoin(folder, "");
  return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0;
}

// Whether a path steps up a folder anywhere ("..", between separators).
bool StepsUp(const std::string& path) {
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) continue;
    if (path.compare(start, i - start, "..") == 0 && i - start == 2) return true;
    start = i + 1;
  }
  return false;
}

std::string OrUnknown(const std::string& why) { return why.empty() ? "unknown reason" : why; }

// The names that the restore gives its own files beside an original: the
// restored text before its rename, and the text it replaces until every
// original is back.
constexpr const char* kStagedSuffix = ".tolvern-restore";
constexpr const char* kOldSuffix = ".tolvern-old";

}  // namespace

bool UndoRestore::Restore(const std::string& undo_file_name, bool force) {
  error_.clear();
  changed_.clear();
  notes_.clear();
  lines_.clear();
  restored_ = 0;
  std::string text, why;
  if (!disk_.ReadFile(undo_file_name, &text, &why))
    throw EFOpenError("Cannot open file \"" + undo_file_name + "\". " + why);
  if (!CheckLines(undo_file_name, text)) return false;
  if (lines_.empty()) {
    notes_.push_back(undo_file_name + ": the undo file lists no file; there is nothing to restore");
    return true;
  }
  if (!ReadRecord(undo_file_name) || !Classify()) return false;
  if (!changed_.empty() && !force) {
    std::string names;
    for (const std::string& c : changed_) names += (names.empty() ? "" : ", ") + c;
    error_ = std::to_string(changed_.size()) +
             (changed_.size() == 1 ? " file was" : " files were") +
             " changed after the run that migrated them: " + names +
             "; nothing was restored (restoring anyway keeps each changed text beside its "
             "backup)";
    return false;
  }
  if (!Stage()) return false;
  if (!Swap()) return false;
  CleanUp(false);
  for (const Line& l : lines_) {
    if (!l.restore) continue;
    ++restored_;
    if (l.created) notes_.push_back(l.original + ": removed; the run had created it");
    if (!l.kept.empty())
      notes_.push_back(l.original + " had changed after the run; its text is kept in " + l.kept);
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
  Resolver resolved(disk_);
  std::set<std::string> seen;
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    const std::string original = StringList::NameOf(line);
    const std::string backup = StringList::ValueOf(line);
    auto fail = [&](const std::string& why) {
      error_ = undo_file_name + ", line " + std::to_string(i + 1) + " (\"" + line + "\"): " + why +
               "; nothing was restored";
      return false;
    };
    if (line.find('=') == std::string::npos) return fail("no \"=\" between original and backup");
    // A file the run created has no backup: restore removes it.
    const bool created = backup.empty();
    if (!IsAbsolute(original) || (!created && !IsAbsolute(backup)))
      return fail("a path is not absolute");
    if (StepsUp(original) || StepsUp(backup)) return fail("a path steps up a folder (\"..\")");
    if (!seen.insert(original).second) return fail("the original is listed twice");
    if (created) {
      FileStamp o;
      if (disk_.Stat(original, &o) && (!o.regular || disk_.IsLink(original)))
        return fail("the file " + original + " that the run created is not a regular file now");
      Line l;
      l.original = l.target = original;
      l.created = true;
      lines_.push_back(std::move(l));
      continue;
    }
    FileStamp b;
    if (!disk_.Stat(backup, &b)) return fail("the backup " + backup + " does not exist");
    if (!b.regular) return fail("the backup " + backup + " is not a regular file");
    if (!IsInside(resolved(backup), undo_folder))
      return fail("the backup " + backup + " lies outside the undo file's folder");
    FileStamp o;
    if (disk_.Stat(original, &o) && !o.regular)
      return fail("the original " + original + " is not a regular file");
    Line l;
    l.original = l.target = original;
    l.backup = backup;
    l.link = disk_.IsLink(original);
    lines_.push_back(std::move(l));
  }
  return true;
}

bool UndoRestore::ReadRecord(const std::string& undo_file_name) {
  const std::string path = UndoRecord::PathFor(undo_file_name);
  has_record_ = false;
  FileStamp stamp;
  if (!disk_.Stat(path, &stamp)) {
    for (size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].created) {
        error_ = undo_file_name + ", line " + std::to_string(i + 1) + ": there is no record " +
                 "that the run created " + lines_[i].original + "; nothing was restored";
        return false;
      }
      if (!lines_[i].link) continue;
      error_ = undo_file_name + ", line " + std::to_string(i + 1) + ": the original " +
               lines_[i].original + " is a link, and there is no record that the run found one " +
               "there; nothing was restored";
      return false;
    }
    notes_.push_back(undo_file_name +
                     ": there is no record of what the run wrote (an undo file of an older "
                     "version), so an original edited after the run cannot be told from the "
                     "run's own text; every original listed is put back");
    return true;
  }
  std::string text, why;
  if (!disk_.ReadFile(path, &text, &why)) {
    error_ = "cannot read " + path + ": " + OrUnknown(why) + "; nothing was restored";
    return false;
  }
  if (!record_.Parse(text, &why)) {
    error_ = path + ": " + why + "; nothing was restored";
    return false;
  }
  has_record_ = true;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Line& l = lines_[i];
    auto fail = [&](const std::string& why) {
      error_ = undo_file_name + ", line " + std::to_string(i + 1) + ": " + why +
               "; nothing was restored";
      return false;
    };
    const WrittenText* written = record_.Find(l.original);
    if (!written)
      return fail("the run did not " + std::string(l.created ? "create " : "replace ") +
                  l.original + " (" + path + " does not list it)");
    // A link is written through only where the run found that very link.
    if (!l.link) continue;
    if (written->link_target.empty() || disk_.Resolve(l.original) != written->link_target)
      return fail("the original " + l.original + " is a link that the run did not find there");
    l.target = written->link_target;
    if (disk_.IsLink(l.target))
      return fail("the file behind the link " + l.original + " is a link");
  }
  return true;
}

bool UndoRestore::Classify() {
  for (Line& l : lines_) {
    FileStamp o, b;
    if (l.created) {
      // A created file that is gone needs nothing; one that holds what the
      // run wrote is removed; one edited since is removed only when asked.
      if (!disk_.Stat(l.target, &o)) {
        notes_.push_back(l.original + ": the run created it, and it is gone already");
        continue;
      }
      std::string now, why;
      if (!disk_.ReadFile(l.target, &now, &why)) {
        error_ = "cannot read " + l.target + ": " + OrUnknown(why) + "; nothing was restored";
        return false;
      }
      l.restore = true;
      if (record_.Find(l.original)->Matches(now)) continue;
      l.edited = true;
      changed_.push_back(l.original);
      continue;
    }
    if (!disk_.Stat(l.target, &o)) {
      l.absent = l.restore = true;
      continue;
    }
    auto unchanged = [&] {
      notes_.push_back(l.original + ": left as it is; it holds its backup's text already");
    };
    // A backup made as a hard link that still shares the original's file:
    // the run never replaced it.
    if (disk_.Stat(l.backup, &b) && o.dev == b.dev && o.ino == b.ino) {
      unchanged();
      continue;
    }
    std::string now, backup_text, why;
    if (!disk_.ReadFile(l.target, &now, &why)) {
      error_ = "cannot read " + l.target + ": " + OrUnknown(why) + "; nothing was restored";
      return false;
    }
    if (has_record_ && record_.Find(l.original)->Matches(now)) {
      l.restore = true;
      continue;
    }
    if (!disk_.ReadFile(l.backup, &backup_text, &why)) {
      error_ = "cannot read " + l.backup + ": " + OrUnknown(why) + "; nothing was restored";
      return false;
    }
    if (now == backup_text) {
      unchanged();
      continue;
    }
    l.restore = true;
    if (!has_record_) continue;
    l.edited = true;
    changed_.push_back(l.original);
  }
  return true;
}

bool UndoRestore::Stage() {
  for (Line& l : lines_) {
    if (!l.restore) continue;
    auto fail = [&](const std::string& what, const std::string& why) {
      error_ = "cannot " + what + ": " + OrUnknown(why) + "; nothing was restored";
      CleanUp(true);
      return false;
    };
    std::string text, why;
    bool taken = false;
    if (!l.created) {
      if (!disk_.ReadFile(l.backup, &text, &why)) return fail("read " + l.backup, why);
      const std::string staged = l.target + kStagedSuffix;
      if (!disk_.WriteExclusive(staged, text, &why, &taken))
        return fail("write \"" + staged + "\"", taken ? "a file of that name is in the way" : why);
      l.staged = staged;
    }
    if (l.absent) continue;
    const std::string old = l.target + kOldSuffix;
    if (!disk_.BackupFile(l.target, old, &why, &taken))
      return fail("keep " + l.target + " as " + old,
                  taken ? "a file of that name is in the way" : why);
    l.old = old;
    if (!l.edited) continue;
    // The edited text is kept beside the backup (a created file's in the
    // undo file's folder), under a name of its own.
    const std::string ext = ExtractFileExt(l.original);
    const std::string stem = ExtractFileName(l.original);
    const std::string base = PathJoin(l.created ? undo_folder_ : ExtractFileDir(l.backup),
                                      stem.substr(0, stem.size() - ext.size()) + ".edited");
    for (int n = 1; n < 10000 && l.kept.empty(); ++n) {
      const std::string candidate = base + (n == 1 ? "" : "." + std::to_string(n)) + ext;
      if (disk_.BackupFile(l.target, candidate, &why, &taken)) l.kept = candidate;
      if (!taken) break;
    }
    if (l.kept.empty()) return fail("keep the edited text of " + l.original, why);
  }
  return true;
}

bool UndoRestore::Swap() {
  for (size_t k = 0; k < lines_.size(); ++k) {
    Line& l = lines_[k];
    if (!l.restore) continue;
    std::string why;
    const bool done =
        l.created ? disk_.DeleteFile(l.target, &why) : disk_.MoveFile(l.staged, l.target, &why);
    if (done) continue;
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
      if (ok) continue;
      stuck += "; " + done.original + " could not be put back as it was (" +
               (done.absent ? "delete it" : "its text is in " + done.old) + ")";
      done.old.clear();  // kept for the user
    }
    error_ += stuck.empty() ? "; the files before it were put back as they were; nothing was "
                              "restored"
                            : stuck;
    CleanUp(true);
    return false;
  }
  return true;
}

void UndoRestore::CleanUp(bool undo_kept) {
  for (Line& l : lines_) {
    if (!l.staged.empty()) disk_.DeleteFile(l.staged);
    if (!l.old.empty()) disk_.DeleteFile(l.old);
    if (undo_kept && !l.kept.empty()) disk_.DeleteFile(l.kept);
    l.staged.clear();
    l.old.clear();
    if (undo_kept) l.kept.clear();
  }
}

}  // namespace tolvern
