#include "files/file_utils.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "files/folder_cache.h"
#include "platform/disk.h"
#include "platform/windows_api.h"

namespace tolvern {

bool ForceFolders(const std::string& path) {
  return CreateFolderPath(CurrentDisk(), path, [](const std::string& f) { NoteCreated(f, true); });
}

std::string CreateTempFolder(const std::string& prefix, PathLock* lock, std::string* error) {
  Disk& disk = CurrentDisk();
  std::string why;
  const std::string temp = disk.PrivateTempPath(&why);
  if (temp.empty()) {
    if (error) *error = why;
    errno = EACCES;
    return "";
  }
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%08X%04X", random(), random() & 0xFFFF);
    std::string candidate = PathJoin(temp, prefix.substr(0, 3) + suffix);
    bool exists = false;
    if (!disk.CreatePrivateDir(candidate, &exists)) {
      if (exists) continue;  // taken: draw another name
      if (error) *error = "\"" + candidate + "\": " + std::strerror(errno);
      return "";
    }
    // The lock file appears under its name only once it is locked, so that
    // no one takes the new folder for one left behind.
    const std::string lock_path = PathJoin(candidate, kTempLockName);
    bool locked = lock->TryLock(lock_path + ".new", nullptr, nullptr);
    if (locked && !lock->Rename(lock_path)) {
      lock->Release();
      locked = lock->TryLock(lock_path, nullptr, nullptr);
    }
    if (!locked) {
      const int failure = errno;
      RemoveFolder(candidate);
      if (error) *error = "\"" + lock_path + "\": " + std::strerror(failure);
      errno = failure;
      return "";
    }
    return candidate;
  }
  if (error) *error = "\"" + temp + "\": no free name for a work folder";
  return "";
}

namespace {
// Removes the dead work folders in one folder.
void RemoveDeadFoldersIn(Disk& disk, const std::string& temp, const std::string& prefix) {
  if (temp.empty()) return;
  std::vector<DirEntry> entries;
  // A listing that fails part way leaves the rest for a later run.
  disk.List(temp, &entries);
  const std::string head = prefix.substr(0, 3);
  for (const DirEntry& e : entries) {
    if (!e.is_dir || e.name.compare(0, head.size(), head) != 0) continue;
    const std::string folder = PathJoin(temp, e.name);
    // Only a folder of the user's own: anyone may plant one of that name in
    // a shared temporary folder, and its lock file proves nothing then.
    if (!disk.IsOwnFolder(folder)) continue;
    const std::string lock_path = PathJoin(folder, kTempLockName);
    if (!disk.FileExists(lock_path) || PathLock::IsHeld(lock_path)) continue;
    // Taken for the removal, so that two runs never clear one folder at once.
    PathLock lock;
    if (!lock.TryLock(lock_path, nullptr, nullptr)) continue;
#ifdef _WIN32
    lock.Release();  // Windows deletes no file that is held open
#endif
    RemoveFolder(folder);
  }
}
}  // namespace

void RemoveDeadTempFolders(const std::string& prefix) {
  Disk& disk = CurrentDisk();
  std::string why;
  const std::string parent = disk.PrivateTempPath(&why);
  if (!parent.empty()) RemoveDeadFoldersIn(disk, parent, prefix);
  // Work folders that earlier versions made in the temporary folder itself.
  RemoveDeadFoldersIn(disk, disk.TempPath(), prefix);
}

void ClearFolder(const std::string& folder) {
  if (folder.empty()) return;
  NoteTreeChanged(folder);
  CurrentDisk().RemoveTree(folder, nullptr, true);
}

bool RemoveFolder(const std::string& folder) {
  if (folder.empty()) return false;
  NoteTreeChanged(folder);
  if (!CurrentDisk().RemoveTree(folder, nullptr)) return false;
  NoteRemoved(folder);
  return true;
}

namespace {
bool WalkCopy(const std::string& source, const std::string& target,
              std::vector<std::string>* failures, bool move);
}  // namespace

bool CopyFolder(const std::string& source, const std::string& target,
                std::vector<std::string>* failures) {
  return WalkCopy(source, target, failures, false);
}

bool MoveFolderFiles(const std::string& source, const std::string& target,
                     std::vector<std::string>* failures) {
  return WalkCopy(source, target, failures, true);
}

namespace {
bool WalkCopy(const std::string& source, const std::string& target,
              std::vector<std::string>* failures, bool move) {
  Disk& disk = CurrentDisk();
  std::vector<DirEntry> entries;
  if (!disk.List(source, &entries)) {
    // A folder that cannot be listed, or only part way, is not copied whole.
    if (failures && disk.DirExists(source)) failures->push_back(target);
    return true;
  }
  for (const DirEntry& e : entries) {
    std::string s = PathJoin(source, e.name);
    std::string t = PathJoin(target, e.name);
    bool ok = true;
    if (e.is_dir) {
      ok = disk.DirExists(t) || disk.CreateDir(t, nullptr);
      if (ok) WalkCopy(s, t, failures, move);
    } else {
      ok = move ? disk.MoveFile(s, t) : disk.CopyFile(s, t);
    }
    if (ok) continue;
    if (!failures) break;
    failures->push_back(t);
  }
  return true;
}
}  // namespace

namespace {
std::string FindIgnoringCase(const std::string& path, bool files_only, bool* list_failed) {
  // During a run each folder is listed once and every look-up is a hash
  // look-up; without a cache a missing exact name lists the folder.
  if (FolderCache* cache = CurrentFolderCache()) return cache->Find(path, files_only, list_failed);
  if (list_failed) *list_failed = false;
  Disk& disk = CurrentDisk();
  FileStamp stamp;
  const bool exists = files_only ? disk.FileExists(path) : disk.Stat(path, &stamp);
#ifdef _WIN32
  // The system finds the entry whatever the letter case of its name; the
  // name as it is on disk is the one used (for the backup's name too). Where
  // the system does not tell it, the listing below does.
  if (exists) {
    std::string on_disk = NameOnDisk(path);
    if (!on_disk.empty()) return ExtractFilePath(path) + on_disk;
  }
#else
  if (exists) return path;
#endif
  std::string dir = ExtractFilePath(path);
  std::string name = ExtractFileName(path);
  std::vector<DirEntry> entries;
  if (name.empty()) return exists ? path : "";
  if (!disk.List(dir.empty() ? "." : dir, &entries)) {
    if (exists) return path;
    if (list_failed) *list_failed = true;
    return "";
  }
  for (const DirEntry& e : entries)
    if ((!e.is_dir || !files_only) && SameText(e.name, name)) return dir + e.name;
  return exists ? path : "";
}
}  // namespace

std::string FindFileIgnoringCase(const std::string& path, bool* list_failed) {
  return FindIgnoringCase(path, true, list_failed);
}

std::string FindEntryIgnoringCase(const std::string& path, bool* list_failed) {
  return FindIgnoringCase(path, false, list_failed);
}

}  // namespace tolvern
