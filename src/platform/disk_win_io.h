// Small helpers shared by the Windows disk's files.
#pragma once

#ifdef _WIN32

#include <string>

#include "platform/windows_api.h"

namespace tolvern::win {

// The C library's number for a Windows error, for callers that tell the
// system's reason by errno as they do elsewhere.
int ErrnoFor(DWORD code);
// Sets the error text, errno, and the thread's last error for callers that
// look; false.
bool Fail(std::string* error, DWORD code);

}  // namespace tolvern::win

#endif  // _WIN32
