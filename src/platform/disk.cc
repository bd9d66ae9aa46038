#include "platform/disk.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <utility>

#include "base/ascii_text.h"
#include "base/errors.h"
#include "base/paths.h"
#include "platform/path_lock.h"
#include "platform/windows_api.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include "platform/posix_io.h"
#endif

namespace tolvern {

std::unique_ptr<ReadableFile> Disk::OpenRead(const std::string& path, std::string* error) {
  std::string bytes;
  if (!ReadFile(path, &bytes, error)) return nullptr;
  return ReadableBytes(std::move(bytes));
}

std::string Disk::FindIgnoringCase(const std::string& path, bool files_only, bool* list_failed) {
  // A missing exact name lists the folder.
  if (list_failed) *list_failed = false;
  FileStamp stamp;
  const bool exists = files_only ? FileExists(path) : Stat(path, &stamp);
#ifdef _WIN32
  // The system finds the entry whatever the letter case of its name; the
  // name as it is on disk is the one used (for the backup's name too). Where
  // the system does not tell it, the listing below does.
  if (exists) {
    std::string on_disk = NameOnDisk(path);
    if (!on_disk.empty()) return ExtractFilePath(path) + on_disk;
  }
#else
  if (exists) return path;
#endif
  std::string dir = ExtractFilePath(path);
  std::string name = ExtractFileName(path);
  std::vector<DirEntry> entries;
  if (name.empty()) return exists ? path : "";
  if (!List(dir.empty() ? "." : dir, &entries)) {
    if (exists) return path;
    if (list_failed) *list_failed = true;
    return "";
  }
  for (const DirEntry& e : entries)
    if ((!e.is_dir || !files_only) && SameText(e.name, name)) return dir + e.name;
  return exists ? path : "";
}

namespace {
// A path as the file system library takes it: its bytes are UTF-8.
std::filesystem::path NativePath(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}
}  // namespace

bool RealDisk::Sync(std::string* error) { return batch_->Barrier(error); }

bool RealDisk::IsLink(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_symlink(NativePath(path), ec);
}

std::string RealDisk::Resolve(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(NativePath(path), ec);
  if (ec) p = NativePath(path).lexically_normal();
  const std::u8string text = p.u8string();
  return std::string(text.begin(), text.end());
}

namespace {

class RealLock : public DiskLock {
 public:
  bool Rename(const std::string& new_path) override { return lock.Rename(new_path); }
  void Abandon() override { lock.Abandon(); }
  PathLock lock;
};

// A file of the C library, unbuffered: each line is written as it comes.
class RealAppendFile : public AppendFile {
 public:
  explicit RealAppendFile(std::FILE* file) : file_(file) {}
  ~RealAppendFile() override {
    if (file_) std::fclose(file_);
  }
  bool Append(std::string_view data, std::string* error) override {
    errno = 0;
    if (std::fwrite(data.data(), 1, data.size(), file_) == data.size()) return true;
    if (error) *error = errno ? std::strerror(errno) : "write failed";
    return false;
  }
  bool Close(std::string* error) override {
    errno = 0;
    const bool closed = std::fclose(std::exchange(file_, nullptr)) == 0;
    if (!closed && error) *error = errno ? std::strerror(errno) : "write failed";
    return closed;
  }

 private:
  std::FILE* file_;
};

}  // namespace

std::unique_ptr<DiskLock> RealDisk::TryLock(const std::string& path, std::string* error,
                                            bool* held_elsewhere) {
  auto lock = std::make_unique<RealLock>();
  if (!lock->lock.TryLock(path, error, held_elsewhere)) return nullptr;
  return lock;
}

bool RealDisk::IsLockHeld(const std::string& path) { return PathLock::IsHeld(path); }

std::unique_ptr<AppendFile> RealDisk::OpenAppend(const std::string& path, std::string* error) {
#ifdef _WIN32
  std::FILE* f = _wfopen(WidePath(path).c_str(), L"wb");
#else
  // A link planted under the name is not followed: the file would otherwise
  // overwrite whatever file the link names. Nor does a pipe planted there
  // hold the run: it is refused, named for what it is.
  std::FILE* f = nullptr;
  int fd = posix::OpenOutput(path, O_CREAT | O_TRUNC | O_NOFOLLOW, error);
  if (fd < 0) return nullptr;
  f = ::fdopen(fd, "wb");
  if (!f) ::close(fd);
#endif
  if (!f) {
    if (error) *error = std::strerror(errno);
    return nullptr;
  }
  std::setvbuf(f, nullptr, _IONBF, 0);
  return std::make_unique<RealAppendFile>(f);
}

std::string ReadWholeFile(Disk& disk, const std::string& path) {
  std::string data, error;
  if (!disk.ReadFile(path, &data, &error))
    throw EFOpenError("Cannot open file \"" + path + "\". " + error);
  return data;
}

void WriteNewWholeFile(Disk& disk, const std::string& path, std::string_view data) {
  std::string error;
  if (!disk.WriteNewFile(path, data, &error))
    throw EFCreateError("Cannot create file \"" + path + "\". " + error);
}

void WriteWholeFile(Disk& disk, const std::string& path, std::string_view data) {
  std::string error;
  if (!disk.WriteFile(path, data, &error))
    throw EFCreateError("Cannot create file \"" + path + "\". " + error);
}

std::string OutputRefusal(Disk& disk, const std::string& path) {
  std::string what;
  if (disk.IsLink(path)) return "is a link, which is never written through";
  if (disk.IsPipeOrDevice(path, &what)) return what;
  return "";
}

bool WriteOutputFile(Disk& disk, const std::string& path, std::string_view data,
                     std::string* error) {
  std::unique_ptr<AppendFile> file = disk.OpenAppend(path, error);
  if (!file) return false;
  return file->Append(data, error) && file->Close(error);
}

bool CreateFolderPath(Disk& disk, const std::string& path, std::string* error) {
  auto create = [&disk, error](const std::string& folder) {
    bool exists = false;
    std::string why;
    if (disk.CreateDir(folder, &exists, &why) || exists) return true;
    if (error) *error = why;
    return false;
  };
  if (path.empty()) {
    if (error) *error = std::strerror(ENOENT);
    return false;
  }
  for (size_t i = RootLength(path); i < path.size(); ++i) {
    if (!IsSeparator(path[i])) continue;
    if (!create(path.substr(0, i))) return false;
    if (i + 1 == path.size()) return true;
  }
  if (IsBareRoot(path)) return true;
  return create(path);
}

}  // namespace tolvern
