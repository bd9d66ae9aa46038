// Small helpers for the native Windows view: the module that holds the
// dialogs, and the texts and states of controls in UTF-8, as every string of
// the tool holds them (the controls themselves take UTF-16, through the
// wide-character functions).
#pragma once

#ifdef _WIN32

#include <string>

#include "platform/windows_api.h"

namespace tolvern {

// The module (executable or DLL) whose resources hold the dialogs: the one
// this code is linked into.
HINSTANCE DialogModule();

// Registers the common control classes the dialogs use (list views,
// progress bars, links); safe to call again.
void InitDialogControls();

// While it lives, the module's own manifest (resource 2 of a DLL) is the
// active one, so that its dialogs get the common controls of version 6 (the
// link control exists only there) also in a program whose manifest does not
// ask for them. Does nothing in a module without one (a program, whose
// manifest is the process's).
class ScopedModuleManifest {
 public:
  ScopedModuleManifest();
  ~ScopedModuleManifest();
  ScopedModuleManifest(const ScopedModuleManifest&) = delete;
  ScopedModuleManifest& operator=(const ScopedModuleManifest&) = delete;

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

std::string WindowText(HWND w);
void SetWindowTextUtf8(HWND w, const std::string& text);
// A control of a dialog or of any window below it, by number.
HWND FindControl(HWND root, int id);

// The text of a message box (a dialog of its own with one OK button).
void ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, UINT flags);

}  // namespace tolvern

#endif  // _WIN32
