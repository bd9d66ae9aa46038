#include "engine/own_backups.h"

#include <set>

#include "base/paths.h"
#include "base/string_list.h"
#include "base/system_texts.h"

namespace tolvern {

std::string BackupBaseFor(const TReplaceOptions& options, const std::string& file,
                          const std::string& rel_dir) {
  if (options.Dest == RunSource::kProject)
    return PathJoin(options.BackupDir, ExtractFileName(MakeBackupName(file)));
  return MakeBackupName(PathJoin(PathJoin(options.BackupDir, rel_dir), ExtractFileName(file)));
}

std::string NumberedName(const std::string& base, int n) {
  if (n == 1) return base;
  const std::string ext = ExtractFileExt(base);
  return base.substr(0, base.size() - ext.size()) + "." + std::to_string(n) + ext;
}

bool IsBackupNameOf(const std::string& backup, const std::string& original) {
  const std::string name = ExtractFileName(backup);
  const std::string base = ExtractFileName(MakeBackupName(original));
  if (name == base) return true;
  const std::string ext = ExtractFileExt(base);
  const std::string stem = base.substr(0, base.size() - ext.size()) + ".";
  if (name.size() <= stem.size() + ext.size() || name.compare(0, stem.size(), stem) != 0 ||
      name.compare(name.size() - ext.size(), ext.size(), ext) != 0)
    return false;
  const std::string number = name.substr(stem.size(), name.size() - stem.size() - ext.size());
  return number.find_first_not_of("0123456789") == std::string::npos && number[0] != '0';
}

namespace {

bool SameFile(const FileStamp& a, const FileStamp& b) {
  return a.exists && b.exists && a.dev == b.dev && a.ino == b.ino;
}

// Every backup that an undo file in the backup folder names.
std::set<std::string> ListedBackups(Disk& disk, const std::string& backup_dir) {
  std::set<std::string> listed;
  ForEachUndoFile(disk, backup_dir, [&listed](const std::string&, const std::string& text) {
    StringList lines;
    lines.SetText(text);
    for (int i = 0; i < lines.Count(); ++i) listed.insert(StringList::ValueOf(lines[i]));
  });
  return listed;
}

}  // namespace

void ForEachUndoFile(
    Disk& disk, const std::string& backup_dir,
    const std::function<void(const std::string& undo, const std::string& text)>& visit) {
  if (backup_dir.empty()) return;
  const std::string base = PathJoin(backup_dir, res::kUndoFileName);
  for (int n = 1; n < 10000; ++n) {
    const std::string undo = NumberedName(base, n);
    std::string text, why;
    FileStamp stamp;
    if (!disk.Stat(undo, &stamp)) break;
    if (disk.ReadFile(undo, &text, &why)) visit(undo, text);
  }
}

OwnBackupNames FindOwnBackups(Disk& disk, const TReplaceOptions& options, const std::string& file,
                              const std::string& rel_dir, const FileStamp& read) {
  OwnBackupNames found;
  if (options.BackupDir.empty()) return found;
  const std::string base = BackupBaseFor(options, file, rel_dir);
  std::set<std::string> listed;
  bool listed_read = false;
  for (int n = 1; n < 10000; ++n) {
    const std::string name = NumberedName(base, n);
    FileStamp stamp;
    if (!disk.Stat(name, &stamp)) break;
    if (!SameFile(stamp, read) || disk.IsLink(name)) continue;
    if (!listed_read) {
      listed = ListedBackups(disk, options.BackupDir);
      listed_read = true;
    }
    if (listed.count(name))
      ++found.listed;
    else
      found.stale.push_back(name);
  }
  return found;
}

void RemoveStaleBackups(Disk& disk, const std::vector<std::string>& stale, const FileStamp& read) {
  for (const std::string& name : stale) {
    FileStamp stamp;
    if (disk.Stat(name, &stamp) && SameFile(stamp, read) && !disk.IsLink(name))
      disk.DeleteFile(name);
  }
}

}  // namespace tolvern
