// A disk that keeps the names of the folders a run looks in: each folder is
// listed once and kept current as files are created and removed through it,
// so that finding a name ignoring letter case is a hash lookup however many
// files a folder holds. Every operation goes to the disk below; a run makes
// one for its length and hands it down as its disk. Safe to use from several
// threads.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/disk.h"

namespace tolvern {

class FolderCache : public Disk {
 public:
  explicit FolderCache(Disk& disk) : disk_(disk) {}

  // Answered from the listing of path's folder. A folder that cannot be
  // listed is asked about the exact name only, and *list_failed is set when
  // that name is not there.
  std::string FindIgnoringCase(const std::string& path, bool files_only,
                               bool* list_failed) override;

  // How many folders the cache listed itself (tests): a listing asked for
  // through it (a walk) is kept without counting.
  int Listings() const;

  // What changes the names of a folder keeps the cache current.
  bool CreateDir(const std::string& path, bool* already_exists,
                 std::string* error = nullptr) override;
  bool CreatePrivateDir(const std::string& path, bool* already_exists,
                        std::string* error = nullptr) override;
  bool RemoveDir(const std::string& path) override;
  bool DeleteFile(const std::string& path, std::string* error = nullptr) override;
  bool CopyFile(const std::string& from, const std::string& to,
                std::string* error = nullptr) override;
  bool WriteFile(const std::string& path, std::string_view data, std::string* error) override;
  bool WriteNewFile(const std::string& path, std::string_view data, std::string* error) override;
  bool WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                      bool* already_exists) override;
  bool BackupFile(const std::string& from, const std::string& to, std::string* error,
                  bool* already_exists) override;
  bool MoveFile(const std::string& from, const std::string& to,
                std::string* error = nullptr) override;
  bool RemoveTree(const std::string& path, std::string* error, bool keep_folder = false) override;
  std::unique_ptr<DiskLock> TryLock(const std::string& path, std::string* error,
                                    bool* held_elsewhere) override;
  std::unique_ptr<AppendFile> OpenAppend(const std::string& path, std::string* error) override;
  // A whole listing is kept as the folder's.
  bool List(const std::string& folder, std::vector<DirEntry>* entries,
            std::string* error = nullptr) override;

  // The rest is the disk's below.
  bool FileExists(const std::string& path) override { return disk_.FileExists(path); }
  bool DirExists(const std::string& path) override { return disk_.DirExists(path); }
  bool ReadFile(const std::string& path, std::string* data, std::string* error) override {
    return disk_.ReadFile(path, data, error);
  }
  std::unique_ptr<ReadableFile> OpenRead(const std::string& path, std::string* error) override {
    return disk_.OpenRead(path, error);
  }
  std::string TempPath() override { return disk_.TempPath(); }
  bool Stat(const std::string& path, FileStamp* stamp, std::string* error = nullptr) override {
    return disk_.Stat(path, stamp, error);
  }
  bool IsLink(const std::string& path) override { return disk_.IsLink(path); }
  bool IsPipeOrDevice(const std::string& path, std::string* what) override {
    return disk_.IsPipeOrDevice(path, what);
  }
  std::string Resolve(const std::string& path) override { return disk_.Resolve(path); }
  bool CanReplace(const std::string& path, std::string* error) override {
    return disk_.CanReplace(path, error);
  }
  std::string PrivateTempPath(std::string* error) override { return disk_.PrivateTempPath(error); }
  bool IsOwnFolder(const std::string& path) override { return disk_.IsOwnFolder(path); }
  bool IsLockHeld(const std::string& path) override { return disk_.IsLockHeld(path); }
  void DeferSyncs(bool defer) override { disk_.DeferSyncs(defer); }
  bool Sync(std::string* error) override { return disk_.Sync(error); }

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
  // Keeps a listed folder current: a name created in it, or removed.
  void Added(const std::string& path, bool is_dir);
  void Removed(const std::string& path);
  // Forgets the listings of a folder and of every folder below it (a tree
  // removed): they are listed anew when asked about.
  void Forget(const std::string& folder);

  Disk& disk_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, Folder> folders_;  // by folder path with its separator
  int listings_ = 0;
};

}  // namespace tolvern
