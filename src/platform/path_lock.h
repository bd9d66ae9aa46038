// An exclusive lock held through an open lock file. The system releases it
// when the process ends in any way (also by kill -9), so a lock never outlives
// its owner, and a lock file whose lock can be taken belongs to nobody alive.
#pragma once

#include <string>

namespace tolvern {

class PathLock {
 public:
  PathLock() = default;
  ~PathLock() { Release(); }
  PathLock(const PathLock&) = delete;
  PathLock& operator=(const PathLock&) = delete;

  // Takes the lock of the file at path, creating it, without waiting. False
  // when another process holds it (*held_elsewhere set) or the file cannot
  // be made (the reason in *error).
  bool TryLock(const std::string& path, std::string* error, bool* held_elsewhere);
  // Gives the lock file a new name, the lock going with it, so that a lock
  // file appears under that name only once it is locked. False where the
  // system cannot rename an open file (the lock stays under its old name).
  bool Rename(const std::string& new_path);
  // Removes the lock file and releases the lock.
  void Release();
  // Releases the lock and leaves the lock file, as a killed process would.
  void Abandon();
  bool Held() const { return held_; }

  // Whether a live process holds the lock of an existing lock file; false
  // when the file is missing or its lock could be taken (and was let go).
  static bool IsHeld(const std::string& path);

 private:
  std::string path_;
  bool held_ = false;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace tolvern
