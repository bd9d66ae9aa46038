// Removing folder trees without following a link, and the user's private
// folder for work folders, on POSIX systems.
#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/paths.h"
#include "platform/disk.h"
#include "platform/posix_io.h"

namespace tolvern {

using posix::ErrnoText;
using posix::FolderOf;

namespace {

// The first failure of a removal, naming the entry.
void NoteFailure(std::string* error, const std::string& path) {
  if (error && error->empty()) *error = "\"" + path + "\": " + ErrnoText();
}

// Removes everything in the open folder fd (named path, for messages only)
// and closes it. Each entry is looked at without following links; a folder
// is opened from fd by its name, never by a path from the top, so a folder
// swapped for a link meanwhile is never entered.
bool RemoveEntriesOf(int fd, const std::string& path, std::string* error) {
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    NoteFailure(error, path);
    ::close(fd);
    return false;
  }
  bool ok = true;
  // The names are taken first: a folder changed while it is read may list
  // some entries twice or not at all.
  std::vector<std::string> names;
  for (;;) {
    errno = 0;
    dirent* e = ::readdir(dir);
    if (!e) break;
    std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  if (errno != 0) {
    NoteFailure(error, path);
    ok = false;
  }
  const int at = ::dirfd(dir);
  for (const std::string& name : names) {
    const std::string full = path + "/" + name;
    struct stat st {};
    if (::fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;
      NoteFailure(error, full);
      ok = false;
      continue;
    }
    if (S_ISDIR(st.st_mode)) {
      int sub = ::openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      struct stat opened {};
      if (sub >= 0 && (::fstat(sub, &opened) != 0 || opened.st_dev != st.st_dev ||
                       opened.st_ino != st.st_ino)) {
        // Another folder stands under the name now: not the one looked at.
        ::close(sub);
        sub = -1;
        errno = EAGAIN;
      }
      if (sub < 0 && (errno == ELOOP || errno == ENOTDIR) && ::unlinkat(at, name.c_str(), 0) == 0)
        continue;  // a link (or file) put there meanwhile: only its name goes
      if (sub < 0) {
        NoteFailure(error, full);
        ok = false;
        continue;
      }
      if (!RemoveEntriesOf(sub, full, error)) ok = false;
      if (::unlinkat(at, name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
        NoteFailure(error, full);
        ok = false;
      }
    } else if (::unlinkat(at, name.c_str(), 0) != 0 && errno != ENOENT) {
      // A file, or a link (to anything): only the name goes.
      NoteFailure(error, full);
      ok = false;
    }
  }
  ::closedir(dir);
  return ok;
}

}  // namespace

bool RealDisk::RemoveTree(const std::string& path, std::string* error, bool keep_folder) {
  if (error) error->clear();
  std::string name = path;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  if (name.empty() || name == "/") {
    if (error) *error = "no folder to remove";
    return false;
  }
  const std::string parent = FolderOf(name);
  const std::string last = name.substr(name.find_last_of('/') + 1);
  if (last == "." || last == "..") {
    if (error) *error = "\"" + path + "\": not a folder to remove";
    return false;
  }
  int up = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (up < 0) {
    NoteFailure(error, path);
    return false;
  }
  // O_NOFOLLOW: a link standing at path is refused, never removed through.
  int fd = ::openat(up, last.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    NoteFailure(error, path);
    ::close(up);
    return false;
  }
  bool ok = RemoveEntriesOf(fd, name, error);
  if (ok && !keep_folder && ::unlinkat(up, last.c_str(), AT_REMOVEDIR) != 0) {
    NoteFailure(error, path);
    ok = false;
  }
  ::close(up);
  return ok;
}

bool RealDisk::IsOwnFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         st.st_uid == ::geteuid();
}

std::string RealDisk::PrivateTempPath(std::string* error) {
  const std::string temp = TempPath();
  const std::string path =
      (temp == "/" ? temp : temp + "/") + "tolvern-" + std::to_string(::geteuid());
  auto refuse = [&](const std::string& why) {
    if (error) *error = "\"" + path + "\": " + why;
    return std::string();
  };
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return refuse(ErrnoText());
  // Made now or long ago, by this user or planted by another: only what
  // stands there counts.
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return refuse(ErrnoText());
  if (S_ISLNK(st.st_mode)) return refuse("is a link, not a folder of the user's own");
  if (!S_ISDIR(st.st_mode)) return refuse("not a folder");
  if (st.st_uid != ::geteuid()) return refuse("belongs to another user");
  if (st.st_mode & (S_IWGRP | S_IWOTH)) return refuse("others may write in it");
  return path;
}

std::string RealDisk::TempPath() {
  const char* env = std::getenv("TMPDIR");
  std::string path = env && *env ? env : "/tmp";
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace tolvern

#endif  // !_WIN32
