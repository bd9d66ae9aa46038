// The real disk on POSIX systems: reads, writes, renames and links, each
// write made durable before it takes its place. (The Windows disk is in
// disk_win.cc; removing trees and the private temporary folder are in
// disk_posix_tree.cc.)
#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "base/errors.h"
#include "base/paths.h"
#include "platform/disk.h"
#include "platform/posix_io.h"

namespace tolvern {

std::string posix::ErrnoText() { return std::strerror(errno); }

std::string posix::FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string posix::RefusedOutputKind(unsigned mode) {
  // A link is told by the system's own reason for not following it.
  if (S_ISREG(mode) || S_ISDIR(mode) || S_ISCHR(mode) || S_ISLNK(mode)) return "";
  if (S_ISFIFO(mode)) return "is a named pipe, not a regular file";
  if (S_ISSOCK(mode)) return "is a socket, not a regular file";
  if (S_ISBLK(mode)) return "is a block device, not a regular file";
  return "not a regular file";
}

int posix::OpenOutput(const std::string& path, int flags, std::string* error, bool into_pipe) {
  int fd = ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC | O_NONBLOCK, 0666);
  struct stat st {};
  if (fd < 0) {
    // A pipe without a reader fails (ENXIO), and so does a socket: what
    // stands there says more than the system's reason.
    const int failure = errno;
    std::string kind;
    if (::lstat(path.c_str(), &st) == 0) kind = RefusedOutputKind(st.st_mode);
    if (into_pipe && S_ISFIFO(st.st_mode)) kind = "is a named pipe that no program reads";
    if (error) *error = kind.empty() ? std::strerror(failure) : kind;
    errno = failure;
    return -1;
  }
  std::string why = ::fstat(fd, &st) == 0 ? RefusedOutputKind(st.st_mode) : ErrnoText();
  if (into_pipe && S_ISFIFO(st.st_mode)) why.clear();
  if (why.empty()) {
    const int status = ::fcntl(fd, F_GETFL);
    if (status != -1 && ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0) return fd;
    why = ErrnoText();
  }
  ::close(fd);
  if (error) *error = why;
  return -1;
}

namespace {

using posix::ErrnoText;
using posix::FolderOf;

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

// Writes all of data to the open file fd and closes it; false with the
// reason in *error on any failure.
bool WriteAndClose(int fd, std::string_view data, std::string* error) {
  bool ok = WriteAll(fd, data.data(), data.size());
  if (!ok && error) *error = ErrnoText();
  if (::close(fd) != 0 && ok) {
    ok = false;
    if (error) *error = ErrnoText();
  }
  return ok;
}

// Makes the bytes written to an open file durable; false with the reason.
using Syncer = std::function<bool(int fd, std::string* error)>;

// Makes the entries of the folder that holds path durable (a name created,
// renamed or linked there). A file system that cannot sync a folder says so
// with EINVAL (or that it is not supported): there is nothing more to do
// then, and that is no failure.
bool SyncFolderOf(const std::string& path, std::string* error) {
  int fd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = ErrnoText();
    return false;
  }
  bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP;
  if (!ok && error) *error = ErrnoText();
  ::close(fd);
  return ok;
}

// Opens (with the flags), writes all of data, syncs it (when given a syncer)
// and closes; false with the reason in *error on any failure. *opened tells
// whether the file was opened (and so, with O_EXCL, created by this call).
bool WriteTo(const std::string& path, int flags, mode_t mode, std::string_view data,
             std::string* error, bool* opened = nullptr, const Syncer& sync = {}) {
  if (opened) *opened = false;
  int fd = ::open(path.c_str(), flags | O_WRONLY | O_CLOEXEC, mode);
  if (fd < 0) {
    if (error) *error = ErrnoText();
    return false;
  }
  if (opened) *opened = true;
  bool ok = WriteAll(fd, data.data(), data.size());
  if (!ok && error) *error = ErrnoText();
  if (ok && sync) ok = sync(fd, error);
  if (::close(fd) != 0 && ok) {
    ok = false;
    if (error) *error = ErrnoText();
  }
  return ok;
}

// Writes data to a temporary sibling of path, makes it durable and renames
// it into place, so that a crash leaves the old file or the new one, never
// an empty one. A link is followed, so the file it points to is replaced and
// the link stays. The sibling is created new: one already standing there
// (left by a crash, or planted) is refused, so nothing is ever written
// through a link there.
bool WriteViaSibling(const std::string& requested, std::string_view data, mode_t mode,
                     std::string* error, const Syncer& sync) {
  std::string path = requested;
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real && errno != ENOENT) {
      if (error) *error = ErrnoText();
      return false;
    }
    if (real) {
      path = real;
      std::free(real);
    }
  }
  // An existing file that is not a regular one (a device, a pipe) is written
  // into: there is nothing to rename over. (The run itself only ever
  // replaces regular files; this serves outputs such as /dev/stdout.) A pipe
  // that no program reads is refused rather than waited on.
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      if (error) *error = "is a folder";
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      const int fd = posix::OpenOutput(path, O_TRUNC, error, true);
      return fd >= 0 && WriteAndClose(fd, data, error);
    }
  } else if (errno != ENOENT) {
    if (error) *error = ErrnoText();
    return false;
  }
  std::string tmp = path + ".tolvern-new";
  bool created = false;
  if (!WriteTo(tmp, O_CREAT | O_EXCL | O_NOFOLLOW, mode, data, error, &created, sync)) {
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
  // The new file is whole and in place; should the folder's sync fail, a
  // crash could at worst bring back the old file, whole too. It is not
  // reported: the caller would take the file for one left as it was.
  SyncFolderOf(path, nullptr);
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

}  // namespace

namespace {
bool MakeDir(const std::string& path, mode_t mode, bool* already_exists, std::string* error) {
  if (already_exists) *already_exists = false;
  if (path.empty()) {
    if (error) *error = std::strerror(ENOENT);
    return false;
  }
  if (::mkdir(path.c_str(), mode) == 0) return true;
  if (already_exists) *already_exists = (errno == EEXIST);
  if (error) *error = ErrnoText();
  return false;
}
}  // namespace

bool RealDisk::CreateDir(const std::string& path, bool* already_exists, std::string* error) {
  return MakeDir(path, 0777, already_exists, error);
}

bool RealDisk::CreatePrivateDir(const std::string& path, bool* already_exists, std::string* error) {
  return MakeDir(path, 0700, already_exists, error);
}

bool RealDisk::RemoveDir(const std::string& path) {
  return !path.empty() && ::rmdir(path.c_str()) == 0;
}

bool RealDisk::DeleteFile(const std::string& path, std::string* error) {
  if (!path.empty() && ::unlink(path.c_str()) == 0) return true;
  if (error) *error = path.empty() ? std::strerror(ENOENT) : ErrnoText();
  return false;
}

bool RealDisk::SyncFile(FileHandle fd, const std::string&, std::string* error) {
  if (::fsync(fd) == 0) return true;
  if (error) *error = ErrnoText();
  return false;
}

bool RealDisk::CopyFile(const std::string& from, const std::string& to, std::string* error) {
  std::string data;
  if (!ReadFile(from, &data, error)) return false;
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0) {
    if (error) *error = ErrnoText();
    return false;
  }
  return WriteViaSibling(to, data, st.st_mode & 07777, error,
                         [this, &to](int fd, std::string* e) { return SyncFile(fd, to, e); });
}

bool RealDisk::List(const std::string& folder, std::vector<DirEntry>* entries, std::string* error) {
  entries->clear();
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) {
    if (error) *error = ErrnoText();
    return false;
  }
  for (;;) {
    // readdir answers null both at the end and on a failure: only errno
    // tells them apart.
    errno = 0;
    dirent* e = ::readdir(dir);
    if (!e) break;
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    DirEntry entry{name, false};
    // A link to a folder is not a folder for our walks: the entry's own type
    // counts, as the listing gives it (or lstat where it does not).
    if (e->d_type != DT_UNKNOWN) {
      entry.is_dir = e->d_type == DT_DIR;
    } else {
      std::string full =
          folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
      struct stat st {};
      if (::lstat(full.c_str(), &st) == 0) entry.is_dir = S_ISDIR(st.st_mode);
    }
    entries->push_back(std::move(entry));
  }
  const int failure = errno;
  ::closedir(dir);
  if (failure == 0) return true;
  if (error) *error = std::strerror(failure);
  errno = failure;
  return false;
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
  if (::fstat(fd, &st) != 0) {
    if (error) *error = ErrnoText();
    ::close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode)) {
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
  // The bytes are read straight into the string, sized one byte beyond the
  // file so that the read that finds the end is the only one more.
  data->resize(static_cast<size_t>(st.st_size) + 1);
  size_t len = 0;
  for (;;) {
    if (len == data->size()) data->resize(std::max<size_t>(data->size() * 2, 1 << 16));
    ssize_t n = ::read(fd, data->data() + len, data->size() - len);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (error) *error = ErrnoText();
      ::close(fd);
      data->clear();
      return false;
    }
    if (n == 0) break;
    len += static_cast<size_t>(n);
    // A file that grows while it is read is bounded all the same.
    if (len > kMaxFileSize) return too_large();
  }
  ::close(fd);
  data->resize(len);
  return true;
}

bool RealDisk::WriteFile(const std::string& path, std::string_view data, std::string* error) {
  struct stat st {};
  mode_t mode = 0666;
  if (::stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    if (error) *error = ErrnoText();
    return false;
  }
  return WriteViaSibling(path, data, mode, error,
                         [this, &path](int fd, std::string* e) { return SyncFile(fd, path, e); });
}

bool RealDisk::WriteNewFile(const std::string& path, std::string_view data, std::string* error) {
  // Not made durable here: a work file's bytes are when it takes an
  // original's place (MoveFile, or the Sync before it), and only then do
  // they matter. Opened as the log is: a pipe planted under the name (beside
  // the log) never holds the run.
  const int fd = posix::OpenOutput(path, O_CREAT | O_TRUNC | O_NOFOLLOW, error);
  if (fd < 0 || !WriteAndClose(fd, data, error)) return false;
  Deferred(path);
  return true;
}

bool RealDisk::IsPipeOrDevice(const std::string& path, std::string* what) {
  struct stat st {};
  if (path.empty() || ::lstat(path.c_str(), &st) != 0) return false;
  const std::string kind = posix::RefusedOutputKind(st.st_mode);
  if (what) *what = kind;
  return !kind.empty();
}

bool RealDisk::Stat(const std::string& path, FileStamp* stamp, std::string* error) {
  *stamp = FileStamp{};
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) {
    if (error) *error = path.empty() || errno == ENOENT ? std::string() : ErrnoText();
    return false;
  }
  FillStamp(st, stamp);
  stamp->read_only = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  stamp->links = static_cast<std::uint64_t>(st.st_nlink);
  return true;
}

bool RealDisk::WriteExclusive(const std::string& path, std::string_view data, std::string* error,
                              bool* already_exists) {
  if (already_exists) *already_exists = false;
  bool created = false;
  if (batch_->Deferred()) {
    if (WriteTo(path, O_CREAT | O_EXCL | O_NOFOLLOW, 0666, data, error, &created)) {
      Deferred(path);
      return true;
    }
  } else if (WriteTo(path, O_CREAT | O_EXCL | O_NOFOLLOW, 0666, data, error, &created,
                     [this, &path](int fd, std::string* e) { return SyncFile(fd, path, e); }) &&
             SyncFolderOf(path, error)) {
    return true;
  }
  const int failure = errno;
  if (created)
    ::unlink(path.c_str());  // a partly written (or not durable) file of our own
  else if (failure == EEXIST && already_exists)
    *already_exists = true;
  errno = failure;
  return false;
}

bool RealDisk::BackupFile(const std::string& from, const std::string& to, std::string* error,
                          bool* already_exists) {
  if (already_exists) *already_exists = false;
  // A hard link to the file itself: a link at `from` is followed, so the
  // backup holds the content and never a second link.
  if (::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    if (Deferred(to) || SyncFolderOf(to, error)) return true;
    const int failure = errno;
    ::unlink(to.c_str());  // a backup that a crash could lose is none
    errno = failure;
    return false;
  }
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
  // The new file takes the permissions of the file it replaces, also when
  // that is reached through a link.
  struct stat st {};
  if (::stat(to.c_str(), &st) == 0 && S_ISREG(st.st_mode))
    ::chmod(from.c_str(), st.st_mode & 07777);
  if (::lstat(to.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    // What `from` holds is made durable before it takes the original's
    // place (by the Sync before the move, where syncs are deferred); when
    // that fails, the original stays as it is.
    if (!batch_->Deferred()) {
      int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
      if (fd < 0) {
        if (error) *error = ErrnoText();
        return false;
      }
      const bool synced = SyncFile(fd, to, error);
      ::close(fd);
      if (!synced) return false;
    }
    if (::rename(from.c_str(), to.c_str()) == 0) {
      // As after any rename: the file is whole in either place.
      if (!Deferred(to)) SyncFolderOf(to, nullptr);
      return true;
    }
  }
  return CopyFile(from, to, error);
}

}  // namespace tolvern

#endif  // !_WIN32
