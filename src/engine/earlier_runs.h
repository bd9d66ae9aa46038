// What the earlier runs into a backup folder did, read from their undo files
// and records. A run stopped while it replaced the originals leaves some
// forms migrated and others not; the next run reads the database components
// of a form an earlier run migrated from that form's backup, so that the
// data sets of the forms it migrates now are bound to them as they would
// have been in one whole run.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/undo_record.h"
#include "platform/disk.h"

namespace tolvern {

// The files that an earlier run created and that nothing uses: the run was
// stopped after it created them and before it replaced any original (each
// original its undo file lists still holds its backup's text, or is gone),
// and each still holds what the run wrote. A run removes them before it
// chooses the names of the files it creates, so that a stopped run does not
// leave the next one a second connection module beside an unused one.
std::vector<std::string> CreatedByStoppedRuns(Disk& disk, const std::string& backup_dir);
// Removes them; the paths removed.
std::vector<std::string> RemoveCreatedByStoppedRuns(Disk& disk, const std::string& backup_dir);

class EarlierRuns {
 public:
  EarlierRuns(Disk& disk, std::string backup_dir)
      : disk_(disk), backup_dir_(std::move(backup_dir)) {}

  // The backup that the newest earlier run which replaced original made of
  // it, when original still holds the text that run wrote (as its record
  // says); "" otherwise. Safe to call from several threads.
  std::string BackupIfStillMigrated(const std::string& original, std::string_view text);
  // Whether an earlier run replaced original (and so whether its text is
  // worth reading for BackupIfStillMigrated).
  bool Replaced(const std::string& original);

 private:
  struct Replacement {
    std::string backup;
    WrittenText written;
  };
  void Load();

  Disk& disk_;
  const std::string backup_dir_;
  std::once_flag loaded_;
  std::map<std::string, Replacement> newest_;
};

}  // namespace tolvern
