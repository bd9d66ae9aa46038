// The outcome of a run as a native dialog: its text, the error icon when
// files or objects were left for a person, and the buttons to read what the
// run left: View Log (the built-in log view), View To-do List (the built-in
// to-do view) and Open Report (the report page in the browser). Each shows
// its document over the outcome, which stays open until OK; a report no
// browser could open is said, with where the report is.
#pragma once

#ifdef _WIN32

#include <functional>
#include <string>

#include "platform/windows_api.h"
#include "wizard/expert_view.h"

namespace tolvern {

class TWinOutcomeForm {
 public:
  TWinOutcomeForm(std::string title, RunOutcome outcome);

  // Shows the outcome modally over owner until OK (or Escape).
  void ShowModal(HWND owner);

  // Opens the report page; false when no browser took it. The desktop's
  // viewer unless replaced (tests).
  std::function<bool(const std::string& path)> OpenReport;

  // The text shown when no browser could open the report.
  static std::string NoBrowserText(const std::string& report_path);

 private:
  static INT_PTR CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  void OnInit(HWND w);
  void OnButton(int id);

  std::string title_;
  RunOutcome outcome_;
  HWND hwnd_ = nullptr;
};

// The outcome of a run over owner, with the system's browser.
void ShowWinOutcome(HWND owner, const std::string& title, const RunOutcome& outcome);

}  // namespace tolvern

#endif  // _WIN32
