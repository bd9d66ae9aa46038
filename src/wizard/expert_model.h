// The expert apart from its widgets: the bridge between the environment, the
// wizard and the replacers. It names the menu item ("&Migration Wizard") and
// the expert, holds the replacers it offers (one per replace mode of the
// wizard), and runs one invocation: the wizard, the save warning the mode
// needs, saving or closing the project, the replace or the restore, the
// project's units reloaded, the outcome, and the user's choices remembered.
// What it shows goes through an ExpertView, so that the Qt and the Win32
// experts are views of this one class and a test needs no screen.
#pragma once

#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/component_replacer.h"
#include "ide/ide_services.h"
#include "wizard/expert_view.h"
#include "wizard/wizard_model.h"

namespace tolvern {

class Disk;
class TRegIniFile;

class ExpertModel {
 public:
  // product_caption: the menu's product ("&Nexa"); replacer: the first of
  // the replacers, the one whose options the wizard edits; disk: what the
  // expert looks at outside the runs (the replacers have their own).
  ExpertModel(ExpertView& view, Disk& disk, std::string product_caption,
              TComponentReplacer* replacer);

  void AddReplacer(TComponentReplacer* replacer) { replacers_.push_back(replacer); }
  // Raise EAssertionFailed for an index outside the list, or an empty list.
  TComponentReplacer* GetReplacer(int index) const;
  TComponentReplacer* FirstReplacer() const;

  // Puts the item into the product menu; choosing it calls on_click.
  void AddMenuItem(TKAMenu& menu, std::function<void()> on_click) const;
  // "ZUvezodItem", the options' name with "/" as "_", and the product
  // caption without ampersands.
  std::string MenuItemName() const;
  // The expert as the environment knows it: "Veltrane.<name>MigrationWizard."
  // and the product; its name is the options' title.
  std::string GetIDString() const;
  std::string Title() const { return Options().GetTitle(); }

  // One invocation of the wizard.
  void MenuClick();
  // Asks the save warning that the mode needs, if any; false when the user
  // declines, and the wizard then returns to its summary.
  bool ConfirmRun(WizardMode mode);
  // The runs after Finish, the save warning answered already.
  void RunReplace(TComponentReplacer* replacer);
  void RunRestore(const std::string& undo_file_name);
  // The box for an error that stopped a run: its text, the path and the
  // system's reason; the log of a replace gets it as its last line.
  void ShowRunFailure(const std::exception& error);
  // Brings the code of each unit of the project with a form in front of the
  // form, so that the environment holds no form the run rewrites.
  void HideProjectForms();

  // The user's choices are kept under the registry key; tests give a store
  // file of their own (on Windows, a key of their own).
  void KeepSettingsIn(std::string key, std::string store_file);
  void LoadRunSettings();
  void SaveRunSettings();

 private:
  TReplaceOptions& Options() const { return *FirstReplacer()->Options; }
  TRegIniFile OpenSettings() const;
  // Sets the wizard up for this expert before it is shown.
  void PrepareWizard(WizardModel& wizard);
  // Shows the wizard until the user cancels or confirms the run; the mode
  // asked for, or none.
  std::optional<WizardMode> AskMode();
  // Tells how a replace that returned false ended: cancelled, or failed.
  void ShowReplaceStopped(const TComponentReplacer& replacer);
  void ReloadProjectUnits();
  // The outcome of a replace that ended, the report page written.
  RunOutcome ReplaceOutcome(TComponentReplacer& replacer, const std::string& what,
                            const std::string& log_to_view);
  // The restore, asking before originals edited since the migration are
  // put back; whether it succeeded, or nullopt when the user said no.
  std::optional<bool> RestoreAsking(TComponentReplacer& replacer, const std::string& undo_file);
  void ShowRestoreEnded(bool ok, const TComponentReplacer& replacer,
                        const std::string& undo_file_name);

  ExpertView& view_;
  Disk& disk_;
  std::string product_caption_;
  std::vector<TComponentReplacer*> replacers_;
  WizardModel* wizard_ = nullptr;  // while an invocation lasts
  std::optional<std::pair<std::string, std::string>> settings_place_;
};

// "&Nexa" gives "Nexa".
std::string RemoveAmpersands(const std::string& s);

// The question before a restore puts back originals edited after the
// migration, naming each; unverified: the undo file has no record, and the
// files cannot be told from edited ones.
std::string RestoreChangedQuestion(const std::vector<std::string>& files, bool unverified = false);

}  // namespace tolvern
