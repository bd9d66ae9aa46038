#include "platform/sync_batch.h"

#include <atomic>
#include <set>
#include <utility>

#include "base/paths.h"
#include "platform/worker_pool.h"

#ifdef _WIN32
#include "platform/disk_win_io.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace tolvern {

void SyncBatch::Note(const std::string& path) {
  std::lock_guard lock(mutex_);
  noted_.push_back(path);
}

bool SyncBatch::Barrier(std::string* error) {
  std::vector<std::string> files;
  {
    std::lock_guard lock(mutex_);
    files.swap(noted_);
  }
  if (files.empty()) return true;
  return SyncNotedFiles(files, error);
}

namespace {

#ifndef _WIN32
std::string Reason(const std::string& path) { return path + ": " + std::strerror(errno); }

// Syncs one open file or folder. A file system that cannot sync a folder
// says so with EINVAL (or that it is not supported): nothing more to do.
bool SyncOne(const std::string& path, bool folder, std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
  if (fd < 0) {
    if (errno == ENOENT) return true;
    if (error) *error = Reason(path);
    return false;
  }
#ifdef __linux__
  // One call makes the whole file system durable: the file's content and
  // every entry of every folder on it.
  bool ok = ::syncfs(fd) == 0;
#else
  bool ok = ::fsync(fd) == 0 || (folder && (errno == EINVAL || errno == ENOTSUP));
#endif
  if (!ok && error) *error = Reason(path);
  ::close(fd);
  return ok;
}
#endif

// What one barrier syncs: on Linux one folder per file system; elsewhere
// every file and (on POSIX) every folder that holds one.
struct Targets {
  std::vector<std::pair<std::string, bool>> paths;  // path, is a folder
};

Targets TargetsOf(const std::vector<std::string>& files) {
  Targets t;
  std::set<std::string> folders;
  for (const std::string& f : files) folders.insert(ExtractFileDir(f));
#if defined(__linux__)
  std::set<unsigned long long> devices;
  for (const std::string& folder : folders) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) continue;  // gone: nothing of it to keep
    if (devices.insert(static_cast<unsigned long long>(st.st_dev)).second)
      t.paths.emplace_back(folder, true);
  }
#else
  std::set<std::string> seen;
  for (const std::string& f : files)
    if (seen.insert(f).second) t.paths.emplace_back(f, false);
#ifndef _WIN32
  // Windows has no way to sync a folder's entries: its file systems log
  // them on their own.
  for (const std::string& folder : folders) t.paths.emplace_back(folder, true);
#endif
#endif
  return t;
}

#ifdef _WIN32
bool SyncOne(const std::string& path, bool, std::string* error) {
  HANDLE h = ::CreateFileW(WidePath(path).c_str(), GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return true;
    std::string why;
    win::Fail(&why, code);
    if (error) *error = path + ": " + why;
    return false;
  }
  const bool ok = ::FlushFileBuffers(h) || win::Fail(error, ::GetLastError());
  ::CloseHandle(h);
  if (!ok && error) *error = path + ": " + *error;
  return ok;
}
#endif

}  // namespace

bool SyncNotedFiles(const std::vector<std::string>& files, std::string* error) {
  const Targets targets = TargetsOf(files);
  if (targets.paths.size() <= 2) {
    for (const auto& [path, folder] : targets.paths)
      if (!SyncOne(path, folder, error)) return false;
    return true;
  }
  // Many files (where each is synced on its own): several at a time, so
  // that the device works on all of them at once.
  std::mutex mutex;
  std::string first;
  std::atomic<bool> failed{false};
  {
    WorkerPool pool(WorkerPool::ThreadsFor(0) * 2);
    for (const auto& [path, folder] : targets.paths)
      pool.Submit([&, p = path, f = folder](int) {
        std::string why;
        if (SyncOne(p, f, &why)) return;
        std::lock_guard lock(mutex);
        if (!failed.exchange(true)) first = why;
      });
    pool.Finish();
  }
  if (failed && error) *error = first;
  return !failed;
}

}  // namespace tolvern
