#include "platform/disk.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/errors.h"

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tolvern {

namespace {

Disk* g_disk = nullptr;

#ifndef _WIN32
std::string ErrnoText() { return std::strerror(errno); }

// Writes all bytes to fd; false on any short or failed write.
bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Opens (with the flags), writes all of data and closes; false with the
// reason in *error on any failure.
bool WriteTo(const std::string& path, int flags, mode_t mode, std::string_view data,
             std::string* error) {
  int fd = ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, mode);
  if (fd < 0) {
    if (error) *error = ErrnoText();
    return false;
  }
  bool ok = WriteAll(fd, data.data(), data.size());
  if (!ok && error) *error = ErrnoText();
  if (::close(fd) != 0 && ok) {
    ok = false;
    if (error) *error = ErrnoText();
  }
  return ok;
}

// Writes data to a temporary sibling of path and renames it into place. A
// link is followed, so the file it points to is replaced and the link stays.
bool WriteViaSibling(const std::string& requested, std::string_view data, mode_t mode,
                     std::string* error) {
  std::string path = requested;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      path = real;
      std::free(real);
    }
  }
  // An existing file that is not a regular one (a device, a pipe) is written
  // into: there is nothing to rename over.
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return WriteTo(path, O_TRUNC, 0, data, error);
  std::string tmp = path + ".tolvern-new";
  bool ok = WriteTo(tmp, O_CREAT | O_TRUNC, mode, data, error);
  if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
    ok = false;
    if (error) *error = ErrnoText();
  }
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}
#endif

}  // namespace

#ifndef _WIN32

bool RealDisk::CreateDir(const std::string& path, bool* already_exists) {
  if (already_exists) *already_exists = false;
  if (path.empty()) return false;
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  if (already_exists) *already_exists = (errno == EEXIST);
  return false;
}

bool RealDisk::RemoveDir(const std::string& path) {
  return !path.empty() && ::rmdir(path.c_str()) == 0;
}

bool RealDisk::DeleteFile(const std::string& path) {
  return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool RealDisk::CopyFile(const std::string& from, const std::string& to) {
  std::string data;
  if (!ReadFile(from, &data, nullptr)) return false;
  struct stat st {};
  mode_t mode = 0666;
  if (::stat(from.c_str(), &st) == 0) mode = st.st_mode & 07777;
  return WriteViaSibling(to, data, mode, nullptr);
}

bool RealDisk::List(const std::string& folder, std::vector<DirEntry>* entries) {
  entries->clear();
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    DirEntry entry{name, false};
    // A link to a folder is not a folder for our walks: the entry's own type
    // counts, as the listing gives it (or lstat where it does not).
    if (e->d_type != DT_UNKNOWN) {
      entry.is_dir = e->d_type == DT_DIR;
    } else {
      std::string full = folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
      struct stat st {};
      if (::lstat(full.c_str(), &st) == 0) entry.is_dir = S_ISDIR(st.st_mode);
    }
    entries->push_back(std::move(entry));
  }
  ::closedir(dir);
  return true;
}

bool RealDisk::FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool RealDisk::DirExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RealDisk::ReadFile(const std::string& path, std::string* data, std::string* error) {
  data->clear();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = ErrnoText();
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    if (error) *error = "is a folder";
    return false;
  }
  if (st.st_size > 0) data->reserve(static_cast<size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (error) *error = ErrnoText();
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    data->append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool RealDisk::WriteFile(const std::string& path, std::string_view data, std::string* error) {
  struct stat st {};
  mode_t mode = 0666;
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
  return WriteViaSibling(path, data, mode, error);
}

bool RealDisk::WriteNewFile(const std::string& path, std::string_view data, std::string* error) {
  return WriteTo(path, O_CREAT | O_TRUNC, 0666, data, error);
}

bool RealDisk::BackupFile(const std::string& from, const std::string& to) {
  if (::link(from.c_str(), to.c_str()) == 0) return true;
  if (errno == EEXIST && ::unlink(to.c_str()) == 0 && ::link(from.c_str(), to.c_str()) == 0)
    return true;
  return CopyFile(from, to);
}

bool RealDisk::MoveFile(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    ::chmod(from.c_str(), st.st_mode & 07777);
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
  }
  return CopyFile(from, to);
}

std::string RealDisk::TempPath() {
  const char* env = std::getenv("TMPDIR");
  std::string path = env && *env ? env : "/tmp";
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

#endif  // !_WIN32 (the Windows disk is in disk_win.cc)

Disk& CurrentDisk() {
  static RealDisk real;
  return g_disk ? *g_disk : real;
}

ScopedDisk::ScopedDisk(Disk* disk) : previous_(g_disk) { g_disk = disk; }
ScopedDisk::~ScopedDisk() { g_disk = previous_; }

std::string ReadWholeFile(const std::string& path) {
  std::string data, error;
  if (!CurrentDisk().ReadFile(path, &data, &error))
    throw EFOpenError("Cannot open file \"" + path + "\". " + error);
  return data;
}

void WriteNewWholeFile(const std::string& path, std::string_view data) {
  std::string error;
  if (!CurrentDisk().WriteNewFile(path, data, &error))
    throw EFCreateError("Cannot create file \"" + path + "\". " + error);
}

void WriteWholeFile(const std::string& path, std::string_view data) {
  std::string error;
  if (!CurrentDisk().WriteFile(path, data, &error))
    throw EFCreateError("Cannot create file \"" + path + "\". " + error);
}

}  // namespace tolvern
