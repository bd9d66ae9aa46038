// Restore: puts back every original that an undo file lists, from its
// backup. An undo file may come from anywhere, so every line is checked
// before anything is copied: both paths absolute, the backup a regular file
// inside the undo file's folder tree, the original a regular file or absent.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/disk.h"

namespace tolvern {

class UndoRestore {
 public:
  explicit UndoRestore(Disk& disk) : disk_(disk) {}

  // False, with the reason in Error(), when the file lists nothing, a line
  // fails its check (nothing is copied then) or a copy fails (the copies
  // before it stay done). Throws EFOpenError when the undo file cannot be
  // read.
  bool Restore(const std::string& undo_file_name);
  const std::string& Error() const { return error_; }

 private:
  // The (original, backup) pairs of the undo file's lines; false, with the
  // reason in error_, at the first line that fails its check.
  bool CheckLines(const std::string& undo_file_name, const std::string& text,
                  std::vector<std::pair<std::string, std::string>>* pairs);

  Disk& disk_;
  std::string error_;
};

}  // namespace tolvern
