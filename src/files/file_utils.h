// Folder routines of the conversion run and the wizard, on the disk they are
// given. None of them throws for a file-system failure: each reports by its result (false or an
// empty string) and the caller decides what to say.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/ascii_text.h"
#include "base/paths.h"
#include "platform/disk.h"

namespace tolvern {

// Creates every missing folder along path. True when all of them exist
// afterwards (anything already standing under a folder's name counts); else
// false with the system's reason in *error.
bool ForceFolders(Disk& disk, const std::string& path, std::string* error = nullptr);

// Creates a new empty folder that only the user can enter, in the user's
// own folder below the temporary folder (Disk::PrivateTempPath), named by the
// first three characters of prefix and an unpredictable hexadecimal suffix
// (names that exist are passed over), and takes the lock of its lock file
// kTempLockName, which marks the folder as in use for as long as lock lives.
// Returns its path, or "" on failure with the folder and the reason in
// *error.
std::string CreateTempFolder(Disk& disk, const std::string& prefix, std::unique_ptr<DiskLock>* lock,
                             std::string* error = nullptr);
inline constexpr const char* kTempLockName = ".run.lock";
// CreateTempFolder for a run, which another user cannot stop: where the
// user's own folder cannot be used (someone else made a folder, a link or a
// file under its name first, or made it writable by others), the work
// folder is made straight in the temporary folder instead, as private and
// as unpredictably named, and what stands under the private folder's name
// is never used. "" on failure, with the private folder's reason.
std::string CreateRunFolder(Disk& disk, const std::string& prefix, std::unique_ptr<DiskLock>* lock,
                            std::string* error = nullptr);

// Removes the folders that CreateTempFolder made with this prefix for runs
// that have ended without removing them (killed): those whose lock file is
// there and locked by no one. They are looked for in the user's own folder
// below the temporary folder, and in the temporary folder itself, where
// earlier versions made them. Only folders of the user's own are touched: a
// folder in use, one without a lock file, one of another user's, or a link
// is left alone.
void RemoveDeadTempFolders(Disk& disk, const std::string& prefix);

// Deletes everything below folder, ignoring single failures, never following
// a link (Disk::RemoveTree). Refuses an empty folder name (it would mean the
// current folder) and deletes nothing then.
void ClearFolder(Disk& disk, const std::string& folder);
// Removes folder with everything below it, never following a link, and a
// link standing at folder not at all; true when folder is gone.
bool RemoveFolder(Disk& disk, const std::string& folder);

// Copies every file below source to the same relative place below target,
// creating folders and replacing files. Without `failures` the walk of a folder
// ends at its first failing entry; with it, every failing file or folder is
// recorded there and the walk goes on. Always returns true.
bool CopyFolder(Disk& disk, const std::string& source, const std::string& target,
                std::vector<std::string>* failures = nullptr);
// CopyFolder that moves the files (a rename where the system allows it),
// keeping the permissions of the files it replaces.
bool MoveFolderFiles(Disk& disk, const std::string& source, const std::string& target,
                     std::vector<std::string>* failures);

// The path of an existing file whose name equals that of path ignoring letter
// case (the path itself when it exists), or "" when there is none (and
// *list_failed set when the folder could not be listed to tell). Folders are
// taken as they are written.
std::string FindFileIgnoringCase(Disk& disk, const std::string& path, bool* list_failed = nullptr);
// The same for anything standing under such a name (a folder too).
std::string FindEntryIgnoringCase(Disk& disk, const std::string& path, bool* list_failed = nullptr);

}  // namespace tolvern
