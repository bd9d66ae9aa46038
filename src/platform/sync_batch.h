// Durability in batches. A run writes thousands of files; making each one
// durable on its own costs a sync call per file. Instead the disk notes
// what it wrote, linked or renamed while syncs are deferred, and one barrier
// makes all of it durable at once: on Linux a syncfs of each file system
// the files lie on, elsewhere each file (and on POSIX each folder) synced,
// several at a time.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace tolvern {

class SyncBatch {
 public:
  bool Deferred() const { return deferred_; }
  void SetDeferred(bool deferred) { deferred_ = deferred; }

  // Notes a file written, linked or renamed into place (by its new name).
  // Safe to call from several threads.
  void Note(const std::string& path);
  // Makes everything noted since the last barrier durable and forgets it;
  // false with the system's reason (naming the file or folder) when that
  // failed. A noted file that is gone since counts as durable.
  bool Barrier(std::string* error);

 private:
  std::mutex mutex_;
  std::vector<std::string> noted_;
  bool deferred_ = false;
};

// The platform's barrier over the given files.
bool SyncNotedFiles(const std::vector<std::string>& files, std::string* error);

}  // namespace tolvern
