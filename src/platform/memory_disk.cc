#include "platform/memory_disk.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "base/paths.h"

namespace tolvern {

namespace {

// The error texts of the system, as the real disk reports them.
std::string SystemText(int code) { return std::strerror(code); }

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// The separators of this system's paths: on Windows "\" and "/" alike.
#ifdef _WIN32
constexpr const char* kSeparators = "\\/";
#else
constexpr const char* kSeparators = "/";
#endif

// The folder that holds path: "" for a bare name (the current folder), the
// root itself (such as "/" or "C:\") for a name right under a root.
std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of(kSeparators);
  if (slash == std::string::npos) return "";
  return RootLength(path) == slash + 1 ? path.substr(0, slash + 1) : path.substr(0, slash);
}

}  // namespace

MemoryDisk::MemoryDisk() { dirs_.insert(kTempPath); }

bool MemoryDisk::Exists(const std::string& path) const {
  return files_.count(path) > 0 || dirs_.count(path) > 0;
}

std::string MemoryDisk::FolderError(const std::string& path) const {
  const std::string parent = ParentOf(path);
  if (parent.empty() || IsBareRoot(parent) || dirs_.count(parent)) return "";
  return SystemText(files_.count(parent) ? ENOTDIR : ENOENT);
}

bool MemoryDisk::Put(const std::string& path, std::string_view data, std::string* error) {
  if (dirs_.count(path)) {
    SetError(error, "is a folder");
    return false;
  }
  if (std::string why = FolderError(path); !why.empty()) {
    SetError(error, why);
    return false;
  }
  File& file = files_[path];
  if (file.number == 0) file.number = ++files_made_;
  file.data = data;
  file.written = ++writes_;
  return true;
}

bool MemoryDisk::CreateDir(const std::string& path, bool* already_exists, std::string* error) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (already_exists) *already_exists = false;
  if (path.empty()) {
    SetError(error, SystemText(ENOENT));
    return false;
  }
  if (Exists(path)) {
    if (already_exists) *already_exists = true;
    SetError(error, SystemText(EEXIST));
    return false;
  }
  if (std::string why = FolderError(path); !why.empty()) {
    SetError(error, why);
    return false;
  }
  dirs_.insert(path);
  return true;
}

bool MemoryDisk::RemoveDir(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (!dirs_.count(path)) return false;
  std::vector<DirEntry> entries;
  if (List(path, &entries) && !entries.empty()) return false;  // not empty
  dirs_.erase(path);
  return true;
}

bool MemoryDisk::DeleteFile(const std::string& path, std::string* error) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (files_.erase(path) > 0) return true;
  SetError(error, SystemText(dirs_.count(path) ? EISDIR : ENOENT));
  return false;
}

bool MemoryDisk::CopyFile(const std::string& from, const std::string& to, std::string* error) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  std::string data;
  if (!ReadFile(from, &data, error)) return false;
  return Put(to, data, error);
}

bool MemoryDisk::List(const std::string& folder, std::vector<DirEntry>* entries,
                      std::string* error) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  entries->clear();
  if (!folder.empty() && !dirs_.count(folder)) {
    SetError(error, SystemText(files_.count(folder) ? ENOTDIR : ENOENT));
    return false;
  }
  auto add = [&](const std::string& path, bool is_dir) {
    if (ParentOf(path) == folder)
      entries->push_back({path.substr(path.find_last_of(kSeparators) + 1), is_dir});
  };
  for (const std::string& path : dirs_) add(path, true);
  for (const auto& [path, file] : files_) add(path, false);
  return true;
}

bool MemoryDisk::FileExists(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  return files_.count(path) > 0;
}

bool MemoryDisk::DirExists(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  return dirs_.count(path) > 0;
}

bool MemoryDisk::ReadFile(const std::string& path, std::string* data, std::string* error) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  data->clear();
  if (dirs_.count(path)) {
    SetError(error, "is a folder");
    return false;
  }
  auto file = files_.find(path);
  if (file == files_.end()) {
    const std::string why = FolderError(path);
    SetError(error, why.empty() ? SystemText(ENOENT) : why);
    return false;
  }
  if (file->second.data.size() > kMaxFileSize) {
    SetError(error, "larger than the limit of 256 MB");
    return false;
  }
  *data = file->second.data;
  return true;
}

bool MemoryDisk::WriteFile(const std::string& path, std::string_view data, std::string* error) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  return Put(path, data, error);
}

bool MemoryDisk::WriteNewFile(const std::string& path, std::string_view data, std::string* error) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (dirs_.count(path)) {
    SetError(error, SystemText(EISDIR));  // as the system refuses to open it
    return false;
  }
  return Put(path, data, error);
}

bool MemoryDisk::Stat(const std::string& path, FileStamp* stamp, std::string* error) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  *stamp = FileStamp{};
  if (dirs_.count(path)) {
    stamp->exists = stamp->dir = true;
    return true;
  }
  auto file = files_.find(path);
  if (file == files_.end()) {
    // A path below a file cannot be looked at (on Windows it names nothing).
    const std::string why = FolderError(path);
#ifdef _WIN32
    (void)why;
    if (error) error->clear();
#else
    if (error) *error = why == SystemText(ENOTDIR) ? why : std::string();
#endif
    return false;
  }
  stamp->exists = stamp->regular = true;
  stamp->size = file->second.data.size();
  stamp->mtime_ns = file->second.written;
  stamp->ino = file->second.number;
  stamp->links = 1;  // every file here has one name and may be written
  return true;
}

bool MemoryDisk::WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                                bool* already_exists) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (already_exists) *already_exists = false;
  if (Exists(path)) {
    if (already_exists) *already_exists = true;
    SetError(error, SystemText(EEXIST));
    return false;
  }
  return Put(path, data, error);
}

bool MemoryDisk::BackupFile(const std::string& from, const std::string& to, std::string* error,
                            bool* already_exists) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (already_exists) *already_exists = false;
  std::string data;
  if (!ReadFile(from, &data, error)) return false;
  return WriteExclusive(to, data, error, already_exists);
}

bool MemoryDisk::MoveFile(const std::string& from, const std::string& to, std::string* error) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  // A rename needs a file to move and a file to replace; otherwise the real
  // disk copies, and so does this one.
  auto source = files_.find(from);
  if (source == files_.end() || !files_.count(to)) return CopyFile(from, to, error);
  File moved = std::move(source->second);
  files_.erase(source);
  files_[to] = std::move(moved);
  return true;
}

std::string MemoryDisk::PrivateTempPath(std::string* error) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  const std::string path = std::string(kTempPath) + "/tolvern";
  if (dirs_.count(path)) return path;
  bool exists = false;
  if (CreateDir(path, &exists)) return path;
  SetError(error, "\"" + path + "\": " + SystemText(exists ? ENOTDIR : ENOENT));
  return "";
}

bool MemoryDisk::RemoveTree(const std::string& path, std::string* error, bool keep_folder) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (!dirs_.count(path)) {
    SetError(error, "\"" + path + "\": " + SystemText(files_.count(path) ? ENOTDIR : ENOENT));
    return false;
  }
  auto inside = [&path](const std::string& name) {
    return name.size() > path.size() && name.compare(0, path.size(), path) == 0 &&
           std::strchr(kSeparators, name[path.size()]) != nullptr;
  };
  std::erase_if(files_, [&](const auto& file) { return inside(file.first); });
  std::erase_if(dirs_, [&](const std::string& dir) { return inside(dir); });
  if (!keep_folder) dirs_.erase(path);
  return true;
}

std::string MemoryDisk::Resolve(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  // No links here: only "." and ".." are taken out, with "/" between names.
  std::vector<std::string> names;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && path[i] != '/') continue;
    const std::string name = path.substr(start, i - start);
    start = i + 1;
    if (name == ".." && !names.empty() && !names.back().empty() && names.back() != "..")
      names.pop_back();
    else if (name != "." && !(name.empty() && !names.empty()))
      names.push_back(name);
  }
  std::string out;
  for (size_t k = 0; k < names.size(); ++k) out += (k ? "/" : "") + names[k];
  if (names.size() == 1 && names[0].empty()) return "/";
  return out.empty() ? "." : out;
}

// A lock of this disk: the lock file is a file of the disk, held until the
// lock goes (or is abandoned, as by a killed run).
class MemoryDisk::Lock : public DiskLock {
 public:
  Lock(MemoryDisk& disk, std::string path) : disk_(disk), path_(std::move(path)) {}
  ~Lock() override {
    std::lock_guard<std::recursive_mutex> hold(disk_.mutex_);
    if (!held_) return;
    disk_.held_locks_.erase(path_);
    disk_.files_.erase(path_);
  }
  bool Rename(const std::string& new_path) override {
#ifdef _WIN32
    (void)new_path;
    return false;  // as there: no open file is renamed
#else
    std::lock_guard<std::recursive_mutex> hold(disk_.mutex_);
    auto file = disk_.files_.find(path_);
    if (!held_ || file == disk_.files_.end() || disk_.Exists(new_path)) return false;
    File renamed = std::move(file->second);
    disk_.files_.erase(file);
    disk_.files_[new_path] = std::move(renamed);
    disk_.held_locks_.erase(path_);
    disk_.held_locks_.insert(new_path);
    path_ = new_path;
    return true;
#endif
  }
  void Abandon() override {
#ifndef _WIN32
    // The file stays, locked by no one, as a killed process leaves it (on
    // Windows the system removes it then, as when the lock is released).
    std::lock_guard<std::recursive_mutex> hold(disk_.mutex_);
    if (held_) disk_.held_locks_.erase(path_);
    held_ = false;
#endif
  }

 private:
  MemoryDisk& disk_;
  std::string path_;
  bool held_ = true;
};

std::unique_ptr<DiskLock> MemoryDisk::TryLock(const std::string& path, std::string* error,
                                              bool* held_elsewhere) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (held_elsewhere) *held_elsewhere = false;
  if (held_locks_.count(path)) {
    if (held_elsewhere) *held_elsewhere = true;
    return nullptr;
  }
  if (!files_.count(path) && !Put(path, "", error)) return nullptr;
  held_locks_.insert(path);
  return std::make_unique<Lock>(*this, path);
}

bool MemoryDisk::IsLockHeld(const std::string& path) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  return held_locks_.count(path) > 0;
}

// A file of this disk that grows as lines are appended.
class MemoryDisk::Appender : public AppendFile {
 public:
  Appender(MemoryDisk& disk, std::string path) : disk_(disk), path_(std::move(path)) {}
  bool Append(std::string_view data, std::string* error) override {
    std::lock_guard<std::recursive_mutex> hold(disk_.mutex_);
    auto file = disk_.files_.find(path_);
    if (file == disk_.files_.end()) {
      SetError(error, SystemText(ENOENT));
      return false;
    }
    file->second.data += data;
    file->second.written = ++disk_.writes_;
    return true;
  }
  bool Close(std::string*) override { return true; }

 private:
  MemoryDisk& disk_;
  std::string path_;
};

std::unique_ptr<AppendFile> MemoryDisk::OpenAppend(const std::string& path, std::string* error) {
  std::lock_guard<std::recursive_mutex> hold(mutex_);
  if (!Put(path, "", error)) return nullptr;
  return std::make_unique<Appender>(*this, path);
}

}  // namespace tolvern
