// The host window's menu keys: Ctrl+O opens the project dialog (the
// system's open-file dialog, cancelled here), O alone is no key of the menu.
#include <gtest/gtest.h>

#include <string>

#include "platform/windows_api.h"
#include "win32/win_capture.h"
#include "win32/win_controls.h"
#include "win32/win_host_window.h"

namespace tolvern {
namespace {

void SetControlKey(bool down) {
  BYTE keys[256];
  ::GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  ::SetKeyboardState(keys);
}

TEST(WinHostKeysTest, CtrlOOpensTheProjectDialogAndOAloneDoesNothing) {
  WinHostWindow host;
  ASSERT_TRUE(host.Create());
  std::string opened;
  ModalScript script({[&](HWND dialog) {
    if (dialog == host.Handle()) return false;
    opened = WindowText(dialog);
    ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return true;
  }});
  MSG key{host.Handle(), WM_KEYDOWN, 'O', 0x00180001, 0, {}};
  SetControlKey(true);
  const bool taken = host.TranslateKeys(&key);
  SetControlKey(false);
  EXPECT_TRUE(taken);
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(opened.empty());
  MSG plain{host.Handle(), WM_KEYDOWN, 'O', 0x00180001, 0, {}};
  EXPECT_FALSE(host.TranslateKeys(&plain));
}

}  // namespace
}  // namespace tolvern
