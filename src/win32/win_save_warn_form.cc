#include "win32/win_save_warn_form.h"

#ifdef _WIN32

#include "base/system_texts.h"
#include "platform/settings_store.h"
#include "win32/resource_ids.h"
#include "win32/win_controls.h"

namespace tolvern {

namespace {

struct SaveWarning {
  std::string caption, warn, note;
  bool dont_ask = false;
};

INT_PTR CALLBACK SaveWarnProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    ::SetWindowLongPtrW(w, DWLP_USER, lp);
    const auto* s = reinterpret_cast<SaveWarning*>(lp);
    SetWindowTextUtf8(w, s->caption);
    SetWindowTextUtf8(::GetDlgItem(w, IDC_LBL_WARN), s->warn);
    SetWindowTextUtf8(::GetDlgItem(w, IDC_LBL_NOTE), s->note);
    SetWindowTextUtf8(::GetDlgItem(w, IDC_CHK_DONT_ASK), res::kDontAskAgain);
    ::SendDlgItemMessageW(w, IDC_SW_IMAGE, STM_SETICON,
                          reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_QUESTION)), 0);
    return TRUE;  // the focus goes to Yes, the default button
  }
  if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
    auto* s = reinterpret_cast<SaveWarning*>(::GetWindowLongPtrW(w, DWLP_USER));
    s->dont_ask = ::IsDlgButtonChecked(w, IDC_CHK_DONT_ASK) == BST_CHECKED;
    ::EndDialog(w, LOWORD(wp));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

std::string WinSaveWarningValueName(bool project, bool restore) {
  if (project) return restore ? "RestoreProjWarn" : "ReplaceProjWarn";
  return restore ? "RestoreDirWarn" : "ReplaceDirWarn";
}

bool ShowWinSaveWarning(HWND owner, const std::string& section, bool project, bool restore) {
  const std::string value = WinSaveWarningValueName(project, restore);
  TRegIniFile reg(res::kRegistryKey);
  if (!reg.ReadBool(section, value, true)) return true;
  ScopedModuleManifest manifest;
  SaveWarning s{section, restore ? res::kSaveWarnQuestionRestore : res::kSaveWarnQuestionSave,
                !restore && project ? res::kSaveWarnNoteHide : res::kSaveWarnNoteClose};
  const INT_PTR answer = ::DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(IDD_SAVE_WARN), owner,
                                           SaveWarnProc, reinterpret_cast<LPARAM>(&s));
  if (answer != IDOK) return false;
  reg.WriteBool(section, value, !s.dont_ask);
  return true;
}

}  // namespace tolvern

#endif  // _WIN32
