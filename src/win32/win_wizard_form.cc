#include "win32/win_wizard_form.h"

#ifdef _WIN32

#include <commctrl.h>

#include <iterator>

#include "win32/resource_ids.h"
#include "win32/win_browse.h"
#include "win32/win_controls.h"
#include "win32/win_side_picture.h"

namespace tolvern {

namespace {

// The page dialogs in the order of WizardPage, and their titles.
constexpr int kPageDialogs[] = {IDD_STEP1,     IDD_STEP2_RESTORE, IDD_STEP2_REPLACE, IDD_STEP3_PROJ,
                                IDD_STEP3_DIR, IDD_STEP4,         IDD_ALIASES,       IDD_FINAL};
constexpr int kPageTitles[] = {
    IDC_TITLE_STEP1,     IDC_TITLE_STEP2_RESTORE, IDC_TITLE_STEP2_REPLACE, IDC_TITLE_STEP3_PROJ,
    IDC_TITLE_STEP3_DIR, IDC_TITLE_STEP4,         IDC_TITLE_ALIASES,       IDC_TITLE_FINAL};
static_assert(std::size(kPageDialogs) == static_cast<size_t>(WizardPage::kFinal) + 1);

TWinWizardForm* FormOf(HWND w) {
  return reinterpret_cast<TWinWizardForm*>(::GetWindowLongPtrW(w, DWLP_USER));
}

}  // namespace

TWinWizardForm::TWinWizardForm() : TWinWizardForm(std::make_unique<NXWizardModel>()) {
  nexa_ = true;
}

TWinWizardForm::TWinWizardForm(std::unique_ptr<WizardModel> model) : model_(std::move(model)) {
  ShowMessage = [this](const std::string& text, const std::string& caption) {
    ShowMessageBox(hwnd_, text, caption, MB_ICONINFORMATION);
  };
  BrowseFolder = [this](const std::string& start) { return SystemBrowseFolder(hwnd_, start); };
  BrowseUndoFile = [this](const std::string& start) { return SystemBrowseUndoFile(hwnd_, start); };
  BrowseProfile = [this](const std::string& start) { return SystemBrowseProfile(hwnd_, start); };
}

TWinWizardForm::~TWinWizardForm() {
  Destroy();
  if (title_font_) ::DeleteObject(title_font_);
}

void TWinWizardForm::SetWelcomeText(const std::string& source_name,
                                    const std::string& target_name) {
  model_->SetWelcomeText(source_name, target_name);
  if (hwnd_) Refresh();
}

INT_PTR TWinWizardForm::ShowModal(HWND owner) {
  ScopedModuleManifest manifest;
  modal_ = true;
  result_ = 0;
  const INT_PTR r = ::DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(IDD_WIZARD), owner,
                                      FrameProc, reinterpret_cast<LPARAM>(this));
  hwnd_ = nullptr;
  modal_ = false;
  return r == IDOK ? IDOK : IDCANCEL;
}

HWND TWinWizardForm::Create(HWND owner) {
  ScopedModuleManifest manifest;
  modal_ = false;
  result_ = 0;
  ::CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(IDD_WIZARD), owner, FrameProc,
                       reinterpret_cast<LPARAM>(this));
  if (hwnd_) ::ShowWindow(hwnd_, SW_SHOW);
  return hwnd_;
}

void TWinWizardForm::Destroy() {
  if (hwnd_ && !modal_) ::DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

INT_PTR CALLBACK TWinWizardForm::FrameProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    ::SetWindowLongPtrW(w, DWLP_USER, lp);
    reinterpret_cast<TWinWizardForm*>(lp)->OnInit(w);
    return FALSE;  // the focus is set by OnInit
  }
  TWinWizardForm* self = FormOf(w);
  if (!self) return FALSE;
  switch (msg) {
    case WM_COMMAND:
      return self->OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_DRAWITEM:
      if (wp == IDC_IMAGE1) {
        DrawSidePicture(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
        return TRUE;
      }
      return FALSE;
    case WM_CLOSE:
      self->End(IDCANCEL);
      return TRUE;
    case WM_DPICHANGED_AFTERPARENT:
    case WM_DPICHANGED:
      ::InvalidateRect(self->Control(IDC_IMAGE1), nullptr, TRUE);
      return FALSE;
    case WM_DESTROY:
      self->hwnd_ = nullptr;
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK TWinWizardForm::PageProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    ::SetWindowLongPtrW(w, DWLP_USER, lp);
    return FALSE;
  }
  TWinWizardForm* self = FormOf(w);
  if (!self) return FALSE;
  switch (msg) {
    case WM_COMMAND:
      return self->OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
    case WM_NOTIFY:
      return self->OnNotify(reinterpret_cast<NMHDR*>(lp));
  }
  return FALSE;
}

void TWinWizardForm::OnInit(HWND w) {
  hwnd_ = w;
  CreatePages(w);
  SetUpModuleList();
  alias_page_.Attach(pages_[static_cast<size_t>(WizardPage::kAliases)]);
  if (!nexa_) {
    ::ShowWindow(Control(IDC_RB_MODE_REPLACE_ADO), SW_HIDE);
    ::ShowWindow(Control(IDC_LB_MAIL), SW_HIDE);
  }
  model_->Show();
  shown_page_ = -1;
  Refresh();
}

void TWinWizardForm::CreatePages(HWND w) {
  // The pages take the place of the hidden page area, in the order of
  // WizardPage, each with its title in bold.
  HWND area = ::GetDlgItem(w, IDC_PAGE_AREA);
  RECT r;
  ::GetWindowRect(area, &r);
  ::MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&r), 2);
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(w, WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  ::GetObjectW(font, sizeof(lf), &lf);
  lf.lfWeight = FW_BOLD;
  if (title_font_) ::DeleteObject(title_font_);
  title_font_ = ::CreateFontIndirectW(&lf);
  for (size_t i = 0; i < pages_.size(); ++i) {
    HWND page = ::CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(kPageDialogs[i]), w, PageProc,
                                     reinterpret_cast<LPARAM>(this));
    // Right after the page area in the frame's tab order: before the buttons.
    ::SetWindowPos(page, area, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
    ::SendDlgItemMessageW(page, kPageTitles[i], WM_SETFONT, reinterpret_cast<WPARAM>(title_font_),
                          FALSE);
    pages_[i] = page;
  }
}

void TWinWizardForm::SetUpModuleList() {
  // One column of units with check boxes, as wide as the list.
  HWND list = Control(IDC_LB_MODULES);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  RECT lr;
  ::GetClientRect(list, &lr);
  column.cx = lr.right - lr.left - ::GetSystemMetrics(SM_CXVSCROLL);
  ListView_InsertColumn(list, 0, &column);
}

HWND TWinWizardForm::Control(int id) const { return FindControl(hwnd_, id); }

void TWinWizardForm::SetCheck(int id, bool on) {
  ::SendMessageW(Control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TWinWizardForm::Checked(int id) const {
  return ::SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void TWinWizardForm::Enable(int id, bool on) { ::EnableWindow(Control(id), on); }

void TWinWizardForm::SetCombo(int id, const std::vector<std::string>& history,
                              const std::string& text) {
  HWND c = Control(id);
  const int count = static_cast<int>(::SendMessageW(c, CB_GETCOUNT, 0, 0));
  bool same = count == static_cast<int>(history.size());
  for (int i = 0; same && i < count; ++i) {
    const int n = static_cast<int>(::SendMessageW(c, CB_GETLBTEXTLEN, i, 0));
    std::wstring item(static_cast<size_t>(n) + 1, L'\0');
    ::SendMessageW(c, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<size_t>(n));
    same = WideToUtf8(item) == history[static_cast<size_t>(i)];
  }
  if (!same) {
    ::SendMessageW(c, CB_RESETCONTENT, 0, 0);
    for (const std::string& h : history)
      ::SendMessageW(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(h).c_str()));
  }
  // Set only when it differs, so that the caret of a user typing stays.
  if (WindowText(c) != text) SetWindowTextUtf8(c, text);
}

void TWinWizardForm::Refresh() {
  if (!hwnd_) return;
  refreshing_ = true;
  RefreshChoices();
  RefreshModules();
  RefreshSummary();
  RefreshButtons();
  RefreshPage();
  SetWindowTextUtf8(hwnd_, model_->Caption());
  refreshing_ = false;
}

void TWinWizardForm::RefreshChoices() {
  const WizardModel& m = *model_;
  SetWindowTextUtf8(Control(IDC_LABEL2), m.WelcomeText);
  SetWindowTextUtf8(Control(IDC_RB_MODE_REPLACE), m.ReplaceCaption);
  SetCheck(IDC_RB_MODE_REPLACE, m.ModeReplace);
  SetCheck(IDC_RB_MODE_REPLACE_ADO, m.ModeReplaceAdo);
  SetCheck(IDC_RB_MODE_RESTORE, m.ModeRestore);
  if (WindowText(Control(IDC_ED_UNDO_FILE)) != m.UndoFile)
    SetWindowTextUtf8(Control(IDC_ED_UNDO_FILE), m.UndoFile);
  Enable(IDC_RB_DEST_PROJECT, m.DestProjectEnabled);
  SetCheck(IDC_RB_DEST_PROJECT, m.DestProject);
  SetCheck(IDC_RB_DEST_FOLDER, m.DestFolder);
  SetCombo(IDC_CB_DIRECTORY, m.DirHistory, m.Directory);
  SetCombo(IDC_CB_BACKUP_DIR, m.BackDirHistory, m.BackupDir);
  for (const CheckBox& box : kCheckBoxes) SetCheck(box.id, m.*box.field);
  if (WindowText(Control(IDC_ED_PROFILE)) != m.ProfileFile)
    SetWindowTextUtf8(Control(IDC_ED_PROFILE), m.ProfileFile);
  // The enabling rules.
  for (int id : {IDC_L_BACKUP_FOLDER, IDC_CB_BACKUP_DIR, IDC_BT_BROWSE_BACK_FOLDER})
    Enable(id, m.BackupControlsEnabled());
  Enable(IDC_CH_VIEW_LOG, m.ViewLogEnabled());
  Enable(IDC_LBL_LOG_NOTE, m.ViewLogEnabled());
}

void TWinWizardForm::RefreshModules() {
  const std::vector<UnitLine>& modules = model_->Modules;
  HWND list = Control(IDC_LB_MODULES);
  const int rows = ListView_GetItemCount(list);
  bool same = rows == static_cast<int>(modules.size());
  for (int i = 0; same && i < rows; ++i) {
    wchar_t text[1024] = L"";
    ListView_GetItemText(list, i, 0, text, 1024);
    same = WideToUtf8(text) == modules[static_cast<size_t>(i)].name;
  }
  if (!same) {
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < modules.size(); ++i) {
      std::wstring name = Utf8ToWide(modules[i].name);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = name.data();
      ListView_InsertItem(list, &item);
    }
  }
  for (size_t i = 0; i < modules.size(); ++i)
    ListView_SetCheckState(list, static_cast<int>(i), modules[i].checked);
}

void TWinWizardForm::RefreshSummary() {
  // The summary's lines end with LF in the model; an edit control breaks
  // lines at CR LF.
  std::string summary;
  for (char c : model_->Summary) {
    if (c == '\n') summary += '\r';
    summary += c;
  }
  if (WindowText(Control(IDC_L_SUMMARY)) != summary)
    SetWindowTextUtf8(Control(IDC_L_SUMMARY), summary);
}

void TWinWizardForm::RefreshButtons() {
  const WizardModel& m = *model_;
  // A button about to be disabled gives the focus up first, to the page.
  HWND focus = ::GetFocus();
  const std::pair<int, bool> buttons[] = {
      {IDC_BT_PREV, m.CanBack()}, {IDC_BT_NEXT, m.CanNext()}, {IDC_BT_FINISH, m.CanFinish()}};
  for (auto [id, on] : buttons) {
    HWND b = ::GetDlgItem(hwnd_, id);
    if (!on && focus == b) ::SendMessageW(hwnd_, WM_NEXTDLGCTL, 0, FALSE);
    ::EnableWindow(b, on);
  }
  // The default button, which Return presses: Next, or Finish on the last
  // page.
  const int main_button = m.CanFinish() ? IDC_BT_FINISH : IDC_BT_NEXT;
  ::SendMessageW(hwnd_, DM_SETDEFID, main_button, 0);
  for (int id : {IDC_BT_NEXT, IDC_BT_FINISH})
    ::SendDlgItemMessageW(hwnd_, id, BM_SETSTYLE,
                          id == main_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TWinWizardForm::RefreshPage() {
  const int page = static_cast<int>(model_->Page());
  if (page == shown_page_) return;
  for (size_t i = 0; i < pages_.size(); ++i)
    ::ShowWindow(pages_[i], static_cast<int>(i) == page ? SW_SHOW : SW_HIDE);
  shown_page_ = page;
  // The choices of the Aliases step are made by the move onto it.
  if (model_->Page() == WizardPage::kAliases) alias_page_.Show(&model_->Aliases);
  // A new page takes the focus to its first control, so that Return goes
  // on and no button of the row below keeps a focus it did not ask for.
  FocusFirstControl(pages_[static_cast<size_t>(page)]);
}

void TWinWizardForm::FocusFirstControl(HWND page) {
  // The page's controls in tab order: the first that takes the focus; of a
  // group of radio buttons, the chosen one.
  for (HWND c = ::GetWindow(page, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    const LONG style = ::GetWindowLongW(c, GWL_STYLE);
    if (!(style & WS_TABSTOP) || !::IsWindowVisible(c) || !::IsWindowEnabled(c)) continue;
    const bool radio = (::SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
    if (radio && ::SendMessageW(c, BM_GETCHECK, 0, 0) != BST_CHECKED) continue;
    ::SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c), TRUE);
    // The dialog selects the whole text of an edit box it moves to; a text
    // only to be read (the summary) is shown as it is.
    if (style & ES_READONLY && ::SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
      ::SendMessageW(c, EM_SETSEL, 0, 0);
    return;
  }
}

void TWinWizardForm::GoNext() {
  // Leaving the options page reads the chosen files for their aliases.
  HCURSOR before = nullptr;
  const bool scans = model_->Page() == WizardPage::kStep4;
  if (scans) before = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  WizardMessage message = model_->GoNext();
  if (scans) ::SetCursor(before);
  Refresh();
  if (message.kind == WizardMessage::Kind::kNone) return;
  // Every box of the wizard carries its title.
  ShowMessage(message.text, model_->Options ? model_->Options->GetTitle() : std::string());
  const int focus = message.focus == "edUndoFile"    ? IDC_ED_UNDO_FILE
                    : message.focus == "cbDirectory" ? IDC_CB_DIRECTORY
                    : message.focus == "cbBackupDir" ? IDC_CB_BACKUP_DIR
                    : message.focus == "lbModules"   ? IDC_LB_MODULES
                    : message.focus == "edProfile"   ? IDC_ED_PROFILE
                    : message.focus == "lvAliases"   ? IDC_LV_ALIASES
                                                     : 0;
  if (focus && hwnd_)
    ::SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(focus)), TRUE);
}

void TWinWizardForm::GoBack() {
  model_->GoBack();
  Refresh();
}

void TWinWizardForm::Finish() {
  model_->Finish();
  Refresh();
  End(IDOK);
}

void TWinWizardForm::End(INT_PTR result) {
  RECT r;
  if (::GetWindowRect(hwnd_, &r)) {
    model_->Left = r.left;
    model_->Top = r.top;
  }
  model_->Close();
  result_ = result;
  if (modal_)
    ::EndDialog(hwnd_, result);
  else
    ::ShowWindow(hwnd_, SW_HIDE);
}

}  // namespace tolvern

#endif  // _WIN32
