// Path and folder routines of the conversion run and the wizard. None of them
// throws for a file-system failure: each reports by its result (false or an
// empty string) and the caller decides what to say.
//
// Paths are byte strings. On Windows the separator is "\" and a path may start
// with a drive letter; elsewhere "/" takes the place of "\" and a leading "/"
// (the root) takes the place of a drive.
#pragma once

#include <string>
#include <vector>

#include "platform/ascii_text.h"
#include "platform/path_lock.h"

namespace tolvern {

#ifdef _WIN32
inline constexpr char kPathDelim = '\\';
#else
inline constexpr char kPathDelim = '/';
#endif

// Folder and Name with exactly one separator between them. An empty Name gives
// Folder with a trailing separator; an empty Folder gives Name (less one
// leading separator when Name is longer than one character).
std::string PathJoin(const std::string& folder, const std::string& name);

// Creates every missing folder along path. True when all of them exist
// afterwards (anything already standing under a folder's name counts).
bool ForceFolders(const std::string& path);

// Creates a new empty folder below the user's temporary folder that only the
// user can enter, named by the first three characters of prefix and an
// unpredictable hexadecimal suffix (names that exist are passed over), and
// takes the lock of its lock file kTempLockName, which marks the folder as in
// use for as long as lock lives. Returns its path, or "" on failure.
std::string CreateTempFolder(const std::string& prefix, PathLock* lock);
inline constexpr const char* kTempLockName = ".run.lock";

// Removes the folders below the user's temporary folder that CreateTempFolder
// made with this prefix for runs that have ended without removing them
// (killed): those whose lock file is there and locked by no one. A folder in
// use, or one without a lock file, is left alone.
void RemoveDeadTempFolders(const std::string& prefix);

// Deletes everything below folder, ignoring single failures. Refuses an empty
// folder name (it would mean the current folder) and deletes nothing then.
void ClearFolder(const std::string& folder);
// ClearFolder, then removes folder itself; true when that succeeded.
bool RemoveFolder(const std::string& folder);

// Copies every file below source to the same relative place below target,
// creating folders and replacing files. Without `failures` the walk of a folder
// ends at its first failing entry; with it, every failing file or folder is
// recorded there and the walk goes on. Always returns true.
bool CopyFolder(const std::string& source, const std::string& target,
                std::vector<std::string>* failures = nullptr);
// CopyFolder that moves the files (a rename where the system allows it),
// keeping the permissions of the files it replaces.
bool MoveFolderFiles(const std::string& source, const std::string& target,
                     std::vector<std::string>* failures);

// The backup name of a file: ".~" followed by the old extension without its
// dot (Unit1.pas gives Unit1.~pas); an extension shorter than two characters
// becomes ".~".
std::string MakeBackupName(const std::string& file_name);

// Name parts. ExtractFilePath keeps the trailing separator, ExtractFileDir
// drops it; ExtractFileExt includes the dot.
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileDir(const std::string& path);
std::string ExtractFileName(const std::string& path);
std::string ExtractFileExt(const std::string& path);
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// Converts "\" and "/" in a path written by a user or a project file to the
// separator of this system.
std::string NativeSeparators(std::string path);

// Makes a relative path absolute against base_dir (no other normalisation).
std::string ExpandPath(const std::string& path, const std::string& base_dir);

// The path of an existing file whose name equals that of path ignoring letter
// case (the path itself when it exists), or "" when there is none (and
// *list_failed set when the folder could not be listed to tell). Folders are
// taken as they are written.
std::string FindFileIgnoringCase(const std::string& path, bool* list_failed = nullptr);
// The same for anything standing under such a name (a folder too).
std::string FindEntryIgnoringCase(const std::string& path, bool* list_failed = nullptr);

}  // namespace tolvern
