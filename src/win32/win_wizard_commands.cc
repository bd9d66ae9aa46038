// What the wizard's controls do: WM_COMMAND and WM_NOTIFY of the frame and
// its pages, each control routed to a small handler that forwards the input
// to the model and refreshes what it changed.
#include "win32/win_wizard_form.h"

#ifdef _WIN32

#include <commctrl.h>

#include "platform/shell.h"
#include "win32/resource_ids.h"
#include "win32/win_controls.h"

namespace tolvern {

namespace {

// The text a combo box's change gives: what the user typed, or the item
// picked; nullopt for other notifications and for no item.
std::optional<std::string> ComboChangeText(HWND combo, int code) {
  if (code == CBN_EDITCHANGE) return WindowText(combo);
  if (code != CBN_SELCHANGE) return std::nullopt;
  const auto sel = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (sel < 0) return std::nullopt;
  const int n = static_cast<int>(::SendMessageW(combo, CB_GETLBTEXTLEN, sel, 0));
  std::wstring item(static_cast<size_t>(n) + 1, L'\0');
  ::SendMessageW(combo, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(item.data()));
  item.resize(static_cast<size_t>(n));
  return WideToUtf8(item);
}

}  // namespace

// The check boxes and the choice each holds; the ones that change what other
// controls enable refresh the wizard.
const std::array<TWinWizardForm::CheckBox, 6> TWinWizardForm::kCheckBoxes = {{
    {IDC_CH_SUB_DIRS, &WizardModel::SubDirs, false},
    {IDC_CH_MAKE_BACKUP, &WizardModel::MakeBackup, true},
    {IDC_CH_WRITE_LOG, &WizardModel::WriteLog, true},
    {IDC_CH_VIEW_LOG, &WizardModel::ViewLog, false},
    {IDC_CH_INCLUDE_READ_ONLY, &WizardModel::IncludeReadOnly, false},
    {IDC_CH_FOLLOW_USES, &WizardModel::FollowUses, false},
}};

bool TWinWizardForm::OnCommand(int id, int code, HWND control) {
  using Handler = void (TWinWizardForm::*)(int id, int code, HWND control);
  static constexpr std::pair<int, Handler> kRoutes[] = {
      {IDC_BT_NEXT, &TWinWizardForm::OnNextClicked},
      {IDC_BT_PREV, &TWinWizardForm::OnBackClicked},
      {IDC_BT_FINISH, &TWinWizardForm::OnFinishClicked},
      {IDOK, &TWinWizardForm::OnReturn},
      {IDCANCEL, &TWinWizardForm::OnCancel},
      {IDC_RB_MODE_REPLACE, &TWinWizardForm::OnModeClicked},
      {IDC_RB_MODE_REPLACE_ADO, &TWinWizardForm::OnModeClicked},
      {IDC_RB_MODE_RESTORE, &TWinWizardForm::OnModeClicked},
      {IDC_RB_DEST_PROJECT, &TWinWizardForm::OnDestClicked},
      {IDC_RB_DEST_FOLDER, &TWinWizardForm::OnDestClicked},
      {IDC_ED_UNDO_FILE, &TWinWizardForm::OnUndoFileEdited},
      {IDC_BT_RESTORE_BROWSE, &TWinWizardForm::OnBrowseUndoFile},
      {IDC_BT_SELECT, &TWinWizardForm::OnSelectAll},
      {IDC_BT_DESELECT, &TWinWizardForm::OnSelectAll},
      {IDC_CB_DIRECTORY, &TWinWizardForm::OnFolderChanged},
      {IDC_CB_BACKUP_DIR, &TWinWizardForm::OnFolderChanged},
      {IDC_BT_BROWSE_FOLDER, &TWinWizardForm::OnBrowseFolder},
      {IDC_BT_BROWSE_BACK_FOLDER, &TWinWizardForm::OnBrowseBackupFolder},
      {IDC_ED_PROFILE, &TWinWizardForm::OnProfileEdited},
      {IDC_BT_BROWSE_PROFILE, &TWinWizardForm::OnBrowseProfile},
  };
  for (const auto& [route_id, handler] : kRoutes) {
    if (route_id != id) continue;
    (this->*handler)(id, code, control);
    return true;
  }
  for (const CheckBox& box : kCheckBoxes) {
    if (box.id != id) continue;
    OnCheckClicked(box, code);
    return true;
  }
  return alias_page_.OnCommand(id, code, control);
}

void TWinWizardForm::OnNextClicked(int, int code, HWND) {
  if (code == BN_CLICKED && model_->CanNext()) GoNext();
}

void TWinWizardForm::OnBackClicked(int, int code, HWND) {
  if (code == BN_CLICKED && model_->CanBack()) GoBack();
}

void TWinWizardForm::OnFinishClicked(int, int code, HWND) {
  if (code == BN_CLICKED && model_->CanFinish()) Finish();
}

void TWinWizardForm::OnReturn(int, int, HWND) {
  // Return with no default button at hand: what the default would do.
  if (model_->CanFinish())
    Finish();
  else if (model_->CanNext())
    GoNext();
}

void TWinWizardForm::OnCancel(int, int, HWND) { End(IDCANCEL); }

void TWinWizardForm::OnModeClicked(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  WizardModel& m = *model_;
  m.ModeReplace = id == IDC_RB_MODE_REPLACE;
  m.ModeReplaceAdo = id == IDC_RB_MODE_REPLACE_ADO;
  m.ModeRestore = id == IDC_RB_MODE_RESTORE;
  Refresh();
}

void TWinWizardForm::OnDestClicked(int id, int code, HWND control) {
  if (code != BN_CLICKED || !::IsWindowEnabled(control)) return;
  model_->DestProject = id == IDC_RB_DEST_PROJECT;
  model_->DestFolder = id == IDC_RB_DEST_FOLDER;
  Refresh();
}

void TWinWizardForm::OnUndoFileEdited(int, int code, HWND control) {
  if (code != EN_CHANGE || refreshing_) return;
  model_->UndoFile = WindowText(control);
  Refresh();
}

void TWinWizardForm::OnBrowseUndoFile(int, int code, HWND) {
  if (code != BN_CLICKED) return;
  const std::string file = BrowseUndoFile(model_->UndoFile);
  if (file.empty()) return;
  model_->UndoFile = file;
  Refresh();
}

void TWinWizardForm::OnSelectAll(int id, int code, HWND) {
  if (code != BN_CLICKED) return;
  model_->SelectAll(id == IDC_BT_SELECT);
  Refresh();
}

void TWinWizardForm::OnFolderChanged(int id, int code, HWND control) {
  if (refreshing_) return;
  const std::optional<std::string> text = ComboChangeText(control, code);
  if (!text) return;
  if (id == IDC_CB_DIRECTORY) {
    model_->Directory = *text;
    Refresh();
  } else {
    model_->EditBackupDir(*text);
  }
}

void TWinWizardForm::OnBrowseFolder(int, int code, HWND) {
  if (code != BN_CLICKED) return;
  const std::string dir = BrowseFolder(model_->Directory);
  if (dir.empty()) return;
  model_->Directory = dir;
  Refresh();
}

void TWinWizardForm::OnBrowseBackupFolder(int, int code, HWND) {
  if (code != BN_CLICKED) return;
  const std::string dir = BrowseFolder(model_->GetBackupDir());
  if (dir.empty()) return;
  model_->EditBackupDir(dir);
  Refresh();
}

void TWinWizardForm::OnProfileEdited(int, int code, HWND control) {
  if (code != EN_CHANGE || refreshing_) return;
  model_->ProfileFile = WindowText(control);
}

void TWinWizardForm::OnBrowseProfile(int, int code, HWND) {
  if (code != BN_CLICKED) return;
  const std::string file = BrowseProfile(model_->ProfileFile);
  if (file.empty()) return;
  model_->ProfileFile = file;
  Refresh();
}

void TWinWizardForm::OnCheckClicked(const CheckBox& box, int code) {
  if (code != BN_CLICKED) return;
  (*model_).*box.field = Checked(box.id);
  if (box.refreshes) Refresh();
}

bool TWinWizardForm::OnNotify(NMHDR* n) {
  if (n->idFrom == IDC_LB_MODULES && n->code == LVN_ITEMCHANGED && !refreshing_) {
    auto* change = reinterpret_cast<NMLISTVIEW*>(n);
    const size_t row = static_cast<size_t>(change->iItem);
    if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_STATEIMAGEMASK) &&
        row < model_->Modules.size())
      model_->Modules[row].checked = ListView_GetCheckState(n->hwndFrom, change->iItem) != 0;
    return true;
  }
  if (n->idFrom == IDC_LB_MAIL && (n->code == NM_CLICK || n->code == NM_RETURN)) {
    ShellOpen(NXWizardModel::MailLink());
    return true;
  }
  return alias_page_.OnNotify(n);
}

}  // namespace tolvern

#endif  // _WIN32
