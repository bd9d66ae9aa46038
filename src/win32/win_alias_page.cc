#include "win32/win_alias_page.h"

#ifdef _WIN32

#include <commctrl.h>

#include "platform/disk.h"
#include "win32/resource_ids.h"
#include "win32/win_browse.h"
#include "win32/win_controls.h"

namespace tolvern {

namespace {

// The choices of the combo box, in the order of AliasChoiceKind.
const char* const kChoiceTexts[] = {"As the profile says", "Bind to a database component",
                                    "Make a new connection",
                                    "Leave it (a to-do item on each data set)"};

// The list's columns and their share of its width, in percent.
constexpr std::pair<const char*, int> kColumns[] = {
    {"Alias", 22}, {"Data sets", 16}, {"Forms", 28}, {"Becomes", 34}};

std::string Joined(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
  return s;
}

}  // namespace

void TWinAliasPage::Attach(HWND page) {
  page_ = page;
  HWND list = Item(IDC_LV_ALIASES);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
  RECT lr;
  ::GetClientRect(list, &lr);
  const int width = lr.right - lr.left - ::GetSystemMetrics(SM_CXVSCROLL);
  int at = 0;
  for (const auto& [title, share] : kColumns) {
    std::wstring text = Utf8ToWide(title);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text.data();
    column.cx = width * share / 100;
    ListView_InsertColumn(list, at++, &column);
  }
  for (const char* text : kChoiceTexts)
    ::SendMessageW(Item(IDC_CB_ALIAS_CHOICE), CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(Utf8ToWide(text).c_str()));
  if (!AskProfileFile) AskProfileFile = [this] { return SystemSaveProfile(page_); };
  if (!ShowError)
    ShowError = [this](const std::string& text) {
      ShowMessageBox(::GetAncestor(page_, GA_ROOT), text, WindowText(::GetAncestor(page_, GA_ROOT)),
                     MB_ICONERROR);
    };
}

void TWinAliasPage::Show(AliasChoices* choices) {
  choices_ = choices;
  filling_ = true;
  SetWindowTextUtf8(Item(IDC_ED_MODULE), choices_->module);
  ::SendMessageW(Item(IDC_CK_MOVE_DATA), BM_SETCHECK,
                 choices_->move_data ? BST_CHECKED : BST_UNCHECKED, 0);
  filling_ = false;
  FillList();
  // The alias and its count as wide as they need, the forms and what each
  // becomes sharing the rest.
  HWND list = Item(IDC_LV_ALIASES);
  for (int col : {0, 1}) {
    ListView_SetColumnWidth(list, col, LVSCW_AUTOSIZE_USEHEADER);
    // Never narrower than its title with the header's margins.
    const int title = ListView_GetStringWidth(list, Utf8ToWide(kColumns[col].first).c_str()) + 16;
    if (ListView_GetColumnWidth(list, col) < title) ListView_SetColumnWidth(list, col, title);
  }
  RECT lr;
  ::GetClientRect(list, &lr);
  const int rest = lr.right - lr.left - ListView_GetColumnWidth(list, 0) -
                   ListView_GetColumnWidth(list, 1) - ::GetSystemMetrics(SM_CXVSCROLL);
  if (rest > 0) {
    ListView_SetColumnWidth(list, 2, rest * 2 / 5);
    ListView_SetColumnWidth(list, 3, rest - rest * 2 / 5);
  }
  if (SelectedRow() < 0 && !choices_->Empty())
    ListView_SetItemState(Item(IDC_LV_ALIASES), 0, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
  ShowSelected();
}

int TWinAliasPage::SelectedRow() const {
  return ListView_GetNextItem(Item(IDC_LV_ALIASES), -1, LVNI_SELECTED);
}

std::string TWinAliasPage::Cell(int row, int column) const {
  wchar_t text[1024] = L"";
  ListView_GetItemText(Item(IDC_LV_ALIASES), row, column, text, 1024);
  return WideToUtf8(text);
}

void TWinAliasPage::FillList() {
  // The rows stay (and so the selection): only their texts change.
  filling_ = true;
  HWND list = Item(IDC_LV_ALIASES);
  const auto& items = choices_->Items();
  const int rows = static_cast<int>(items.size());
  while (ListView_GetItemCount(list) > rows)
    ListView_DeleteItem(list, ListView_GetItemCount(list) - 1);
  for (int i = 0; i < rows; ++i) {
    const AliasChoice& c = items[static_cast<size_t>(i)];
    const std::string cells[] = {c.alias, std::to_string(c.data_sets), Joined(c.forms),
                                 choices_->Becomes(c)};
    if (i >= ListView_GetItemCount(list)) {
      LVITEMW item{};
      item.iItem = i;
      ListView_InsertItem(list, &item);
    }
    for (int col = 0; col < 4; ++col) {
      std::wstring text = Utf8ToWide(cells[col]);
      ListView_SetItemText(list, i, col, text.data());
    }
  }
  filling_ = false;
}

void TWinAliasPage::ShowSelected() {
  if (!choices_ || filling_) return;
  const int row = SelectedRow();
  const bool any = row >= 0 && row < static_cast<int>(choices_->Items().size());
  for (int id : {IDC_CB_ALIAS_CHOICE, IDC_ED_BIND, IDC_ED_DATABASE, IDC_ED_SERVER, IDC_ED_USER_NAME,
                 IDC_ED_DATA_FOLDER, IDC_BT_DATA_FOLDER})
    ::EnableWindow(Item(id), any);
  if (!any) return;
  const AliasChoice& c = choices_->Items()[static_cast<size_t>(row)];
  filling_ = true;
  ::SendMessageW(Item(IDC_CB_ALIAS_CHOICE), CB_SETCURSEL, static_cast<WPARAM>(c.kind), 0);
  const std::pair<int, const std::string*> fields[] = {{IDC_ED_BIND, &c.bind},
                                                       {IDC_ED_DATABASE, &c.database},
                                                       {IDC_ED_SERVER, &c.server},
                                                       {IDC_ED_USER_NAME, &c.user_name},
                                                       {IDC_ED_DATA_FOLDER, &c.data_folder}};
  // Set only when it differs, so that the caret of a user typing stays.
  for (auto [id, text] : fields)
    if (WindowText(Item(id)) != *text) SetWindowTextUtf8(Item(id), *text);
  filling_ = false;
  ::EnableWindow(Item(IDC_ED_BIND), c.kind == AliasChoiceKind::kBind);
  for (int id : {IDC_ED_DATABASE, IDC_ED_SERVER, IDC_ED_USER_NAME})
    ::EnableWindow(Item(id), c.kind == AliasChoiceKind::kNew);
  // A folder of its own where the choice is the person's; the profile's
  // own holds under "as the profile says".
  const bool own = c.kind == AliasChoiceKind::kNew || c.kind == AliasChoiceKind::kBind;
  for (int id : {IDC_ED_DATA_FOLDER, IDC_BT_DATA_FOLDER}) ::EnableWindow(Item(id), own);
}

void TWinAliasPage::TakeSelected() {
  if (!choices_ || filling_) return;
  const int row = SelectedRow();
  if (row < 0 || row >= static_cast<int>(choices_->Items().size())) return;
  AliasChoice& c = choices_->Items()[static_cast<size_t>(row)];
  const auto kind = static_cast<int>(::SendMessageW(Item(IDC_CB_ALIAS_CHOICE), CB_GETCURSEL, 0, 0));
  // "As the profile says" only where a profile says something: a combo box
  // cannot disable one of its items, so picking it elsewhere changes nothing.
  if (kind >= 0 && (kind != 0 || !c.profile_says.empty()))
    c.kind = static_cast<AliasChoiceKind>(kind);
  c.bind = WindowText(Item(IDC_ED_BIND));
  c.database = WindowText(Item(IDC_ED_DATABASE));
  c.server = WindowText(Item(IDC_ED_SERVER));
  c.user_name = WindowText(Item(IDC_ED_USER_NAME));
  c.data_folder = WindowText(Item(IDC_ED_DATA_FOLDER));
  FillList();
  ShowSelected();
}

void TWinAliasPage::SaveProfile() {
  if (!choices_) return;
  const std::string path = AskProfileFile();
  if (path.empty()) return;
  const std::string text = choices_->ProfileText();
  std::string why;
  RealDisk disk;
  if (!disk.WriteFile(path, text.empty() ? "{\"name\": \"aliases\"}\n" : text, &why))
    ShowError("Cannot write the profile \"" + path + "\": " + why);
}

bool TWinAliasPage::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case IDC_CB_ALIAS_CHOICE:
      if (code == CBN_SELCHANGE) TakeSelected();
      return true;
    case IDC_ED_BIND:
    case IDC_ED_DATABASE:
    case IDC_ED_SERVER:
    case IDC_ED_USER_NAME:
    case IDC_ED_DATA_FOLDER:
      if (code == EN_CHANGE) TakeSelected();
      return true;
    case IDC_BT_DATA_FOLDER:
      if (code == BN_CLICKED) {
        const std::string folder =
            SystemBrowseFolder(page_, BrowseStartFolder(WindowText(Item(IDC_ED_DATA_FOLDER))));
        if (!folder.empty()) SetWindowTextUtf8(Item(IDC_ED_DATA_FOLDER), folder);
      }
      return true;
    case IDC_CK_MOVE_DATA:
      if (code == BN_CLICKED && choices_ && !filling_)
        choices_->move_data =
            ::SendMessageW(control, BM_GETCHECK, 0, 0) == static_cast<LRESULT>(BST_CHECKED);
      return true;
    case IDC_ED_MODULE:
      if (code == EN_CHANGE && choices_ && !filling_) {
        choices_->module = WindowText(control);
        FillList();
      }
      return true;
    case IDC_BT_SAVE_PROFILE:
      if (code == BN_CLICKED) SaveProfile();
      return true;
  }
  return false;
}

bool TWinAliasPage::OnNotify(NMHDR* n) {
  if (n->idFrom != IDC_LV_ALIASES) return false;
  if (n->code == LVN_ITEMCHANGED) {
    const auto* change = reinterpret_cast<NMLISTVIEW*>(n);
    if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED)) ShowSelected();
  }
  return true;
}

}  // namespace tolvern

#endif  // _WIN32
