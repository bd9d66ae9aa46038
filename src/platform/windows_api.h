// The Windows API for the files that call it: <windows.h> without the macros
// that would rename our own functions (DeleteFile, CopyFile and MoveFile are
// macros for their ...W forms there), and the conversions between the UTF-8
// that every string holds inside the tool and the UTF-16 of the
// wide-character functions. No path ever goes through the ANSI code page.
#pragma once

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#undef DeleteFile
#undef CopyFile
#undef MoveFile

#include <string>
#include <string_view>

namespace tolvern {

// Invalid UTF-8 bytes become U+FFFD; nothing throws.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
// A path for the wide functions: UTF-16, "/" turned into "\". A path too
// long for the classic limit of 260 characters is made absolute and given the
// "\\?\" prefix that lifts the limit.
std::wstring WidePath(const std::string& path);
// The system's text for an error code of GetLastError(), without the line
// break it ends with ("The process cannot access the file because it is being
// used by another process.").
std::string ErrorText(DWORD code);
// The name of an existing file or folder as it is spelled on disk (the last
// part of path only), whatever the letter case path gives it; "" when there
// is none.
std::string NameOnDisk(const std::string& path);

}  // namespace tolvern

#endif  // _WIN32
