// The application's message box: a text, a caption, one OK button and an
// icon. The shown form is replaceable: a window system shows a dialog, a
// terminal prints a line, tests record what was said.
#pragma once

#include <functional>
#include <string>

namespace tolvern {

// The values of the Windows API, where <windows.h> defines them already.
#ifndef MB_ICONERROR
inline constexpr int MB_ICONERROR = 0x10;
#endif
#ifndef MB_ICONINFORMATION
inline constexpr int MB_ICONINFORMATION = 0x40;
#endif

void AppMessageBox(const std::string& text, const std::string& caption, int flags);

using MessageBoxHandler =
    std::function<void(const std::string& text, const std::string& caption, int flags)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace tolvern
