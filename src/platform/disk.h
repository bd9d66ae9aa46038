// The one door through which the tool touches the file system. Whoever
// starts a run or a restore hands its disk down to everything that reads or
// writes: the real disk in the tools, an in-memory disk or a wrapper that makes
// chosen operations fail in tests, to prove that no failure loses a byte of the
// user's files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/readable_file.h"
#include "platform/sync_batch.h"

namespace tolvern {

struct DirEntry {
  std::string name;
  bool is_dir = false;
};

// The largest file the tool reads. Pascal units and forms are far smaller;
// anything larger is refused rather than read into memory.
inline constexpr std::uint64_t kMaxFileSize = std::uint64_t{256} << 20;

// What a path names, links followed: enough to tell whether a file is still
// the one that was read.
struct FileStamp {
  bool exists = false;
  bool regular = false;
  bool dir = false;
  std::uint64_t size = 0;
  std::int64_t mtime_ns = 0;
  std::uint64_t dev = 0;
  std::uint64_t ino = 0;
  // No one may write it: no write permission bit is set (on Windows, the
  // read-only attribute). Taken from the mode, not from whether this process
  // could write it (an administrator can write any file).
  bool read_only = false;
  // How many names (hard links) the file has.
  std::uint64_t links = 0;

  // Same file, same size, same modification time.
  bool Matches(const FileStamp& o) const {
    return exists && o.exists && size == o.size && mtime_ns == o.mtime_ns && dev == o.dev &&
           ino == o.ino;
  }
};

// A lock on a file that tells other runs the file is in use (see
// PathLock): released, and its file removed, when it goes.
class DiskLock {
 public:
  virtual ~DiskLock() = default;
  // Gives the lock file a new name, the lock going with it, so that a lock
  // file appears under that name only once it is locked. False where the
  // system cannot rename an open file (the lock stays under its old name).
  virtual bool Rename(const std::string& new_path) = 0;
  // Releases the lock and leaves the lock file, as a killed process would.
  virtual void Abandon() = 0;
};

// A file written from its start as a run goes (its log): each line reaches
// the file when it is appended.
class AppendFile {
 public:
  virtual ~AppendFile() = default;
  // False, with the system's reason, when the bytes could not be written.
  virtual bool Append(std::string_view data, std::string* error) = 0;
  // Closes the file; false, with the reason, when that failed.
  virtual bool Close(std::string* error) = 0;
};

class Disk {
 public:
  virtual ~Disk() = default;

  // Creates one folder. On failure sets *already_exists when the name is
  // taken (by anything: folder, file or link), and *error to the system's
  // reason.
  virtual bool CreateDir(const std::string& path, bool* already_exists,
                         std::string* error = nullptr) = 0;
  // CreateDir for a folder that only the user may enter.
  virtual bool CreatePrivateDir(const std::string& path, bool* already_exists,
                                std::string* error = nullptr) {
    return CreateDir(path, already_exists, error);
  }
  virtual bool RemoveDir(const std::string& path) = 0;
  // Deletes a file (or a link, never what it names); false with the system's
  // reason in *error.
  virtual bool DeleteFile(const std::string& path, std::string* error = nullptr) = 0;
  // Copies a file, replacing the target. The target is written beside itself
  // and renamed into place, so it is never left half written.
  virtual bool CopyFile(const std::string& from, const std::string& to,
                        std::string* error = nullptr) = 0;
  // Lists a folder in the order the system returns it, without "." and "..".
  // Links to folders are listed as files, so walks never follow them. A
  // listing that fails part way is a failure, never taken for the folder's
  // end: false, with the system's reason in *error, and *entries holding no
  // more than what was read before.
  virtual bool List(const std::string& folder, std::vector<DirEntry>* entries,
                    std::string* error = nullptr) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirExists(const std::string& path) = 0;
  // Reads a whole regular file (links followed) of at most kMaxFileSize
  // bytes; anything else (a folder, a pipe, a device) is refused unread.
  virtual bool ReadFile(const std::string& path, std::string* data, std::string* error) = 0;
  // Opens a regular file (links followed) to be read at offsets, whatever its
  // size; null, with the system's reason in *error, as ReadFile fails. This
  // one reads the whole file through ReadFile (disks in memory, wrappers).
  virtual std::unique_ptr<ReadableFile> OpenRead(const std::string& path, std::string* error);
  // Writes a whole file through a temporary sibling and a rename. A link at
  // path is followed (the file it names is replaced); a sibling that already
  // stands there is refused, never written through.
  virtual bool WriteFile(const std::string& path, std::string_view data, std::string* error) = 0;
  // The user's folder for temporary files, without a trailing separator.
  virtual std::string TempPath() = 0;

  // What path names now (links followed). False when it names nothing, with
  // *error emptied, or when it cannot be looked at, with the system's reason
  // in *error.
  virtual bool Stat(const std::string& path, FileStamp* stamp, std::string* error = nullptr) = 0;
  // Whether path itself is a symbolic link (not followed); false when it is
  // anything else or nothing.
  virtual bool IsLink(const std::string& path) = 0;
  // path with every link along it followed and "." and ".." taken out; where
  // it cannot be resolved (it does not exist), its lexical normal form.
  virtual std::string Resolve(const std::string& path) = 0;

  // The path of an existing entry whose name equals that of path ignoring
  // letter case (path itself when it exists), or "" when there is none;
  // files_only: folders do not count. A folder that cannot be listed is
  // asked about the exact name only, and *list_failed is set when that name
  // is not there. Folders are taken as they are written. This lists path's
  // folder on every call; a disk that keeps listings answers from them.
  virtual std::string FindIgnoringCase(const std::string& path, bool files_only, bool* list_failed);

  // Writes a file that nobody else sees yet (in the run's own work folder):
  // straight, without the temporary sibling.
  virtual bool WriteNewFile(const std::string& path, std::string_view data, std::string* error) {
    return WriteFile(path, data, error);
  }
  // Creates path, which must not exist yet, with data. Never follows a link
  // and never replaces anything: when the name is taken it fails and sets
  // *already_exists.
  virtual bool WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                              bool* already_exists) = 0;
  // Makes `to`, which must not exist yet, hold the content that the file
  // `from` names has now (a link at `from` is followed), also when `from` is
  // later replaced by a rename: a hard link where the system allows it, else
  // a copy. Never replaces anything: when `to` is taken it fails and sets
  // *already_exists.
  virtual bool BackupFile(const std::string& from, const std::string& to, std::string* error,
                          bool* already_exists) = 0;
  // Moves `from` over `to`, keeping the permissions `to` had: a rename where
  // the system allows it, else a copy.
  virtual bool MoveFile(const std::string& from, const std::string& to,
                        std::string* error = nullptr) {
    return CopyFile(from, to, error);
  }

  // Takes the lock of the file at path, creating it, without waiting. Null
  // when another process holds it (*held_elsewhere set) or the file cannot
  // be made (the reason in *error).
  virtual std::unique_ptr<DiskLock> TryLock(const std::string& path, std::string* error,
                                            bool* held_elsewhere) = 0;
  // Whether a live process holds the lock of an existing lock file; false
  // when the file is missing or its lock could be taken (and was let go).
  virtual bool IsLockHeld(const std::string& path) = 0;

  // Creates path, or empties the file there, for writing from its start; a
  // link at path is never followed. Null, with the reason, when it cannot.
  virtual std::unique_ptr<AppendFile> OpenAppend(const std::string& path, std::string* error) = 0;
  // Whether path itself (a link not followed) is what no output is written
  // into: a named pipe (opening one waits for a reader), a socket or a block
  // device; *what then says so ("is a named pipe, not a regular file").
  // False for nothing, a file, a folder, a link or a character device.
  virtual bool IsPipeOrDevice(const std::string& path, std::string* what) {
    (void)path;
    (void)what;
    return false;
  }

  // Durability in batches. While syncs are deferred, a new file of the work
  // folder, an exclusive write, a backup and a move are not made durable one
  // by one (a move then takes what `from` holds as made durable by an earlier
  // Sync); Sync makes everything written since durable at once. Files that
  // replace others in place (WriteFile, CopyFile) are always made durable
  // before they take their place.
  virtual void DeferSyncs(bool defer) { (void)defer; }
  // False with the reason (naming a file or folder) when what was written
  // could not be made durable.
  virtual bool Sync(std::string* error) {
    (void)error;
    return true;
  }

  // Whether the file at path can be replaced by a rename now: false, with the
  // system's reason, when another program holds it open without the sharing
  // a rename over it needs (on Windows an editor that shares it for reading
  // only). Where an open file never stands in the way of a rename (POSIX),
  // always true. A file that cannot be looked at is left to the rename.
  virtual bool CanReplace(const std::string& path, std::string* error) {
    (void)path;
    (void)error;
    return true;
  }

  // The folder below TempPath() that holds the tool's work folders and that
  // only the user can change: created (only the user may enter it) when
  // missing. One that stands there already is used only when it is a folder
  // itself (no link), the user's own, and writable by no one else. "" when
  // there is none to use, with the reason (naming the folder) in *error.
  virtual std::string PrivateTempPath(std::string* error) = 0;
  // Whether path is a folder itself (not a link to one) that belongs to the
  // user the tool runs as.
  virtual bool IsOwnFolder(const std::string& path) = 0;
  // Removes the folder path with everything below it (or, keeping the
  // folder, everything below it). Never follows a link: each folder is
  // opened from the one above it, never looked up again by its path, and a
  // link is removed, not entered. A link at path itself is refused. False,
  // with the reason naming the entry, when anything stays.
  virtual bool RemoveTree(const std::string& path, std::string* error,
                          bool keep_folder = false) = 0;
};

// The real file system.
class RealDisk : public Disk {
 public:
  bool CreateDir(const std::string& path, bool* already_exists,
                 std::string* error = nullptr) override;
  bool CreatePrivateDir(const std::string& path, bool* already_exists,
                        std::string* error = nullptr) override;
  bool RemoveDir(const std::string& path) override;
  bool DeleteFile(const std::string& path, std::string* error = nullptr) override;
  bool CopyFile(const std::string& from, const std::string& to,
                std::string* error = nullptr) override;
  bool List(const std::string& folder, std::vector<DirEntry>* entries,
            std::string* error = nullptr) override;
  bool FileExists(const std::string& path) override;
  bool DirExists(const std::string& path) override;
  bool ReadFile(const std::string& path, std::string* data, std::string* error) override;
  std::unique_ptr<ReadableFile> OpenRead(const std::string& path, std::string* error) override;
  bool WriteFile(const std::string& path, std::string_view data, std::string* error) override;
  std::string TempPath() override;
  bool Stat(const std::string& path, FileStamp* stamp, std::string* error = nullptr) override;
  bool IsLink(const std::string& path) override;
  std::string Resolve(const std::string& path) override;
  bool WriteNewFile(const std::string& path, std::string_view data, std::string* error) override;
  bool WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                      bool* already_exists) override;
  bool BackupFile(const std::string& from, const std::string& to, std::string* error,
                  bool* already_exists) override;
  bool MoveFile(const std::string& from, const std::string& to,
                std::string* error = nullptr) override;
#ifdef _WIN32
  bool CanReplace(const std::string& path, std::string* error) override;
#endif
  std::string PrivateTempPath(std::string* error) override;
  bool IsOwnFolder(const std::string& path) override;
  bool RemoveTree(const std::string& path, std::string* error, bool keep_folder = false) override;
  std::unique_ptr<DiskLock> TryLock(const std::string& path, std::string* error,
                                    bool* held_elsewhere) override;
  bool IsLockHeld(const std::string& path) override;
  std::unique_ptr<AppendFile> OpenAppend(const std::string& path, std::string* error) override;
#ifndef _WIN32
  bool IsPipeOrDevice(const std::string& path, std::string* what) override;
#endif
  void DeferSyncs(bool defer) override { batch_->SetDeferred(defer); }
  bool Sync(std::string* error) override;

 protected:
#ifdef _WIN32
  using FileHandle = void*;  // a HANDLE
#else
  using FileHandle = int;  // a file descriptor
#endif
  // Makes what was written to the open file `handle` durable before the file
  // takes its place at path (the file it is to replace, or to become); false
  // with the system's reason when it cannot. Tests override it to make it
  // fail.
  virtual bool SyncFile(FileHandle handle, const std::string& path, std::string* error);
  // Whether syncs wait for Sync; when they do, notes path as written.
  bool Deferred(const std::string& path) {
    if (!batch_->Deferred()) return false;
    batch_->Note(path);
    return true;
  }

 private:
  std::unique_ptr<SyncBatch> batch_ = std::make_unique<SyncBatch>();
};

// Defers the syncs of a disk for the life of this object.
class DeferredSyncs {
 public:
  explicit DeferredSyncs(Disk& disk) : disk_(disk) { disk_.DeferSyncs(true); }
  ~DeferredSyncs() { disk_.DeferSyncs(false); }
  DeferredSyncs(const DeferredSyncs&) = delete;
  DeferredSyncs& operator=(const DeferredSyncs&) = delete;

 private:
  Disk& disk_;
};

// Creates every missing folder along path on disk. True when all of them
// exist afterwards (anything already standing under a folder's name counts);
// else false with the system's reason for the first that could not be made.
bool CreateFolderPath(Disk& disk, const std::string& path, std::string* error = nullptr);

// Reads a whole file or throws EFOpenError naming it.
std::string ReadWholeFile(Disk& disk, const std::string& path);
// Writes a whole file or throws EFCreateError naming it.
void WriteWholeFile(Disk& disk, const std::string& path, std::string_view data);
// The same for a file in the run's own work folder.
void WriteNewWholeFile(Disk& disk, const std::string& path, std::string_view data);

// Why a file the user names for a run's output (a report) cannot be written
// at path as it stands, checked before the run so that it stops with
// nothing changed: a link (never followed), a named pipe, a socket or a
// block device. "" when nothing, a file or a character device stands there.
std::string OutputRefusal(Disk& disk, const std::string& path);
// Writes data at path as the log is written (OpenAppend: a link is not
// followed, a pipe is refused); false with the reason in *error.
bool WriteOutputFile(Disk& disk, const std::string& path, std::string_view data,
                     std::string* error);

}  // namespace tolvern
