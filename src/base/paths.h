// Path names as text: joining, splitting and converting them touches no
// disk. Paths are byte strings. On Windows the separator is "\" and a path
// may start with a drive letter; elsewhere "/" takes the place of "\" and a
// leading "/" (the root) takes the place of a drive.
#pragma once

#include <cstddef>
#include <string>

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

// A folder separator: on Windows "\" and "/" alike.
bool IsSeparator(char c);
// The length of the part of path that names no folder to create: "C:\" (a
// drive root) or "\\server\share\" (a network share) on Windows, the leading
// "/" elsewhere; 0 when path has none.
size_t RootLength(const std::string& path);
// Whether path is a root and nothing more.
bool IsBareRoot(const std::string& path);

// Whether a path is absolute on this system ("/..." on POSIX; "C:\..." or
// "\\server\..." on Windows).
bool IsAbsolutePath(const std::string& path);
// Whether a path steps up a folder anywhere ("..", between separators).
bool StepsUpAFolder(const std::string& path);

}  // namespace tolvern
