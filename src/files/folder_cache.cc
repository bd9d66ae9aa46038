#include "files/folder_cache.h"

#include <algorithm>

#include "files/file_utils.h"

namespace tolvern {

namespace {

// The key of the folder that holds path: its folder part with the separator.
std::string FolderKey(const std::string& folder) { return PathJoin(folder, ""); }

}  // namespace

FolderCache::Folder& FolderCache::Get(const std::string& key) {
  auto [at, added] = folders_.try_emplace(key);
  if (!added) return at->second;
  std::vector<DirEntry> entries;
  ++listings_;
  if (!disk_.List(key.empty() ? "." : key, &entries)) return at->second;
  at->second.listed = true;
  for (const DirEntry& e : entries) Insert(at->second, e.name, e.is_dir);
  return at->second;
}

void FolderCache::Insert(Folder& f, const std::string& name, bool is_dir) {
  if (!f.exact.emplace(name, is_dir).second) return;
  f.folded[UpperCase(name)].push_back({name, is_dir});
}

std::string FolderCache::FindIgnoringCase(const std::string& path, bool files_only,
                                          bool* list_failed) {
  if (list_failed) *list_failed = false;
  const std::string dir = ExtractFilePath(path);
  const std::string name = ExtractFileName(path);
  auto exists = [&] {
    FileStamp stamp;
    return files_only ? disk_.FileExists(path) : disk_.Stat(path, &stamp);
  };
  if (name.empty()) return exists() ? path : "";
  std::unique_lock<std::mutex> lock(mutex_);
  Folder& f = Get(dir);
  if (!f.listed) {
    lock.unlock();
    // As without a cache: the exact name may still be there.
    if (exists()) return path;
    if (list_failed) *list_failed = true;
    return "";
  }
  auto exact = f.exact.find(name);
  if (exact != f.exact.end() && (!files_only || !exact->second)) return path;
  auto folded = f.folded.find(UpperCase(name));
  if (folded == f.folded.end()) return "";
  for (const Entry& e : folded->second)
    if (!files_only || !e.is_dir) return dir + e.name;
  return "";
}

bool FolderCache::List(const std::string& folder, std::vector<DirEntry>* entries,
                       std::string* error) {
  if (!disk_.List(folder, entries, error)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  Folder& f = folders_[FolderKey(folder)];
  if (f.listed) return true;
  f.listed = true;
  for (const DirEntry& e : *entries) Insert(f, e.name, e.is_dir);
  return true;
}

void FolderCache::Added(const std::string& path, bool is_dir) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto at = folders_.find(ExtractFilePath(path));
  if (at != folders_.end() && at->second.listed) Insert(at->second, ExtractFileName(path), is_dir);
}

void FolderCache::Removed(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto at = folders_.find(ExtractFilePath(path));
  if (at == folders_.end()) return;
  const std::string name = ExtractFileName(path);
  Folder& f = at->second;
  if (f.exact.erase(name) == 0) return;
  auto folded = f.folded.find(UpperCase(name));
  if (folded == f.folded.end()) return;
  auto& list = folded->second;
  list.erase(
      std::remove_if(list.begin(), list.end(), [&](const Entry& e) { return e.name == name; }),
      list.end());
  if (list.empty()) f.folded.erase(folded);
}

void FolderCache::Forget(const std::string& folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::string key = FolderKey(folder);
  std::erase_if(folders_,
                [&key](const auto& f) { return f.first.compare(0, key.size(), key) == 0; });
}

int FolderCache::Listings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return listings_;
}

bool FolderCache::CreateDir(const std::string& path, bool* already_exists, std::string* error) {
  if (!disk_.CreateDir(path, already_exists, error)) return false;
  Added(path, true);
  return true;
}

bool FolderCache::CreatePrivateDir(const std::string& path, bool* already_exists,
                                   std::string* error) {
  if (!disk_.CreatePrivateDir(path, already_exists, error)) return false;
  Added(path, true);
  return true;
}

bool FolderCache::RemoveDir(const std::string& path) {
  if (!disk_.RemoveDir(path)) return false;
  Forget(path);
  Removed(path);
  return true;
}

bool FolderCache::DeleteFile(const std::string& path, std::string* error) {
  if (!disk_.DeleteFile(path, error)) return false;
  Removed(path);
  return true;
}

bool FolderCache::CopyFile(const std::string& from, const std::string& to, std::string* error) {
  if (!disk_.CopyFile(from, to, error)) return false;
  Added(to, false);
  return true;
}

bool FolderCache::WriteFile(const std::string& path, std::string_view data, std::string* error) {
  if (!disk_.WriteFile(path, data, error)) return false;
  Added(path, false);
  return true;
}

bool FolderCache::WriteNewFile(const std::string& path, std::string_view data, std::string* error) {
  if (!disk_.WriteNewFile(path, data, error)) return false;
  Added(path, false);
  return true;
}

bool FolderCache::WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                                 bool* already_exists) {
  if (!disk_.WriteExclusive(path, data, error, already_exists)) return false;
  Added(path, false);
  return true;
}

bool FolderCache::BackupFile(const std::string& from, const std::string& to, std::string* error,
                             bool* already_exists) {
  if (!disk_.BackupFile(from, to, error, already_exists)) return false;
  Added(to, false);
  return true;
}

bool FolderCache::MoveFile(const std::string& from, const std::string& to, std::string* error) {
  if (!disk_.MoveFile(from, to, error)) return false;
  Removed(from);
  Added(to, false);
  return true;
}

bool FolderCache::RemoveTree(const std::string& path, std::string* error, bool keep_folder) {
  // Whatever stays of a tree that could not be removed whole is listed anew.
  Forget(path);
  if (!disk_.RemoveTree(path, error, keep_folder)) return false;
  if (!keep_folder) Removed(path);
  return true;
}

std::unique_ptr<DiskLock> FolderCache::TryLock(const std::string& path, std::string* error,
                                               bool* held_elsewhere) {
  // The lock file is created when it is not there; a lock renamed later is
  // a file of the run's own work folder, which nobody looks up by name.
  std::unique_ptr<DiskLock> lock = disk_.TryLock(path, error, held_elsewhere);
  if (lock) Added(path, false);
  return lock;
}

std::unique_ptr<AppendFile> FolderCache::OpenAppend(const std::string& path, std::string* error) {
  std::unique_ptr<AppendFile> file = disk_.OpenAppend(path, error);
  if (file) Added(path, false);
  return file;
}

}  // namespace tolvern
