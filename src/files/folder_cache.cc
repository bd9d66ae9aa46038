#include "files/folder_cache.h"

#include <algorithm>
#include <atomic>

#include "files/file_utils.h"

namespace tolvern {

namespace {

std::atomic<FolderCache*> g_cache{nullptr};

// The key of the folder that holds path: its folder part with the separator.
std::string FolderKey(const std::string& folder) { return PathJoin(folder, ""); }

}  // namespace

FolderCache::Folder& FolderCache::Get(const std::string& key) {
  auto [at, added] = folders_.try_emplace(key);
  if (!added) return at->second;
  std::vector<DirEntry> entries;
  ++listings_;
  if (!CurrentDisk().List(key.empty() ? "." : key, &entries)) return at->second;
  at->second.listed = true;
  for (const DirEntry& e : entries) Insert(at->second, e.name, e.is_dir);
  return at->second;
}

void FolderCache::Insert(Folder& f, const std::string& name, bool is_dir) {
  if (!f.exact.emplace(name, is_dir).second) return;
  f.folded[UpperCase(name)].push_back({name, is_dir});
}

std::string FolderCache::Find(const std::string& path, bool files_only, bool* list_failed) {
  if (list_failed) *list_failed = false;
  const std::string dir = ExtractFilePath(path);
  const std::string name = ExtractFileName(path);
  auto exists = [&] {
    Disk& disk = CurrentDisk();
    FileStamp stamp;
    return files_only ? disk.FileExists(path) : disk.Stat(path, &stamp);
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

void FolderCache::Seed(const std::string& folder, const std::vector<DirEntry>& entries) {
  std::lock_guard<std::mutex> lock(mutex_);
  Folder& f = folders_[FolderKey(folder)];
  if (f.listed) return;
  f.listed = true;
  for (const DirEntry& e : entries) Insert(f, e.name, e.is_dir);
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

FolderCache* CurrentFolderCache() { return g_cache.load(); }

ScopedFolderCache::ScopedFolderCache(FolderCache* cache) : previous_(g_cache.exchange(cache)) {}

ScopedFolderCache::~ScopedFolderCache() { g_cache.store(previous_); }

void NoteCreated(const std::string& path, bool is_dir) {
  if (FolderCache* c = CurrentFolderCache()) c->Added(path, is_dir);
}

void NoteRemoved(const std::string& path) {
  if (FolderCache* c = CurrentFolderCache()) c->Removed(path);
}

void NoteTreeChanged(const std::string& folder) {
  if (FolderCache* c = CurrentFolderCache()) c->Forget(folder);
}

}  // namespace tolvern
