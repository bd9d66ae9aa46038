#include "data/output_place.h"

#include "platform/disk.h"

namespace tolvern::data {

std::string PartPath(const std::string& target) { return target + ".tolvern-part"; }

bool PutInPlace(Disk& disk, const std::string& part, const std::string& target,
                std::string* error) {
  std::string reason;
  bool placed = false;
  if (!disk.FileExists(target)) {
    // A new name: linked to the finished file, then the temporary name goes.
    bool already_exists = false;
    placed = disk.BackupFile(part, target, &reason, &already_exists);
    if (!placed && !already_exists) placed = disk.MoveFile(part, target, &reason);
  } else {
    placed = disk.MoveFile(part, target, &reason);
  }
  std::string ignored;
  if (disk.FileExists(part)) disk.DeleteFile(part, &ignored);
  if (!placed) *error = target + ": cannot be written: " + reason;
  return placed;
}

}  // namespace tolvern::data
