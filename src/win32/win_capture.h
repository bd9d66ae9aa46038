// What the host's screenshots and the tests of the native dialogs need: a
// window's picture as a bitmap file, and acting on the modal dialogs of this
// thread as they come (the wizard, the save warning, the progress dialog,
// message boxes), as a user would.
#pragma once

#ifdef _WIN32

#include <functional>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace tolvern {

// Draws the window as it is on screen (frame included) into a 24-bit BMP
// file; false when it cannot be drawn or written.
bool SaveWindowBitmap(HWND window, const std::string& bmp_path);

// The enabled, visible top-level window of this thread that is in front of
// the others: the modal dialog of the moment, or null.
HWND ActiveDialogOfThread();

// The text of a message box (its static text), "" for another window.
std::string MessageBoxText(HWND box);

// Runs steps one after the other on the modal dialogs of this thread while
// they come: each step is offered the dialog in front until it answers true
// (it acted on it). A thread timer drives it, so it works inside any modal
// loop of the thread (dialog boxes, message boxes).
class ModalScript {
 public:
  using Step = std::function<bool(HWND dialog)>;
  explicit ModalScript(std::vector<Step> steps);
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

  bool Done() const { return next_ == steps_.size(); }
  size_t StepsDone() const { return next_; }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD);
  void Run();

  std::vector<Step> steps_;
  size_t next_ = 0;
  UINT_PTR timer_ = 0;
};

}  // namespace tolvern

#endif  // _WIN32
