#include "platform/path_lock.h"

#include <cerrno>
#include <cstring>
#include <string>

#ifdef _WIN32
#include "platform/windows_api.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tolvern {

#ifndef _WIN32

bool PathLock::TryLock(const std::string& path, std::string* error, bool* held_elsewhere) {
  Release();
  if (held_elsewhere) *held_elsewhere = false;
  // The file may be removed by its last holder between our open and our
  // lock: a lock on a file that no longer has the name is worth nothing, so
  // the open is tried again.
  for (int attempt = 0; attempt < 5; ++attempt) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (error) *error = std::strerror(errno);
      return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      int e = errno;
      ::close(fd);
      if (e == EWOULDBLOCK) {
        if (held_elsewhere) *held_elsewhere = true;
        if (error) *error = "held by another process";
      } else if (error) {
        *error = std::strerror(e);
      }
      return false;
    }
    struct stat mine {
    }, named{};
    if (::fstat(fd, &mine) == 0 && ::stat(path.c_str(), &named) == 0 &&
        mine.st_ino == named.st_ino && mine.st_dev == named.st_dev) {
      std::string pid = std::to_string(::getpid()) + "\n";
      if (::ftruncate(fd, 0) == 0) (void)!::write(fd, pid.data(), pid.size());
      fd_ = fd;
      path_ = path;
      held_ = true;
      return true;
    }
    ::close(fd);
  }
  if (error) *error = "the lock file keeps changing";
  return false;
}

bool PathLock::Rename(const std::string& new_path) {
  if (!held_ || ::rename(path_.c_str(), new_path.c_str()) != 0) return false;
  path_ = new_path;
  return true;
}

void PathLock::Release() {
  if (!held_) return;
  ::unlink(path_.c_str());
  ::close(fd_);
  fd_ = -1;
  held_ = false;
}

void PathLock::Abandon() {
  if (!held_) return;
  ::close(fd_);
  fd_ = -1;
  held_ = false;
}

bool PathLock::IsHeld(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // also lets go of a lock taken for the test
  return held;
}

#else  // _WIN32

// A file opened with no sharing cannot be opened again until its handle is
// closed, which the system does when the process ends; it is deleted then.
bool PathLock::TryLock(const std::string& path, std::string* error, bool* held_elsewhere) {
  Release();
  if (held_elsewhere) *held_elsewhere = false;
  HANDLE h = ::CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD e = ::GetLastError();
    if (e == ERROR_SHARING_VIOLATION) {
      if (held_elsewhere) *held_elsewhere = true;
      if (error) *error = "held by another process";
    } else if (error) {
      *error = ErrorText(e);
    }
    return false;
  }
  handle_ = h;
  path_ = path;
  held_ = true;
  return true;
}

bool PathLock::Rename(const std::string&) { return false; }

void PathLock::Release() {
  if (!held_) return;
  ::CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
  held_ = false;
}

void PathLock::Abandon() { Release(); }

bool PathLock::IsHeld(const std::string& path) {
  HANDLE h = ::CreateFileW(WidePath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_SHARING_VIOLATION;
  ::CloseHandle(h);
  return false;
}

#endif

}  // namespace tolvern
