// Small helpers shared by the POSIX disk's files.
#pragma once

#include <string>

namespace tolvern::posix {

// The system's text for errno.
std::string ErrnoText();
// The folder that holds path ("." for a bare name).
std::string FolderOf(const std::string& path);

// Why no output is written into an entry of this mode (from stat), as in
// "is a named pipe, not a regular file"; "" for a regular file, a folder or
// a link (which opening refuses itself, for its own reason) and a character
// device (/dev/null, a terminal), which is written into and never waits for
// a reader.
std::string RefusedOutputKind(unsigned mode);
// Opens path for writing (with the extra flags: O_CREAT, O_TRUNC, ...)
// without waiting: a named pipe would otherwise hold the open until a
// reader comes, forever when none does. Anything RefusedOutputKind names is
// refused, opened or not, except, with into_pipe, a pipe that a program
// reads (/dev/stdout piped on). The descriptor, blocking again, or -1 with
// the reason in *error.
int OpenOutput(const std::string& path, int flags, std::string* error, bool into_pipe = false);

}  // namespace tolvern::posix
