// The progress dialog's keys and close box, as a user presses them: Escape
// asks as Cancel does, and No lets the run go on; once the originals are
// being replaced, Cancel is disabled and says why, Escape does nothing, and
// the close box asks nothing: the run is told the cancel came too late.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "base/system_texts.h"
#include "engine/component_replacer.h"
#include "platform/windows_api.h"
#include "win32/resource_ids.h"
#include "win32/win_capture.h"
#include "win32/win_controls.h"
#include "win32/win_progress_form.h"

namespace tolvern {
namespace {

void WaitFor(const std::atomic<bool>& flag) {
  for (int i = 0; !flag && i < 2000; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

// Escape as the dialog manager takes it from the message loop.
void PressEscape(HWND dialog) {
  MSG msg{::GetFocus() ? ::GetFocus() : dialog, WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
  ::IsDialogMessageW(dialog, &msg);
}

bool IsProgress(HWND w) { return ::GetDlgItem(w, IDC_PB_FILES) != nullptr; }

TEST(WinProgressKeysTest, EscapeAsksAsCancelDoesAndNoLetsTheRunGoOn) {
  TWinProgressForm form("Title", res::kInitUnitList);
  std::atomic<bool> answered{false};
  std::string question;
  ModalScript script({[&](HWND dialog) {
                        if (!IsProgress(dialog) ||
                            WindowText(::GetDlgItem(dialog, IDC_LBL_COUNT)).empty())
                          return false;
                        PressEscape(dialog);  // the question opens; answered below
                        return true;
                      },
                      [&](HWND box) {
                        if (IsProgress(box)) return false;
                        question = MessageBoxText(box);
                        ::SendMessageW(box, WM_COMMAND, IDNO, 0);
                        answered = true;
                        return true;
                      }});
  const bool went_on = form.Run(nullptr, [&] {
    form.Progress(0, 2, "C:\\app\\Main.pas");
    WaitFor(answered);
    form.ReplacingOriginals();
    return !form.CancelRequested();
  });
  EXPECT_TRUE(script.Done());
  EXPECT_EQ(question, res::kCancelQuestion);
  EXPECT_TRUE(went_on);
}

TEST(WinProgressKeysTest, OnceOriginalsAreReplacedTheCloseBoxIsTooLateAndAsksNothing) {
  TWinProgressForm form("Title", res::kInitUnitList);
  std::atomic<bool> closed{false};
  std::string count_text, label_text;
  bool cancel_enabled = true, asked = false;
  ModalScript script({[&](HWND dialog) {
                        HWND cancel = ::GetDlgItem(dialog, IDCANCEL);
                        if (!IsProgress(dialog) || ::IsWindowEnabled(cancel)) return false;
                        cancel_enabled = false;
                        count_text = WindowText(::GetDlgItem(dialog, IDC_LBL_COUNT));
                        label_text = WindowText(::GetDlgItem(dialog, IDC_LBL_FILE));
                        PressEscape(dialog);
                        ::SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                        closed = true;
                        return true;
                      },
                      [&](HWND box) {
                        if (IsProgress(box)) return false;
                        asked = true;
                        ::SendMessageW(box, WM_COMMAND, IDNO, 0);
                        return true;
                      }});
  const bool told_too_late = form.Run(nullptr, [&] {
    form.Progress(0, 1, "C:\\app\\Main.pas");
    form.CountKnown(1);
    form.Phase(RunPhase::kCheckingOriginals);
    form.ReplacingOriginals();
    WaitFor(closed);
    return form.CancelRequested();
  });
  EXPECT_EQ(script.StepsDone(), 1u);
  EXPECT_FALSE(asked);
  EXPECT_FALSE(cancel_enabled);
  EXPECT_EQ(label_text, res::kPhaseReplacingOriginals);
  EXPECT_EQ(count_text, res::kCancelTooLate);
  EXPECT_TRUE(told_too_late);
}

}  // namespace
}  // namespace tolvern
