#include "platform/disk.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tolvern {

namespace {

Disk* g_disk = nullptr;

std::string ErrnoText() { return std::strerror(errno); }

#ifndef _WIN32
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
// reason in *error on any failure. *opened tells whether the file was opened
// (and so, with O_EXCL, created by this call).
bool WriteTo(const std::string& path, int flags, mode_t mode, std::string_view data,
             std::string* error, bool* opened = nullptr) {
  if (opened) *opened = false;
  int fd = ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, mode);
  if (fd < 0) {
    if (error) *error = ErrnoText();
    return false;
  }
  if (opened) *opened = true;
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
// The sibling is created new: one already standing there (left by a crash,
// or planted) is refused, so nothing is ever written through a link there.
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
  // into: there is nothing to rename over. (The run itself only ever
  // replaces regular files; this serves outputs such as /dev/stdout.)
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) {
      if (error) *error = "is a folder";
      return false;
    }
    return WriteTo(path, O_TRUNC, 0, data, error);
  }
  std::string tmp = path + ".tolvern-new";
  bool created = false;
  if (!WriteTo(tmp, O_CREAT | O_EXCL | O_NOFOLLOW, mode, data, error, &created)) {
    if (created)
      ::unlink(tmp.c_str());
    else if (errno == EEXIST && error)
      *error = "\"" + tmp + "\" is in the way";
    return false;
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    if (error) *error = ErrnoText();
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

void FillStamp(const struct stat& st, FileStamp* stamp) {
  stamp->exists = true;
  stamp->regular = S_ISREG(st.st_mode);
  stamp->dir = S_ISDIR(st.st_mode);
  stamp->size = static_cast<std::uint64_t>(st.st_size);
  stamp->mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  stamp->dev = static_cast<std::uint64_t>(st.st_dev);
  stamp->ino = static_cast<std::uint64_t>(st.st_ino);
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

bool RealDisk::CreatePrivateDir(const std::string& path, bool* already_exists) {
  if (already_exists) *already_exists = false;
  if (path.empty()) return false;
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  if (already_exists) *already_exists = (errno == EEXIST);
  return false;
}

bool RealDisk::RemoveDir(const std::string& path) {
  return !path.empty() && ::rmdir(path.c_str()) == 0;
}

bool RealDisk::DeleteFile(const std::string& path) {
  return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool RealDisk::CopyFile(const std::string& from, const std::string& to, std::string* error) {
  std::string data;
  if (!ReadFile(from, &data, error)) return false;
  struct stat st {};
  mode_t mode = 0666;
  if (::stat(from.c_str(), &st) == 0) mode = st.st_mode & 07777;
  return WriteViaSibling(to, data, mode, error);
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
  // Without O_NONBLOCK, opening a pipe would wait for a writer forever.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (error) *error = ErrnoText();
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    if (error) *error = S_ISDIR(st.st_mode) ? "is a folder" : "not a regular file";
    return false;
  }
  auto too_large = [&] {
    ::close(fd);
    data->clear();
    if (error) *error = "larger than the limit of 256 MB";
    return false;
  };
  if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) return too_large();
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
    // A file that grows while it is read is bounded all the same.
    if (data->size() > kMaxFileSize) return too_large();
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
  return WriteTo(path, O_CREAT | O_TRUNC | O_NOFOLLOW, 0666, data, error);
}

bool RealDisk::Stat(const std::string& path, FileStamp* stamp) {
  *stamp = FileStamp{};
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
  FillStamp(st, stamp);
  return true;
}

bool RealDisk::WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                              bool* already_exists) {
  if (already_exists) *already_exists = false;
  bool created = false;
  if (WriteTo(path, O_CREAT | O_EXCL | O_NOFOLLOW, 0666, data, error, &created)) return true;
  if (created)
    ::unlink(path.c_str());  // a partly written file of our own
  else if (errno == EEXIST && already_exists)
    *already_exists = true;
  return false;
}

bool RealDisk::BackupFile(const std::string& from, const std::string& to, std::string* error,
                          bool* already_exists) {
  if (already_exists) *already_exists = false;
  // A hard link to the file itself: a link at `from` is followed, so the
  // backup holds the content and never a second link.
  if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  if (errno == EEXIST) {
    if (already_exists) *already_exists = true;
    if (error) *error = ErrnoText();
    return false;
  }
  std::string data;
  if (!ReadFile(from, &data, error)) return false;
  if (!WriteExclusive(to, data, error, already_exists)) return false;
  struct stat st {};
  if (::stat(from.c_str(), &st) == 0) ::chmod(to.c_str(), st.st_mode & 07777);
  return true;
}

bool RealDisk::MoveFile(const std::string& from, const std::string& to, std::string* error) {
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    ::chmod(from.c_str(), st.st_mode & 07777);
    if (::rename(from.c_str(), to.c_str()) == 0) return true;
  }
  return CopyFile(from, to, error);
}

std::string RealDisk::TempPath() {
  const char* env = std::getenv("TMPDIR");
  std::string path = env && *env ? env : "/tmp";
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

#else  // _WIN32

bool RealDisk::CreateDir(const std::string& path, bool* already_exists) {
  if (already_exists) *already_exists = false;
  if (path.empty()) return false;
  if (::CreateDirectoryA(path.c_str(), nullptr)) return true;
  if (already_exists) *already_exists = ::GetLastError() == ERROR_ALREADY_EXISTS;
  return false;
}

bool RealDisk::CreatePrivateDir(const std::string& path, bool* already_exists) {
  // The user's temporary folder is private to the user already.
  return CreateDir(path, already_exists);
}

bool RealDisk::RemoveDir(const std::string& path) {
  return !path.empty() && ::RemoveDirectoryA(path.c_str());
}

bool RealDisk::DeleteFile(const std::string& path) {
  return !path.empty() && ::DeleteFileA(path.c_str());
}

bool RealDisk::CopyFile(const std::string& from, const std::string& to, std::string* error) {
  if (error) *error = "copy failed";
  std::string tmp = to + ".tolvern-new";
  if (!::CopyFileA(from.c_str(), tmp.c_str(), FALSE)) return false;
  if (::MoveFileExA(tmp.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  ::DeleteFileA(tmp.c_str());
  return false;
}

bool RealDisk::List(const std::string& folder, std::vector<DirEntry>* entries) {
  entries->clear();
  WIN32_FIND_DATAA fd;
  std::string pattern = folder.empty() ? "*.*" : folder + "\\*.*";
  HANDLE h = ::FindFirstFileA(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    bool is_dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                  !(fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    entries->push_back({name, is_dir});
  } while (::FindNextFileA(h, &fd));
  ::FindClose(h);
  return true;
}

bool RealDisk::FileExists(const std::string& path) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool RealDisk::DirExists(const std::string& path) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool RealDisk::ReadFile(const std::string& path, std::string* data, std::string* error) {
  data->clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (error) *error = ErrnoText();
    return false;
  }
  char buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data->append(buf, n);
  bool ok = !std::ferror(f);
  if (!ok && error) *error = ErrnoText();
  std::fclose(f);
  return ok;
}

bool RealDisk::WriteFile(const std::string& path, std::string_view data, std::string* error) {
  std::string tmp = path + ".tolvern-new";
  FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) {
    if (error) *error = ErrnoText();
    return false;
  }
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = (std::fclose(f) == 0) && ok;
  if (ok) ok = ::MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!ok) {
    if (error) *error = "write failed";
    ::DeleteFileA(tmp.c_str());
  }
  return ok;
}

bool RealDisk::WriteNewFile(const std::string& path, std::string_view data, std::string* error) {
  return WriteFile(path, data, error);
}

bool RealDisk::Stat(const std::string& path, FileStamp* stamp) {
  *stamp = FileStamp{};
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (path.empty() || !::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a))
    return false;
  stamp->exists = true;
  stamp->dir = (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  stamp->regular = !stamp->dir;
  stamp->size = (std::uint64_t{a.nFileSizeHigh} << 32) | a.nFileSizeLow;
  stamp->mtime_ns = static_cast<std::int64_t>(
      ((std::uint64_t{a.ftLastWriteTime.dwHighDateTime} << 32) | a.ftLastWriteTime.dwLowDateTime) *
      100);
  return true;
}

bool RealDisk::WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                              bool* already_exists) {
  if (already_exists) *already_exists = false;
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (::GetLastError() == ERROR_FILE_EXISTS && already_exists) *already_exists = true;
    if (error) *error = "cannot create the file";
    return false;
  }
  DWORD written = 0;
  bool ok = data.empty() || (::WriteFile(h, data.data(), static_cast<DWORD>(data.size()),
                                         &written, nullptr) &&
                             written == data.size());
  ok = ::CloseHandle(h) && ok;
  if (!ok) {
    if (error) *error = "write failed";
    ::DeleteFileA(path.c_str());
  }
  return ok;
}

bool RealDisk::BackupFile(const std::string& from, const std::string& to, std::string* error,
                          bool* already_exists) {
  if (already_exists) *already_exists = false;
  if (::CreateHardLinkA(to.c_str(), from.c_str(), nullptr)) return true;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) {
    if (already_exists) *already_exists = true;
    if (error) *error = "the backup name is taken";
    return false;
  }
  std::string data;
  return ReadFile(from, &data, error) && WriteExclusive(to, data, error, already_exists);
}

bool RealDisk::MoveFile(const std::string& from, const std::string& to, std::string* error) {
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  return CopyFile(from, to, error);
}

std::string RealDisk::TempPath() {
  char buf[MAX_PATH + 1];
  DWORD n = ::GetTempPathA(sizeof buf, buf);
  if (n == 0 || n > MAX_PATH) return "";
  std::string path(buf, n);
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

#endif

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
