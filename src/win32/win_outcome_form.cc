#include "win32/win_outcome_form.h"

#ifdef _WIN32

#include "win32/resource_ids.h"
#include "win32/win_controls.h"
#include "win32/win_replace_expert.h"
#include "win32/win_run_views.h"

namespace tolvern {

TWinOutcomeForm::TWinOutcomeForm(std::string title, RunOutcome outcome)
    : title_(std::move(title)), outcome_(std::move(outcome)) {
  OpenReport = [](const std::string& path) { return WinOpenInViewer(path); };
}

std::string TWinOutcomeForm::NoBrowserText(const std::string& report_path) {
  return "No browser was found to open the report. It is in " + report_path;
}

void TWinOutcomeForm::ShowModal(HWND owner) {
  ScopedModuleManifest manifest;
  ::DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(IDD_OUTCOME), owner, Proc,
                    reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
}

INT_PTR CALLBACK TWinOutcomeForm::Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    ::SetWindowLongPtrW(w, DWLP_USER, lp);
    reinterpret_cast<TWinOutcomeForm*>(lp)->OnInit(w);
    return FALSE;  // the focus is set by OnInit
  }
  auto* self = reinterpret_cast<TWinOutcomeForm*>(::GetWindowLongPtrW(w, DWLP_USER));
  if (!self || msg != WM_COMMAND || HIWORD(wp) != BN_CLICKED) return FALSE;
  self->OnButton(LOWORD(wp));
  return TRUE;
}

void TWinOutcomeForm::OnInit(HWND w) {
  hwnd_ = w;
  SetWindowTextUtf8(w, title_);
  HICON icon = ::LoadIconW(nullptr, outcome_.failure ? IDI_ERROR : IDI_INFORMATION);
  ::SendDlgItemMessageW(w, IDC_OC_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  // The outcome's lines end with LF; an edit control breaks lines at CR LF.
  std::string text;
  for (char c : outcome_.text) {
    if (c == '\n') text += '\r';
    text += c;
  }
  SetWindowTextUtf8(::GetDlgItem(w, IDC_OC_TEXT), text);
  // Only the buttons of documents the run left, side by side from the left.
  const std::pair<int, bool> buttons[] = {{IDC_BT_VIEW_LOG, !outcome_.log_path.empty()},
                                          {IDC_BT_VIEW_TODO, !outcome_.todo.empty()},
                                          {IDC_BT_VIEW_REPORT, !outcome_.report_path.empty()}};
  RECT first;
  HWND log = ::GetDlgItem(w, IDC_BT_VIEW_LOG);
  ::GetWindowRect(log, &first);
  ::MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&first), 2);
  RECT unit{0, 0, 4, 0};
  ::MapDialogRect(w, &unit);
  int x = first.left;
  for (auto [id, shown] : buttons) {
    HWND b = ::GetDlgItem(w, id);
    ::ShowWindow(b, shown ? SW_SHOW : SW_HIDE);
    if (!shown) continue;
    RECT r;
    ::GetWindowRect(b, &r);
    ::SetWindowPos(b, nullptr, x, first.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    x += r.right - r.left + unit.right;
  }
  ::SetFocus(::GetDlgItem(w, IDOK));
}

void TWinOutcomeForm::OnButton(int id) {
  switch (id) {
    case IDOK:
    case IDCANCEL:
      ::EndDialog(hwnd_, IDOK);
      return;
    case IDC_BT_VIEW_LOG:
      ShowWinLogView(hwnd_, title_, outcome_.log_path);
      return;
    case IDC_BT_VIEW_TODO:
      ShowWinTodoView(hwnd_, title_, outcome_.todo, outcome_.todo_path);
      return;
    case IDC_BT_VIEW_REPORT:
      if (!OpenReport(outcome_.report_path))
        ShowMessageBox(hwnd_, NoBrowserText(outcome_.report_path), title_, MB_ICONINFORMATION);
      return;
  }
}

void ShowWinOutcome(HWND owner, const std::string& title, const RunOutcome& outcome) {
  TWinOutcomeForm(title, outcome).ShowModal(owner);
}

}  // namespace tolvern

#endif  // _WIN32
