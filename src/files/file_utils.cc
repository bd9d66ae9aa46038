#include "files/file_utils.h"

#include <cstdio>
#include <random>

#include "files/folder_cache.h"
#include "platform/disk.h"

namespace tolvern {

namespace {

bool IsDelim(char c) {
#ifdef _WIN32
  return c == '\\' || c == ':';
#else
  return c == '/';
#endif
}

// The backslash after a drive letter and colon (Windows) or the leading root
// separator (elsewhere) is not a folder to create.
bool IsRootSeparator(const std::string& path, size_t i) {
#ifdef _WIN32
  return i == 2 && path.size() > 1 && path[1] == ':';
#else
  (void)path;
  return i == 0;
#endif
}

bool IsBareRoot(const std::string& path) {
#ifdef _WIN32
  return path.size() == 3 && path[1] == ':';
#else
  return path == "/";
#endif
}

bool CreateOrExists(const std::string& folder) {
  bool exists = false;
  if (CurrentDisk().CreateDir(folder, &exists)) {
    NoteCreated(folder, true);
    return true;
  }
  return exists;
}

}  // namespace

std::string PathJoin(const std::string& folder, const std::string& name) {
  std::string result = folder;
  if (!result.empty() && result.back() != kPathDelim) result += kPathDelim;
  if (name.empty()) return result;
  if (name.size() >= 2 && name[0] == kPathDelim)
    result.append(name, 1);
  else
    result += name;
  return result;
}

bool ForceFolders(const std::string& path) {
  if (path.empty()) return false;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] != kPathDelim || IsRootSeparator(path, i)) continue;
    if (!CreateOrExists(path.substr(0, i))) return false;
    if (i + 1 == path.size()) return true;
  }
  if (IsBareRoot(path)) return true;
  return CreateOrExists(path);
}

std::string CreateTempFolder(const std::string& prefix, PathLock* lock) {
  Disk& disk = CurrentDisk();
  std::string temp = disk.TempPath();
  if (temp.empty()) return "";
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%08X%04X", random(), random() & 0xFFFF);
    std::string candidate = PathJoin(temp, prefix.substr(0, 3) + suffix);
    bool exists = false;
    if (!disk.CreatePrivateDir(candidate, &exists)) {
      if (exists) continue;  // taken, by anyone: draw another name
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
      RemoveFolder(candidate);
      return "";
    }
    return candidate;
  }
  return "";
}

void RemoveDeadTempFolders(const std::string& prefix) {
  Disk& disk = CurrentDisk();
  std::string temp = disk.TempPath();
  std::vector<DirEntry> entries;
  if (temp.empty() || !disk.List(temp, &entries)) return;
  const std::string head = prefix.substr(0, 3);
  for (const DirEntry& e : entries) {
    if (!e.is_dir || e.name.compare(0, head.size(), head) != 0) continue;
    const std::string folder = PathJoin(temp, e.name);
    const std::string lock_path = PathJoin(folder, kTempLockName);
    if (!disk.FileExists(lock_path) || PathLock::IsHeld(lock_path)) continue;
    // Taken for the removal, so that two runs never clear one folder at once.
    PathLock lock;
    if (!lock.TryLock(lock_path, nullptr, nullptr)) continue;
    RemoveFolder(folder);
  }
}

void ClearFolder(const std::string& folder) {
  if (folder.empty()) return;
  Disk& disk = CurrentDisk();
  std::vector<DirEntry> entries;
  if (!disk.List(folder, &entries)) return;
  for (const DirEntry& e : entries) {
    std::string full = PathJoin(folder, e.name);
    if (e.is_dir) {
      ClearFolder(full);
      if (disk.RemoveDir(full)) NoteRemoved(full);
    } else if (disk.DeleteFile(full)) {
      NoteRemoved(full);
    }
  }
}

bool RemoveFolder(const std::string& folder) {
  if (folder.empty()) return false;
  ClearFolder(folder);
  if (!CurrentDisk().RemoveDir(folder)) return false;
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
  if (!disk.List(source, &entries)) return true;
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

std::string MakeBackupName(const std::string& file_name) {
  std::string ext = ExtractFileExt(file_name);
  if (ext.size() < 2) return ChangeFileExt(file_name, ".~");
  return ChangeFileExt(file_name, ".~" + ext.substr(1));
}

std::string ExtractFilePath(const std::string& path) {
  size_t i = path.size();
  while (i > 0 && !IsDelim(path[i - 1])) --i;
  return path.substr(0, i);
}

std::string ExtractFileDir(const std::string& path) {
  std::string dir = ExtractFilePath(path);
  if (dir.size() > 1 && dir.back() == kPathDelim && !IsBareRoot(dir)) dir.pop_back();
  return dir;
}

std::string ExtractFileName(const std::string& path) {
  return path.substr(ExtractFilePath(path).size());
}

std::string ExtractFileExt(const std::string& path) {
  size_t i = path.size();
  while (i > 0 && !IsDelim(path[i - 1])) {
    if (path[i - 1] == '.') return path.substr(i - 1);
    --i;
  }
  return "";
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  return path.substr(0, path.size() - ExtractFileExt(path).size()) + ext;
}

std::string NativeSeparators(std::string path) {
  for (char& c : path)
    if (c == '\\' || c == '/') c = kPathDelim;
  return path;
}

std::string ExpandPath(const std::string& path, const std::string& base_dir) {
  if (path.empty()) return base_dir;
#ifdef _WIN32
  bool absolute = path[0] == '\\' || (path.size() > 1 && path[1] == ':');
#else
  bool absolute = path[0] == '/';
#endif
  return absolute ? path : PathJoin(base_dir, path);
}

namespace {
std::string FindIgnoringCase(const std::string& path, bool files_only, bool* list_failed) {
  // During a run each folder is listed once and every look-up is a hash
  // look-up; without a cache a missing exact name lists the folder.
  if (FolderCache* cache = CurrentFolderCache()) return cache->Find(path, files_only, list_failed);
  if (list_failed) *list_failed = false;
  Disk& disk = CurrentDisk();
  FileStamp stamp;
  if (files_only ? disk.FileExists(path) : disk.Stat(path, &stamp)) return path;
  std::string dir = ExtractFilePath(path);
  std::string name = ExtractFileName(path);
  std::vector<DirEntry> entries;
  if (name.empty()) return "";
  if (!disk.List(dir.empty() ? "." : dir, &entries)) {
    if (list_failed) *list_failed = true;
    return "";
  }
  for (const DirEntry& e : entries)
    if ((!e.is_dir || !files_only) && SameText(e.name, name)) return dir + e.name;
  return "";
}
}  // namespace

std::string FindFileIgnoringCase(const std::string& path, bool* list_failed) {
  return FindIgnoringCase(path, true, list_failed);
}

std::string FindEntryIgnoringCase(const std::string& path, bool* list_failed) {
  return FindIgnoringCase(path, false, list_failed);
}


}  // namespace tolvern
