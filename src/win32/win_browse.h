// The system's dialogs the wizard's Browse buttons open: the folder browser
// and the file dialogs for an undo file and a mapping profile, each starting where the field
// points, or at the nearest folder above it that exists.
#pragma once

#ifdef _WIN32

#include <string>

#include "platform/windows_api.h"

namespace tolvern {

// Where a browser opens: the folder in the field, or the nearest folder
// above it that exists; "" when the field names none.
std::string BrowseStartFolder(const std::string& field);

// The folder the user picked, or "" when the user cancelled.
std::string SystemBrowseFolder(HWND owner, const std::string& start);
// The undo file (*.reu) the user picked, or "" when the user cancelled.
std::string SystemBrowseUndoFile(HWND owner, const std::string& start);
// The mapping profile (*.json) the user picked, or "".
std::string SystemBrowseProfile(HWND owner, const std::string& start);
// The file the user named to save a profile in, or "".
std::string SystemSaveProfile(HWND owner);

}  // namespace tolvern

#endif  // _WIN32
