// Helpers shared by the tests: scratch folders, files, a disk that fails on
// demand, and running the real binary.
#pragma once

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "engine/component_replacer.h"
#include "engine/replace_options.h"
#include "platform/disk.h"

namespace tolvern::testing {

// The separator of this system's paths.
#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

// A UTF-8 path as a path of the standard library, and back; without them a
// name outside ASCII would pass through the ANSI code page on Windows.
std::filesystem::path NativePath(const std::string& utf8);
std::string Utf8Path(const std::filesystem::path& path);

// A fresh folder below the system's temporary folder, removed with its content
// at the end. While it lives, the temporary folder (TMPDIR; TMP on Windows)
// points into it, so the run's own work folders ($DS1...) are private to the
// test.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // path joined with a relative name ("a/b.pas"; "/" becomes the system's
  // separator).
  std::string operator/(const std::string& rel) const;
  // Writes a file, creating its folders.
  std::string Write(const std::string& rel, const std::string& bytes) const;
  std::string Read(const std::string& rel) const;
  std::string temp_dir() const;
  // What runs left in the temporary folder: every entry there and in the
  // user's own folder below it that holds the work folders (that folder
  // itself stays from run to run and is not counted).
  std::vector<std::string> LeftInTemp() const;
  // The settings key for the test's registry store: on Windows one of its own
  // below HKEY_CURRENT_USER\Software, deleted with the folder; elsewhere
  // the product's key (the store file is the test's own there).
  std::string RegistryKey() const;

 private:
  std::string path_;
  std::string old_tmpdir_;
  bool had_tmpdir_ = false;
};

std::string ReadFileBytes(const std::string& path);
// A byte string written as numbers.
std::string Bytes(std::initializer_list<int> bytes);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Whether a symbolic link can be made in the folder: on Windows that takes a
// privilege (or developer mode) that a test run may not have.
bool CanCreateSymlinks(const ScratchDir& dir);
#define TOLVERN_SKIP_WITHOUT_SYMLINKS(dir)                                        \
  if (!::tolvern::testing::CanCreateSymlinks(dir))                                \
  GTEST_SKIP() << "symbolic links cannot be made here (on Windows they need the " \
                  "privilege to create symbolic links)"

// Options of a folder-mode run over folder and its sub-folders, with the
// backups in folder/RBackup and the log written (and not shown).
void UseFolderRun(TReplaceOptions& options, const std::string& folder);

// A run's log without the line of its time stamp and the blank line after it.
std::string LogWithoutTimestamp(const std::string& log);
// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// Every regular file below a folder, by relative path ("/" between the
// names on every system), with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder);
// The user's files of a tree: its snapshot without what a run keeps of its
// own (the backup folder, the log and lists, the tree's lock).
inline std::map<std::string, std::string> UserFiles(const std::string& root) {
  std::map<std::string, std::string> files;
  for (auto& [path, bytes] : Snapshot(root))
    if (path.find("RBackup") == std::string::npos && path.find("Wiz_") == std::string::npos &&
        !path.ends_with("tolvern.lock"))
      files[path] = bytes;
  return files;
}

// The real disk, except that operations for which a predicate answers true
// fail.
class FaultyDisk : public RealDisk {
 public:
  std::function<bool(const std::string& from, const std::string& to)> fail_copy;
  std::function<bool(const std::string& path)> fail_create_dir;
  std::function<bool(const std::string& path)> fail_write;
  std::function<bool(const std::string& path)> fail_read;
  // Every operation, by name ("read", "write-new", "backup", "move", ...)
  // and the path it acts on: recorded, and failed where fail_op says so.
  std::function<void(const char* op, const std::string& path)> on_op;
  std::function<bool(const char* op, const std::string& path)> fail_op;
  // The system's error an injected failure gives (EIO: a failing disk;
  // ENOSPC: a full one).
  int fail_errno = EIO;
  // A listing that fails part way, as readdir failing on a bad disk or a
  // lost network share: for a folder, how many entries the listing gives
  // before it fails with EIO, or -1 for a listing that does not fail.
  std::function<int(const std::string& folder)> fail_list_after;

  bool CopyFile(const std::string& from, const std::string& to,
                std::string* error = nullptr) override;
  bool CreateDir(const std::string& path, bool* already_exists,
                 std::string* error = nullptr) override;
  bool CreatePrivateDir(const std::string& path, bool* already_exists,
                        std::string* error = nullptr) override;
  bool List(const std::string& folder, std::vector<DirEntry>* entries,
            std::string* error = nullptr) override;
  bool WriteFile(const std::string& path, std::string_view data, std::string* error) override;
  bool ReadFile(const std::string& path, std::string* data, std::string* error) override;
  // Fails where ReadFile would.
  std::unique_ptr<ReadableFile> OpenRead(const std::string& path, std::string* error) override {
    if ((fail_read && fail_read(path)) || Fails("read", path, error)) {
      if (error) *error = "injected read failure";
      return nullptr;
    }
    return RealDisk::OpenRead(path, error);
  }
  bool WriteNewFile(const std::string& path, std::string_view data, std::string* error) override;
  bool WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                      bool* already_exists) override;
  bool BackupFile(const std::string& from, const std::string& to, std::string* error,
                  bool* already_exists) override;
  bool MoveFile(const std::string& from, const std::string& to,
                std::string* error = nullptr) override;
  // A status call that fails ("stat"): the path names nothing the tool can
  // see, as when the call fails with EIO.
  bool Stat(const std::string& path, FileStamp* stamp, std::string* error = nullptr) override;
  // The barrier that makes what was written durable ("barrier", no path).
  bool Sync(std::string* error) override;
  bool DeleteFile(const std::string& path, std::string* error = nullptr) override;
  bool RemoveDir(const std::string& path) override;
  bool RemoveTree(const std::string& path, std::string* error, bool keep_folder = false) override;
  std::unique_ptr<DiskLock> TryLock(const std::string& path, std::string* error,
                                    bool* held_elsewhere) override;
  std::unique_ptr<AppendFile> OpenAppend(const std::string& path, std::string* error) override;

  // A process stopped at a step (killed, or the machine turned off after
  // the step's data reached the disk): from the operation stop_at picks on,
  // every operation, that one included, fails and changes nothing, as
  // nothing happens in a process that is gone. stop_at sees every
  // operation, by the names above and "delete", "remove-dir",
  // "remove-tree", "lock" and "open-append".
  std::function<bool(const char* op, const std::string& path)> stop_at;
  bool Stopped() const { return stopped_; }

 protected:
  // Making a written file durable: the operation "sync", on the file whose
  // content is made durable.
  bool SyncFile(FileHandle handle, const std::string& path, std::string* error) override;

 private:
  bool Fails(const char* op, const std::string& path, std::string* error);
  bool Stops(const char* op, const std::string& path, std::string* error);
  std::atomic<bool> stopped_{false};
};

// Gives a replacer's runs and restores a disk for the life of this object.
class RunsOn {
 public:
  RunsOn(TComponentReplacer& replacer, Disk* disk)
      : replacer_(replacer), previous_(replacer.Context.disk) {
    replacer.Context.disk = disk;
  }
  ~RunsOn() { replacer_.Context.disk = previous_; }
  RunsOn(const RunsOn&) = delete;
  RunsOn& operator=(const RunsOn&) = delete;

 private:
  TComponentReplacer& replacer_;
  Disk* previous_;
};

// What a run of the BDE replacer on a disk gave: whether it threw or
// returned true, how many files it left, and the exception's message with
// every note of a file it left.
struct RunOutcome {
  bool threw = false, returned = false;
  int not_migrated = 0;
  std::string messages;
};
RunOutcome RunOnDisk(Disk* disk);

struct CommandResult {
  int exit_code = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// The bundled example application, and a copy of it in a scratch folder.
inline std::string ExampleDir() {
  return std::string(TOLVERN_SOURCE_DIR) + kSeparator + "examples" + kSeparator + "orders";
}
std::string CopyExample(const ScratchDir& dir, const std::string& name);

// Runs the tolvern binary with arguments (each quoted for the shell), after
// shell_prefix (such as "ulimit -f 8; ").
CommandResult RunTolvern(const std::vector<std::string>& args,
                         const std::string& shell_prefix = "");

}  // namespace tolvern::testing
