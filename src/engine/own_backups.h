// The backups this tool made of an original, found by their names in the
// backup folder. A backup is made as a hard link, so until the original is
// replaced the backup is another name of the very same file. Such a name is
// the run's own, not a link someone else made: a file that has it may be
// migrated. A run stopped after making its backups but before writing its
// undo file leaves backups that no undo file lists; the next run removes
// them (the original holds the same bytes, so nothing is lost).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/replace_options.h"
#include "platform/disk.h"

namespace tolvern {

// The name of the backup of file before numbering: in project mode
// "Name.~pas" in the backup folder, in folder mode the same below the
// backup folder, in the file's folder relative to the tree (rel_dir).
std::string BackupBaseFor(const TReplaceOptions& options, const std::string& file,
                          const std::string& rel_dir);
// The n-th name of a file that never replaces another: the name itself,
// then the name with ".2", ".3"... before its extension.
std::string NumberedName(const std::string& base, int n);

// Whether backup is named as the run names the backup of original:
// "Name.~pas" for "Name.pas", or with a number ("Name.2.~pas").
bool IsBackupNameOf(const std::string& backup, const std::string& original);

// Calls visit with the path and text of each undo file of the backup folder,
// oldest first ("ZUvezod.reu", "ZUvezod.2.reu"...), up to the first number
// not taken; one that is there but cannot be read is passed over.
void ForEachUndoFile(
    Disk& disk, const std::string& backup_dir,
    const std::function<void(const std::string& undo, const std::string& text)>& visit);

struct OwnBackupNames {
  int listed = 0;                  // named by an undo file: kept
  std::vector<std::string> stale;  // named by none: removed before the next backup
  int Count() const { return listed + static_cast<int>(stale.size()); }
};

// The backups of file (as read: `read`) that are other names of it now.
OwnBackupNames FindOwnBackups(Disk& disk, const TReplaceOptions& options, const std::string& file,
                              const std::string& rel_dir, const FileStamp& read);

// Removes the stale backups that are still other names of the file read as
// `read`; each one that is not is left alone.
void RemoveStaleBackups(Disk& disk, const std::vector<std::string>& stale, const FileStamp& read);

}  // namespace tolvern
