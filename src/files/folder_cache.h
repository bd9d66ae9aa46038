// The names in the folders a run looks in, each folder listed once per run
// and kept current as the run creates and deletes files, so that finding a
// name ignoring letter case is a hash lookup however many files a folder
// holds. Safe to use from several threads.
#pragma once

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/disk.h"

namespace tolvern {

class FolderCache {
 public:
  // What FindFileIgnoringCase (files_only) and FindEntryIgnoringCase answer,
  // from the listing of path's folder. A folder that cannot be listed is
  // asked about the exact name only, and *list_failed is set when that
  // name is not there.
  std::string Find(const std::string& path, bool files_only, bool* list_failed);

  // Takes a listing made elsewhere (the run's folder walk) as the folder's.
  void Seed(const std::string& folder, const std::vector<DirEntry>& entries);
  // Keeps a listed folder current: a name created in it, or removed.
  void Added(const std::string& path, bool is_dir);
  void Removed(const std::string& path);
  // Forgets the listings of a folder and of every folder below it (a tree
  // about to be removed): they are listed anew when asked about.
  void Forget(const std::string& folder);

  // How many folders were listed (tests).
  int Listings() const;

 private:
  struct Entry {
    std::string name;
    bool is_dir = false;
  };
  struct Folder {
    bool listed = false;
    std::unordered_map<std::string, bool> exact;                 // name -> is a folder
    std::unordered_map<std::string, std::vector<Entry>> folded;  // upper-case name -> entries
  };
  Folder& Get(const std::string& key);
  static void Insert(Folder& f, const std::string& name, bool is_dir);

  mutable std::mutex mutex_;
  std::unordered_map<std::string, Folder> folders_;  // by folder path with its separator
  int listings_ = 0;
};

// The cache in use, or null (each look-up lists its folder then).
FolderCache* CurrentFolderCache();

// Installs a cache for the life of this object (one run).
class ScopedFolderCache {
 public:
  explicit ScopedFolderCache(FolderCache* cache);
  ~ScopedFolderCache();
  ScopedFolderCache(const ScopedFolderCache&) = delete;
  ScopedFolderCache& operator=(const ScopedFolderCache&) = delete;

 private:
  FolderCache* previous_;
};

// Tells the cache in use, if any, of a name the run created or removed.
void NoteCreated(const std::string& path, bool is_dir);
void NoteRemoved(const std::string& path);
// Tells the cache in use, if any, that a folder's tree is about to change
// as a whole (removed): its listings and those below it are forgotten.
void NoteTreeChanged(const std::string& folder);

}  // namespace tolvern
