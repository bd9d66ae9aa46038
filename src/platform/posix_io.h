// Small helpers shared by the POSIX disk's files.
#pragma once

#include <string>

namespace tolvern::posix {

// The system's text for errno.
std::string ErrnoText();
// The folder that holds path ("." for a bare name).
std::string FolderOf(const std::string& path);

}  // namespace tolvern::posix
