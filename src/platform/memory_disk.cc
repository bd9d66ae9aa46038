#include "platform/memory_disk.h"

#include <cerrno>
#include <cstring>

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

bool MemoryDisk::CreateDir(const std::string& path, bool* already_exists) {
  if (already_exists) *already_exists = false;
  if (path.empty()) return false;
  if (Exists(path)) {
    if (already_exists) *already_exists = true;
    return false;
  }
  if (!FolderError(path).empty()) return false;
  dirs_.insert(path);
  return true;
}

bool MemoryDisk::RemoveDir(const std::string& path) {
  if (!dirs_.count(path)) return false;
  std::vector<DirEntry> entries;
  if (List(path, &entries) && !entries.empty()) return false;  // not empty
  dirs_.erase(path);
  return true;
}

bool MemoryDisk::DeleteFile(const std::string& path) { return files_.erase(path) > 0; }

bool MemoryDisk::CopyFile(const std::string& from, const std::string& to, std::string* error) {
  std::string data;
  if (!ReadFile(from, &data, error)) return false;
  return Put(to, data, error);
}

bool MemoryDisk::List(const std::string& folder, std::vector<DirEntry>* entries,
                      std::string* error) {
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

bool MemoryDisk::FileExists(const std::string& path) { return files_.count(path) > 0; }

bool MemoryDisk::DirExists(const std::string& path) { return dirs_.count(path) > 0; }

bool MemoryDisk::ReadFile(const std::string& path, std::string* data, std::string* error) {
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
  return Put(path, data, error);
}

bool MemoryDisk::WriteNewFile(const std::string& path, std::string_view data, std::string* error) {
  if (dirs_.count(path)) {
    SetError(error, SystemText(EISDIR));  // as the system refuses to open it
    return false;
  }
  return Put(path, data, error);
}

bool MemoryDisk::Stat(const std::string& path, FileStamp* stamp) {
  *stamp = FileStamp{};
  if (dirs_.count(path)) {
    stamp->exists = stamp->dir = true;
    return true;
  }
  auto file = files_.find(path);
  if (file == files_.end()) return false;
  stamp->exists = stamp->regular = true;
  stamp->size = file->second.data.size();
  stamp->mtime_ns = file->second.written;
  stamp->ino = file->second.number;
  stamp->links = 1;  // every file here has one name and may be written
  return true;
}

bool MemoryDisk::WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                                bool* already_exists) {
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
  if (already_exists) *already_exists = false;
  std::string data;
  if (!ReadFile(from, &data, error)) return false;
  return WriteExclusive(to, data, error, already_exists);
}

bool MemoryDisk::MoveFile(const std::string& from, const std::string& to, std::string* error) {
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
  const std::string path = std::string(kTempPath) + "/tolvern";
  if (dirs_.count(path)) return path;
  bool exists = false;
  if (CreateDir(path, &exists)) return path;
  SetError(error, "\"" + path + "\": " + SystemText(exists ? ENOTDIR : ENOENT));
  return "";
}

bool MemoryDisk::RemoveTree(const std::string& path, std::string* error, bool keep_folder) {
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

}  // namespace tolvern
