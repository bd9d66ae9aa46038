// The native save warning shown before a run changes the open project: a
// question, a note of what will happen to the project, "Don't ask me this
// again", Yes and No. The answer not to ask again is kept in the registry,
// per title and per kind of run.
#pragma once

#ifdef _WIN32

#include <string>

#include "platform/windows_api.h"

namespace tolvern {

// The registry value that remembers whether to ask: "ReplaceProjWarn",
// "ReplaceDirWarn", "RestoreProjWarn" or "RestoreDirWarn".
std::string WinSaveWarningValueName(bool project, bool restore);

// Asks, unless the user said not to ask again; true to go on. The section
// is also the dialog's caption.
bool ShowWinSaveWarning(HWND owner, const std::string& section, bool project, bool restore);

}  // namespace tolvern

#endif  // _WIN32
