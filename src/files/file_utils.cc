#include "files/file_utils.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/disk.h"

namespace tolvern {

bool ForceFolders(Disk& disk, const std::string& path, std::string* error) {
  return CreateFolderPath(disk, path, error);
}

namespace {

// Creates the work folder below temp: a new private folder of an
// unpredictable name, locked. "" on failure, with the reason in *error.
std::string CreateWorkFolderIn(Disk& disk, const std::string& temp, const std::string& prefix,
                               std::unique_ptr<DiskLock>* lock, std::string* error) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%08X%04X", random(), random() & 0xFFFF);
    std::string candidate = PathJoin(temp, prefix.substr(0, 3) + suffix);
    bool exists = false;
    std::string why_not;
    if (!disk.CreatePrivateDir(candidate, &exists, &why_not)) {
      if (exists) continue;  // taken: draw another name
      if (error) *error = "\"" + candidate + "\": " + why_not;
      return "";
    }
    // The lock file appears under its name only once it is locked, so that
    // no one takes the new folder for one left behind.
    const std::string lock_path = PathJoin(candidate, kTempLockName);
    *lock = disk.TryLock(lock_path + ".new", nullptr, nullptr);
    if (*lock && !(*lock)->Rename(lock_path)) {
      lock->reset();
      *lock = disk.TryLock(lock_path, nullptr, nullptr);
    }
    if (!*lock) {
      const int failure = errno;
      RemoveFolder(disk, candidate);
      if (error) *error = "\"" + lock_path + "\": " + std::strerror(failure);
      errno = failure;
      return "";
    }
    return candidate;
  }
  if (error) *error = "\"" + temp + "\": no free name for a work folder";
  return "";
}

}  // namespace

std::string CreateTempFolder(Disk& disk, const std::string& prefix, std::unique_ptr<DiskLock>* lock,
                             std::string* error) {
  std::string why;
  const std::string temp = disk.PrivateTempPath(&why);
  if (temp.empty()) {
    if (error) *error = why;
    errno = EACCES;
    return "";
  }
  return CreateWorkFolderIn(disk, temp, prefix, lock, error);
}

std::string CreateRunFolder(Disk& disk, const std::string& prefix, std::unique_ptr<DiskLock>* lock,
                            std::string* error) {
  std::string why;
  if (!disk.PrivateTempPath(&why).empty()) return CreateTempFolder(disk, prefix, lock, error);
  // What stands under the private folder's name is never used. The work
  // folder, private itself and of a name no one could foresee, is made in
  // the temporary folder instead, where dead ones are looked for too. When
  // that fails as well, the private folder's reason is the one told.
  const std::string made = CreateWorkFolderIn(disk, disk.TempPath(), prefix, lock, nullptr);
  if (made.empty()) {
    if (error) *error = why;
    errno = EACCES;
  }
  return made;
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
    if (!disk.FileExists(lock_path) || disk.IsLockHeld(lock_path)) continue;
    // Taken for the removal, so that two runs never clear one folder at once.
    std::unique_ptr<DiskLock> lock = disk.TryLock(lock_path, nullptr, nullptr);
    if (!lock) continue;
#ifdef _WIN32
    lock.reset();  // Windows deletes no file that is held open
#endif
    RemoveFolder(disk, folder);
  }
}
}  // namespace

void RemoveDeadTempFolders(Disk& disk, const std::string& prefix) {
  std::string why;
  const std::string parent = disk.PrivateTempPath(&why);
  if (!parent.empty()) RemoveDeadFoldersIn(disk, parent, prefix);
  // Work folders that earlier versions made in the temporary folder itself.
  RemoveDeadFoldersIn(disk, disk.TempPath(), prefix);
}

void ClearFolder(Disk& disk, const std::string& folder) {
  if (folder.empty()) return;
  disk.RemoveTree(folder, nullptr, true);
}

bool RemoveFolder(Disk& disk, const std::string& folder) {
  if (folder.empty()) return false;
  return disk.RemoveTree(folder, nullptr);
}

namespace {
bool WalkCopy(Disk& disk, const std::string& source, const std::string& target,
              std::vector<std::string>* failures, bool move);
}  // namespace

bool CopyFolder(Disk& disk, const std::string& source, const std::string& target,
                std::vector<std::string>* failures) {
  return WalkCopy(disk, source, target, failures, false);
}

bool MoveFolderFiles(Disk& disk, const std::string& source, const std::string& target,
                     std::vector<std::string>* failures) {
  return WalkCopy(disk, source, target, failures, true);
}

namespace {
bool WalkCopy(Disk& disk, const std::string& source, const std::string& target,
              std::vector<std::string>* failures, bool move) {
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
      if (ok) WalkCopy(disk, s, t, failures, move);
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

std::string FindFileIgnoringCase(Disk& disk, const std::string& path, bool* list_failed) {
  return disk.FindIgnoringCase(path, true, list_failed);
}

std::string FindEntryIgnoringCase(Disk& disk, const std::string& path, bool* list_failed) {
  return disk.FindIgnoringCase(path, false, list_failed);
}

}  // namespace tolvern
