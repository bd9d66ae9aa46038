// The expert with the native Windows dialogs: the bridge between the
// environment, the wizard and the replacers. It puts "&Migration Wizard"
// into the product menu; choosing it shows the wizard and, on Finish, saves
// or closes the project as the mode needs, runs the replace or the restore
// behind the progress dialog, reloads what the environment has open, reports
// the outcome, and remembers the user's choices in the registry.
#pragma once

#ifdef _WIN32

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/component_replacer.h"
#include "ide/ide_services.h"
#include "platform/disk.h"
#include "platform/windows_api.h"
#include "wizard/wizard_model.h"

namespace tolvern {

class TWinWizardForm;

class TWinReplaceExpert : public IOTAWizard {
 public:
  TWinReplaceExpert(std::string product_caption, TKAMenu* menu, TComponentReplacer* replacer);
  ~TWinReplaceExpert() override;

  void AddReplacer(TComponentReplacer* replacer) { replacers_.push_back(replacer); }
  // Raise EAssertionFailed for an index outside the list, or an empty list.
  TComponentReplacer* GetReplacer(int index) const;
  TComponentReplacer* FirstReplacer() const;

  std::string GetIDString() const override;
  std::string GetName() const override;
  int GetState() const override { return 0; }
  void Execute() override {}

  // One invocation of the wizard.
  void MenuClick();
  // The runs after Finish, the save warning answered already (ConfirmRun).
  void RunReplace(TComponentReplacer* replacer);
  void RunRestore(const std::string& undo_file_name);
  // Asks the save warning that the mode needs, if any; false when the user
  // declines, and the wizard then returns to its summary.
  bool ConfirmRun(WizardMode mode);
  void HideProjectForms();
  void LoadRunSettings();
  void SaveRunSettings();
  void ShowRunFailure(const std::exception& error);

  // "ZUvezodItem", the options' name with "/" as "_", and the product
  // caption without ampersands.
  std::string MenuItemName() const;

 private:
  TReplaceOptions& Options() const { return *FirstReplacer()->Options; }
  std::string Title() const { return Options().GetTitle(); }

  std::string product_caption_;
  // What the expert looks at outside the runs (the replacers have their own).
  RealDisk disk_;
  std::vector<TComponentReplacer*> replacers_;
  std::unique_ptr<TWinWizardForm> wizard_;  // while an invocation lasts
};

// The window that owns the expert's dialogs: the active window of the
// environment.
HWND ExpertOwnerWindow();

// Opens a document in the desktop's viewer; false when there is none.
bool WinOpenInViewer(const std::string& path);

}  // namespace tolvern

#endif  // _WIN32
