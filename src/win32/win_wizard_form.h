// The migration wizard as a native Windows dialog: a frame with a side
// picture, Back, Next, Finish and Cancel, and the eight pages as child
// dialogs of the resource script, one shown at a time. Like the Qt dialog it
// shows the state of its WizardModel and forwards every input to it; the
// model decides the pages, the enabling rules, the caption, the messages
// and the summary.
#pragma once

#ifdef _WIN32

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows_api.h"
#include "win32/win_alias_page.h"
#include "wizard/wizard_model.h"

namespace tolvern {

class TWinWizardForm {
 public:
  // The Nexa wizard: three modes and the mail link.
  TWinWizardForm();
  explicit TWinWizardForm(std::unique_ptr<WizardModel> model);
  ~TWinWizardForm();
  TWinWizardForm(const TWinWizardForm&) = delete;
  TWinWizardForm& operator=(const TWinWizardForm&) = delete;

  WizardModel& Model() { return *model_; }
  WizardMode GetMode() const { return model_->GetMode(); }
  void SetWelcomeText(const std::string& source_name, const std::string& target_name);
  std::string UndoFile() const { return model_->UndoFile; }

  // Shows the wizard modally over owner; IDOK after Finish, IDCANCEL else.
  INT_PTR ShowModal(HWND owner);
  // Creates the wizard without a modal loop of its own (tests, screenshots):
  // the caller's loop or messages drive it; Result() tells how it ended.
  HWND Create(HWND owner);
  void Destroy();
  HWND Handle() const { return hwnd_; }
  // The page dialog of a page.
  HWND PageHandle(WizardPage page) const { return pages_[static_cast<size_t>(page)]; }
  // IDOK once Finish was pressed, IDCANCEL once cancelled, 0 while open.
  INT_PTR Result() const { return result_; }

  // Pushes the model's state into the controls and re-evaluates the enabling
  // rules, the default button and the caption.
  void Refresh();

  // How a refused Next is told; a message box unless replaced (tests).
  std::function<void(const std::string& text, const std::string& caption)> ShowMessage;
  // Where the Browse buttons ask for a folder or a file; the system's
  // dialogs unless replaced. "" when the user cancels.
  std::function<std::string(const std::string& start)> BrowseFolder;
  std::function<std::string(const std::string& start)> BrowseUndoFile;
  std::function<std::string(const std::string& start)> BrowseProfile;
  // The Aliases step (its save dialog may be replaced too).
  TWinAliasPage& AliasPage() { return alias_page_; }

 private:
  // A check box of the pages and the model's choice it holds; refreshes:
  // whether a click changes what else the wizard enables.
  struct CheckBox {
    int id;
    bool WizardModel::*field;
    bool refreshes;
  };
  static const std::array<CheckBox, 6> kCheckBoxes;

  static INT_PTR CALLBACK FrameProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  static INT_PTR CALLBACK PageProc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  void OnInit(HWND w);
  void CreatePages(HWND w);
  void SetUpModuleList();
  // The parts of Refresh.
  void RefreshChoices();
  void RefreshModules();
  void RefreshSummary();
  void RefreshButtons();
  void RefreshPage();
  // The controls' messages, in win_wizard_commands.cc: OnCommand routes each
  // control to its handler.
  bool OnCommand(int id, int code, HWND control);
  bool OnNotify(NMHDR* n);
  void OnNextClicked(int id, int code, HWND control);
  void OnBackClicked(int id, int code, HWND control);
  void OnFinishClicked(int id, int code, HWND control);
  void OnReturn(int id, int code, HWND control);
  void OnCancel(int id, int code, HWND control);
  void OnModeClicked(int id, int code, HWND control);
  void OnDestClicked(int id, int code, HWND control);
  void OnUndoFileEdited(int id, int code, HWND control);
  void OnBrowseUndoFile(int id, int code, HWND control);
  void OnSelectAll(int id, int code, HWND control);
  void OnFolderChanged(int id, int code, HWND control);
  void OnBrowseFolder(int id, int code, HWND control);
  void OnBrowseBackupFolder(int id, int code, HWND control);
  void OnProfileEdited(int id, int code, HWND control);
  void OnBrowseProfile(int id, int code, HWND control);
  void OnCheckClicked(const CheckBox& box, int code);
  void GoNext();
  void GoBack();
  void Finish();
  void End(INT_PTR result);
  void FocusFirstControl(HWND page);
  HWND Control(int id) const;
  void SetCheck(int id, bool on);
  bool Checked(int id) const;
  void Enable(int id, bool on);
  void SetCombo(int id, const std::vector<std::string>& history, const std::string& text);

  std::unique_ptr<WizardModel> model_;
  bool nexa_ = false;  // the Nexa wizard: the ADO mode and the mail link
  HWND hwnd_ = nullptr;
  bool modal_ = false;
  INT_PTR result_ = 0;
  bool refreshing_ = false;
  int shown_page_ = -1;
  HFONT title_font_ = nullptr;
  std::array<HWND, 8> pages_{};
  TWinAliasPage alias_page_;
};

}  // namespace tolvern

#endif  // _WIN32
