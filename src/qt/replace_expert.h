// The expert: the bridge between the environment, the wizard and the
// replacers. It puts "&Migration Wizard" into the product menu; choosing it
// shows the wizard and, on Finish, saves or closes the project as the mode
// needs, runs the replace or the restore, reloads what the environment has
// open, reports the outcome, and remembers the user's choices.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/component_replacer.h"
#include "ide/ide_services.h"
#include "platform/disk.h"
#include "wizard/wizard_model.h"

namespace tolvern {

class TWizardForm;
using WizardFormClass = std::function<std::unique_ptr<TWizardForm>()>;

class TCompReplaceExpert : public IOTAWizard {
 public:
  TCompReplaceExpert(WizardFormClass form_class, std::string product_caption, TKAMenu* menu,
                     TComponentReplacer* replacer);
  ~TCompReplaceExpert() override;

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
  // The box for an error that stopped a run: its text, the path and the
  // system's reason; the log of a replace gets it as its last line.
  void ShowRunFailure(const std::exception& error);

  // The object name of the menu item: "ZUvezodItem", the options' name with
  // "/" as "_", and the product caption without ampersands.
  std::string MenuItemName() const;

 private:
  TReplaceOptions& Options() const { return *FirstReplacer()->Options; }
  std::string Title() const { return Options().GetTitle(); }

  WizardFormClass form_class_;
  std::string product_caption_;
  // What the expert looks at outside the runs (the replacers have their own).
  RealDisk disk_;
  std::vector<TComponentReplacer*> replacers_;
  std::unique_ptr<TWizardForm> wizard_;  // while an invocation lasts
};

// "&Nexa" gives "Nexa".
std::string RemoveAmpersands(const std::string& s);

}  // namespace tolvern
