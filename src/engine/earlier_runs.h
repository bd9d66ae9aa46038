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

#include "engine/undo_record.h"
#include "platform/disk.h"

namespace tolvern {

class EarlierRuns {
 public:
  EarlierRuns(Disk& disk, std::string backup_dir)
      : disk_(disk), backup_dir_(std::move(backup_dir)) {}

  // The backup that the newest earlier run which replaced original made of
  // it, when original still holds the text that run wrote (as its record
  // says); "" otherwise. Safe to call from several threads.
  std::string BackupIfStillMigrated(const std::string& original, std::string_view text);

 private:
  struct Replaced {
    std::string backup;
    WrittenText written;
  };
  void Load();

  Disk& disk_;
  const std::string backup_dir_;
  std::once_flag loaded_;
  std::map<std::string, Replaced> newest_;
};

}  // namespace tolvern
