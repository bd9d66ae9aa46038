#include "win32/win_replace_expert.h"

#ifdef _WIN32

#include <shellapi.h>

#include "platform/message_box.h"
#include "win32/win_controls.h"
#include "win32/win_outcome_form.h"
#include "win32/win_progress_form.h"
#include "win32/win_run_views.h"
#include "win32/win_save_warn_form.h"
#include "win32/win_wizard_form.h"

namespace tolvern {

HWND ExpertOwnerWindow() { return ::GetActiveWindow(); }

bool WinOpenInViewer(const std::string& path) {
  // ShellExecute answers a number above 32 when a program took the file.
  const auto answer = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", Utf8ToWide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return answer > 32;
}

TWinReplaceExpert::TWinReplaceExpert(std::string product_caption, TKAMenu* menu,
                                     TComponentReplacer* replacer)
    : model_(*this, disk_, std::move(product_caption), replacer) {
  // An error that escapes an invocation is shown here: an exception does not
  // cross from this module into the environment's.
  if (menu)
    model_.AddMenuItem(*menu, [this] {
      try {
        MenuClick();
      } catch (const std::exception& e) {
        AppMessageBox(e.what(), model_.Title(), MB_ICONERROR);
      }
    });
}

TWinReplaceExpert::~TWinReplaceExpert() = default;

WizardModel& TWinReplaceExpert::OpenWizard() {
  wizard_ = std::make_unique<TWinWizardForm>();
  return wizard_->Model();
}

bool TWinReplaceExpert::ShowWizard() { return wizard_->ShowModal(ExpertOwnerWindow()) == IDOK; }

void TWinReplaceExpert::CloseWizard() { wizard_.reset(); }

bool TWinReplaceExpert::AskSaveWarning(const std::string& title, bool project, bool restore) {
  return ShowWinSaveWarning(ExpertOwnerWindow(), title, project, restore);
}

bool TWinReplaceExpert::AskYesNo(const std::string& title, const std::string& question) {
  const int answer =
      ::MessageBoxW(ExpertOwnerWindow(), Utf8ToWide(question).c_str(), Utf8ToWide(title).c_str(),
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  return answer == IDYES;
}

void TWinReplaceExpert::ShowMessage(const std::string& title, const std::string& text,
                                    MessageKind kind) {
  AppMessageBox(text, title, kind == MessageKind::kError ? MB_ICONERROR : MB_ICONINFORMATION);
}

bool TWinReplaceExpert::ExecuteBehindProgress(TComponentReplacer& replacer,
                                              const std::string& title) {
  return ExecuteWithProgress(replacer, title, ExpertOwnerWindow());
}

bool TWinReplaceExpert::RestoreBehindProgress(TComponentReplacer& replacer,
                                              const std::string& undo_file, bool force,
                                              const std::string& title) {
  return RestoreWithProgress(replacer, undo_file, force, title, ExpertOwnerWindow());
}

bool TWinReplaceExpert::ShowLog(const std::string& title, const std::string& path) {
  // A desktop without a viewer for the log gets the built-in one.
  if (!WinOpenInViewer(path)) ShowWinLogView(ExpertOwnerWindow(), title, path);
  return true;
}

void TWinReplaceExpert::ShowOutcome(const std::string& title, const RunOutcome& outcome) {
  ShowWinOutcome(ExpertOwnerWindow(), title, outcome);
}

}  // namespace tolvern

#endif  // _WIN32
