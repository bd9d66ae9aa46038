// A disk held in memory, for tests: files and folders live in maps under the
// paths as they are given ("/" between the names), and every operation
// answers as the real disk does (the same results, the same error texts),
// so that a test can run the tool's file handling, a whole run included,
// without touching the file system. Safe to use from several threads.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/disk.h"

namespace tolvern {

class MemoryDisk : public Disk {
 public:
  // The disk holds the temporary folder and nothing else.
  MemoryDisk();

  bool CreateDir(const std::string& path, bool* already_exists,
                 std::string* error = nullptr) override;
  // Folders here have no owner: a private one is a folder like any other.
  bool CreatePrivateDir(const std::string& path, bool* already_exists,
                        std::string* error = nullptr) override {
    return CreateDir(path, already_exists, error);
  }
  bool RemoveDir(const std::string& path) override;
  bool DeleteFile(const std::string& path, std::string* error = nullptr) override;
  bool CopyFile(const std::string& from, const std::string& to,
                std::string* error = nullptr) override;
  bool List(const std::string& folder, std::vector<DirEntry>* entries,
            std::string* error = nullptr) override;
  bool FileExists(const std::string& path) override;
  bool DirExists(const std::string& path) override;
  bool ReadFile(const std::string& path, std::string* data, std::string* error) override;
  bool WriteFile(const std::string& path, std::string_view data, std::string* error) override;
  std::string TempPath() override { return kTempPath; }
  // The stamp of a file is its size, its number (ino) and a count of the
  // disk's writes at its last one (mtime_ns): every write changes it.
  bool Stat(const std::string& path, FileStamp* stamp, std::string* error = nullptr) override;
  // There are no links here.
  bool IsLink(const std::string&) override { return false; }
  std::string Resolve(const std::string& path) override;
  // Creates or truncates the file in place: its number stays.
  bool WriteNewFile(const std::string& path, std::string_view data, std::string* error) override;
  bool WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                      bool* already_exists) override;
  bool BackupFile(const std::string& from, const std::string& to, std::string* error,
                  bool* already_exists) override;
  bool MoveFile(const std::string& from, const std::string& to,
                std::string* error = nullptr) override;

  // The work folders' parent: a folder below the temporary folder, made on
  // first use (folders here have no owner to check).
  std::string PrivateTempPath(std::string* error) override;
  bool IsOwnFolder(const std::string& path) override { return DirExists(path); }
  // Removes the folder and every name below it (there are no links here).
  bool RemoveTree(const std::string& path, std::string* error, bool keep_folder = false) override;
  // Locks held by this disk's users, as processes hold them on a real disk.
  std::unique_ptr<DiskLock> TryLock(const std::string& path, std::string* error,
                                    bool* held_elsewhere) override;
  bool IsLockHeld(const std::string& path) override;
  std::unique_ptr<AppendFile> OpenAppend(const std::string& path, std::string* error) override;

  static constexpr const char* kTempPath = "/tmp";

 private:
  struct File {
    std::string data;
    std::uint64_t number = 0;  // the file's identity, kept by moves
    std::int64_t written = 0;  // the write count at its last write
  };

  bool Exists(const std::string& path) const;
  // The error text of a path whose folder is missing or a file, or "" when
  // the folder is there.
  std::string FolderError(const std::string& path) const;
  // Creates or replaces the file at path; false with the reason when path
  // is a folder or its folder is not there.
  bool Put(const std::string& path, std::string_view data, std::string* error);

  class Lock;
  class Appender;

  // Every operation holds it: the disk is used from several threads at once.
  std::recursive_mutex mutex_;
  std::map<std::string, File> files_;
  std::set<std::string> held_locks_;
  std::set<std::string> dirs_;
  std::uint64_t files_made_ = 0;
  std::int64_t writes_ = 0;
};

}  // namespace tolvern
