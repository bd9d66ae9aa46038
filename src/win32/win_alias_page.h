// The wizard's Aliases step as a native page: the list of the BDE aliases
// the scan found (alias, data sets, forms, what it becomes) and, for the one
// selected, its choice (as the profile says, bound to a database component,
// a new connection, left unbound) and the fields of that choice; the new
// connections' module once for all, and the choices saved as a profile for
// the command line. Edits go straight into the model's choices.
#pragma once

#ifdef _WIN32

#include <functional>
#include <string>

#include "platform/windows_api.h"
#include "wizard/alias_choices.h"

namespace tolvern {

class TWinAliasPage {
 public:
  // Sets up the list's columns and the combo's choices of the page dialog.
  void Attach(HWND page);
  // Shows the choices (kept, not copied: edits change them), the first
  // alias selected.
  void Show(AliasChoices* choices);

  // The page's WM_COMMAND and WM_NOTIFY; false for another control's.
  bool OnCommand(int id, int code, HWND control);
  bool OnNotify(NMHDR* n);

  // Where Save as profile asks for a file ("" when the user cancels) and
  // how a failed write is told; the system's dialogs unless replaced.
  std::function<std::string()> AskProfileFile;
  std::function<void(const std::string& text)> ShowError;

  // The text of a cell of the list (tests).
  std::string Cell(int row, int column) const;

 private:
  void FillList();
  void ShowSelected();
  void TakeSelected();
  void SaveProfile();
  int SelectedRow() const;
  HWND Item(int id) const { return ::GetDlgItem(page_, id); }

  HWND page_ = nullptr;
  AliasChoices* choices_ = nullptr;
  bool filling_ = false;
};

}  // namespace tolvern

#endif  // _WIN32
