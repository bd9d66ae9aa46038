#include "win32/win_wizard_form.h"

#ifdef _WIN32

#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <filesystem>

#include "base/system_texts.h"
#include "files/file_utils.h"
#include "platform/shell.h"
#include "win32/resource_ids.h"
#include "win32/win_controls.h"

namespace tolvern {

namespace {

// The page dialogs in the order of WizardPage, and their titles.
constexpr int kPageDialogs[] = {IDD_STEP1,     IDD_STEP2_RESTORE, IDD_STEP2_REPLACE, IDD_STEP3_PROJ,
                                IDD_STEP3_DIR, IDD_STEP4,         IDD_FINAL};
constexpr int kPageTitles[] = {
    IDC_TITLE_STEP1,     IDC_TITLE_STEP2_RESTORE, IDC_TITLE_STEP2_REPLACE, IDC_TITLE_STEP3_PROJ,
    IDC_TITLE_STEP3_DIR, IDC_TITLE_STEP4,         IDC_TITLE_FINAL};

// Where a browser opens: the folder in the field, or the nearest folder above
// it that exists; "" when the field names none.
std::string StartFolder(const std::string& field) {
  std::filesystem::path p(Utf8ToWide(field));
  std::error_code ec;
  while (!p.empty() && !std::filesystem::is_directory(p, ec)) {
    if (p == p.parent_path()) return "";
    p = p.parent_path();
  }
  return WideToUtf8(p.wstring());
}

int CALLBACK BrowseStart(HWND w, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED && data) ::SendMessageW(w, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

std::string SystemBrowseFolder(HWND owner, const std::string& start) {
  const std::wstring title = Utf8ToWide(res::kSelectDirectory);
  const std::wstring from = Utf8ToWide(StartFolder(start));
  BROWSEINFOW bi{};
  bi.hwndOwner = owner;
  bi.lpszTitle = title.c_str();
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = BrowseStart;
  bi.lParam = from.empty() ? 0 : reinterpret_cast<LPARAM>(from.c_str());
  PIDLIST_ABSOLUTE list = ::SHBrowseForFolderW(&bi);
  if (!list) return "";
  wchar_t path[MAX_PATH] = L"";
  const bool ok = ::SHGetPathFromIDListW(list, path);
  ::CoTaskMemFree(list);
  return ok ? WideToUtf8(path) : "";
}

std::string SystemBrowseUndoFile(HWND owner, const std::string& start) {
  wchar_t file[32768] = L"";
  const std::wstring dir = Utf8ToWide(StartFolder(ExtractFilePath(start)));
  OPENFILENAMEW of{};
  of.lStructSize = sizeof(of);
  of.hwndOwner = owner;
  of.lpstrFilter = L"Undo files (*.reu)\0*.reu\0All files (*.*)\0*.*\0";
  of.lpstrFile = file;
  of.nMaxFile = 32768;
  of.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
  of.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
  return ::GetOpenFileNameW(&of) ? WideToUtf8(file) : "";
}

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
        self->DrawSidePicture(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
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
  // The pages take the place of the hidden page area, in the order of
  // WizardPage.
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
  HWND list = Control(IDC_LB_MODULES);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  RECT lr;
  ::GetClientRect(list, &lr);
  column.cx = lr.right - lr.left - ::GetSystemMetrics(SM_CXVSCROLL);
  ListView_InsertColumn(list, 0, &column);
  if (!nexa_) {
    ::ShowWindow(Control(IDC_RB_MODE_REPLACE_ADO), SW_HIDE);
    ::ShowWindow(Control(IDC_LB_MAIL), SW_HIDE);
  }
  model_->Show();
  shown_page_ = -1;
  Refresh();
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
  WizardModel& m = *model_;
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
  HWND list = Control(IDC_LB_MODULES);
  const int rows = ListView_GetItemCount(list);
  bool same = rows == static_cast<int>(m.Modules.size());
  for (int i = 0; same && i < rows; ++i) {
    wchar_t text[1024] = L"";
    ListView_GetItemText(list, i, 0, text, 1024);
    same = WideToUtf8(text) == m.Modules[static_cast<size_t>(i)].name;
  }
  if (!same) {
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < m.Modules.size(); ++i) {
      std::wstring name = Utf8ToWide(m.Modules[i].name);
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = name.data();
      ListView_InsertItem(list, &item);
    }
  }
  for (size_t i = 0; i < m.Modules.size(); ++i)
    ListView_SetCheckState(list, static_cast<int>(i), m.Modules[i].checked);
  SetCombo(IDC_CB_DIRECTORY, m.DirHistory, m.Directory);
  SetCheck(IDC_CH_SUB_DIRS, m.SubDirs);
  SetCheck(IDC_CH_MAKE_BACKUP, m.MakeBackup);
  SetCombo(IDC_CB_BACKUP_DIR, m.BackDirHistory, m.BackupDir);
  SetCheck(IDC_CH_WRITE_LOG, m.WriteLog);
  SetCheck(IDC_CH_VIEW_LOG, m.ViewLog);
  SetCheck(IDC_CH_INCLUDE_READ_ONLY, m.IncludeReadOnly);
  SetCheck(IDC_CH_FOLLOW_USES, m.FollowUses);
  // The summary's lines end with LF in the model; an edit control breaks
  // lines at CR LF.
  std::string summary;
  for (char c : m.Summary) {
    if (c == '\n') summary += '\r';
    summary += c;
  }
  if (WindowText(Control(IDC_L_SUMMARY)) != summary)
    SetWindowTextUtf8(Control(IDC_L_SUMMARY), summary);
  // The enabling rules.
  for (int id : {IDC_L_BACKUP_FOLDER, IDC_CB_BACKUP_DIR, IDC_BT_BROWSE_BACK_FOLDER})
    Enable(id, m.BackupControlsEnabled());
  Enable(IDC_CH_VIEW_LOG, m.ViewLogEnabled());
  Enable(IDC_LBL_LOG_NOTE, m.ViewLogEnabled());
  // A button about to be disabled gives the focus up first, to the page.
  const int page = static_cast<int>(m.Page());
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
  const bool page_changed = page != shown_page_;
  if (page_changed) {
    for (size_t i = 0; i < pages_.size(); ++i)
      ::ShowWindow(pages_[i], static_cast<int>(i) == page ? SW_SHOW : SW_HIDE);
    shown_page_ = page;
    // A new page takes the focus to its first control, so that Return goes
    // on and no button of the row below keeps a focus it did not ask for.
    FocusFirstControl(pages_[static_cast<size_t>(page)]);
  }
  SetWindowTextUtf8(hwnd_, m.Caption());
  refreshing_ = false;
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

void TWinWizardForm::ModeClicked(int id) {
  WizardModel& m = *model_;
  m.ModeReplace = id == IDC_RB_MODE_REPLACE;
  m.ModeReplaceAdo = id == IDC_RB_MODE_REPLACE_ADO;
  m.ModeRestore = id == IDC_RB_MODE_RESTORE;
  Refresh();
}

bool TWinWizardForm::OnCommand(int id, int code, HWND control) {
  WizardModel& m = *model_;
  switch (id) {
    case IDC_BT_NEXT:
      if (code == BN_CLICKED && m.CanNext()) GoNext();
      return true;
    case IDC_BT_PREV:
      if (code == BN_CLICKED && m.CanBack()) GoBack();
      return true;
    case IDC_BT_FINISH:
      if (code == BN_CLICKED && m.CanFinish()) Finish();
      return true;
    case IDOK:
      // Return with no default button at hand: what the default would do.
      if (m.CanFinish())
        Finish();
      else if (m.CanNext())
        GoNext();
      return true;
    case IDCANCEL:
      End(IDCANCEL);
      return true;
    case IDC_RB_MODE_REPLACE:
    case IDC_RB_MODE_REPLACE_ADO:
    case IDC_RB_MODE_RESTORE:
      if (code == BN_CLICKED) ModeClicked(id);
      return true;
    case IDC_RB_DEST_PROJECT:
    case IDC_RB_DEST_FOLDER:
      if (code == BN_CLICKED && ::IsWindowEnabled(control)) {
        m.DestProject = id == IDC_RB_DEST_PROJECT;
        m.DestFolder = id == IDC_RB_DEST_FOLDER;
        Refresh();
      }
      return true;
    case IDC_ED_UNDO_FILE:
      if (code == EN_CHANGE && !refreshing_) {
        m.UndoFile = WindowText(control);
        Refresh();
      }
      return true;
    case IDC_BT_RESTORE_BROWSE:
      if (code == BN_CLICKED) {
        const std::string file = BrowseUndoFile(m.UndoFile);
        if (!file.empty()) {
          m.UndoFile = file;
          Refresh();
        }
      }
      return true;
    case IDC_BT_SELECT:
    case IDC_BT_DESELECT:
      if (code == BN_CLICKED) {
        m.SelectAll(id == IDC_BT_SELECT);
        Refresh();
      }
      return true;
    case IDC_CB_DIRECTORY:
    case IDC_CB_BACKUP_DIR: {
      if (refreshing_) return true;
      std::string text;
      if (code == CBN_EDITCHANGE) {
        text = WindowText(control);
      } else if (code == CBN_SELCHANGE) {
        const auto sel = ::SendMessageW(control, CB_GETCURSEL, 0, 0);
        if (sel < 0) return true;
        const int n = static_cast<int>(::SendMessageW(control, CB_GETLBTEXTLEN, sel, 0));
        std::wstring item(static_cast<size_t>(n) + 1, L'\0');
        ::SendMessageW(control, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<size_t>(n));
        text = WideToUtf8(item);
      } else {
        return true;
      }
      if (id == IDC_CB_DIRECTORY) {
        m.Directory = text;
        Refresh();
      } else {
        m.EditBackupDir(text);
      }
      return true;
    }
    case IDC_BT_BROWSE_FOLDER:
      if (code == BN_CLICKED) {
        const std::string dir = BrowseFolder(m.Directory);
        if (!dir.empty()) {
          m.Directory = dir;
          Refresh();
        }
      }
      return true;
    case IDC_BT_BROWSE_BACK_FOLDER:
      if (code == BN_CLICKED) {
        const std::string dir = BrowseFolder(m.GetBackupDir());
        if (!dir.empty()) {
          m.EditBackupDir(dir);
          Refresh();
        }
      }
      return true;
    case IDC_CH_SUB_DIRS:
      if (code == BN_CLICKED) m.SubDirs = Checked(id);
      return true;
    case IDC_CH_MAKE_BACKUP:
      if (code == BN_CLICKED) {
        m.MakeBackup = Checked(id);
        Refresh();
      }
      return true;
    case IDC_CH_WRITE_LOG:
      if (code == BN_CLICKED) {
        m.WriteLog = Checked(id);
        Refresh();
      }
      return true;
    case IDC_CH_VIEW_LOG:
      if (code == BN_CLICKED) m.ViewLog = Checked(id);
      return true;
    case IDC_CH_INCLUDE_READ_ONLY:
      if (code == BN_CLICKED) m.IncludeReadOnly = Checked(id);
      return true;
    case IDC_CH_FOLLOW_USES:
      if (code == BN_CLICKED) m.FollowUses = Checked(id);
      return true;
  }
  return false;
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
  return false;
}

void TWinWizardForm::GoNext() {
  WizardMessage message = model_->GoNext();
  Refresh();
  if (message.kind == WizardMessage::Kind::kNone) return;
  // Every box of the wizard carries its title.
  ShowMessage(message.text, model_->Options ? model_->Options->GetTitle() : std::string());
  const int focus = message.focus == "edUndoFile"    ? IDC_ED_UNDO_FILE
                    : message.focus == "cbDirectory" ? IDC_CB_DIRECTORY
                    : message.focus == "cbBackupDir" ? IDC_CB_BACKUP_DIR
                    : message.focus == "lbModules"   ? IDC_LB_MODULES
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

void TWinWizardForm::DrawSidePicture(const DRAWITEMSTRUCT& d) {
  // A picture drawn to the control's size (and so to the screen's DPI): a
  // blue gradient, two database drums joined by an arrow (the old library to
  // the new), and the product's name.
  const RECT& r = d.rcItem;
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC dc = d.hDC;
  for (int y = 0; y < h; y += 2) {
    const int t = y * 256 / (h ? h : 1);
    HBRUSH b = ::CreateSolidBrush(
        RGB(16 + (64 - 16) * t / 256, 48 + (160 - 48) * t / 256, 112 + (208 - 112) * t / 256));
    RECT band{r.left, r.top + y, r.right, r.top + y + 2};
    ::FillRect(dc, &band, b);
    ::DeleteObject(b);
  }
  auto sx = [&](int x) { return r.left + x * w / 120; };
  auto sy = [&](int y) { return r.top + y * h / 260; };
  HPEN white = ::CreatePen(PS_SOLID, (w + 59) / 60, RGB(255, 255, 255));
  HGDIOBJ old_pen = ::SelectObject(dc, white);
  auto drum = [&](int x, int y, COLORREF c) {
    HBRUSH b = ::CreateSolidBrush(c);
    HGDIOBJ old = ::SelectObject(dc, b);
    ::Rectangle(dc, sx(x), sy(y + 6), sx(x + 44), sy(y + 40));
    ::Ellipse(dc, sx(x), sy(y + 34), sx(x + 44), sy(y + 46));
    ::Ellipse(dc, sx(x), sy(y), sx(x + 44), sy(y + 12));
    ::SelectObject(dc, old);
    ::DeleteObject(b);
  };
  drum(38, 30, RGB(150, 150, 160));
  drum(38, 150, RGB(240, 150, 40));
  HPEN arrow = ::CreatePen(PS_SOLID, (w + 39) / 40, RGB(255, 255, 255));
  ::SelectObject(dc, arrow);
  ::MoveToEx(dc, sx(60), sy(92), nullptr);
  ::LineTo(dc, sx(60), sy(136));
  ::MoveToEx(dc, sx(52), sy(126), nullptr);
  ::LineTo(dc, sx(60), sy(138));
  ::LineTo(dc, sx(68), sy(126));
  ::SelectObject(dc, old_pen);
  ::DeleteObject(arrow);
  ::DeleteObject(white);
  LOGFONTW lf{};
  lf.lfHeight = -(h * 20 / 260);
  lf.lfWeight = FW_BOLD;
  lf.lfQuality = CLEARTYPE_QUALITY;
  wcscpy(lf.lfFaceName, L"Segoe UI");
  HFONT f = ::CreateFontIndirectW(&lf);
  HGDIOBJ old_font = ::SelectObject(dc, f);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, RGB(255, 255, 255));
  RECT text{r.left, sy(212), r.right, sy(242)};
  ::DrawTextW(dc, L"Nexa", -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::SelectObject(dc, old_font);
  ::DeleteObject(f);
}

}  // namespace tolvern

#endif  // _WIN32
