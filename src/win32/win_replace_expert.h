// The expert with the native Windows dialogs: the view of the expert's logic
// (wizard/expert_model.h). It puts "&Migration Wizard" into the product
// menu; choosing it runs one invocation of the model, which shows the
// wizard, the save warning, the progress of the run and the outcome through
// this view's dialogs, and remembers the user's choices in the registry.
#pragma once

#ifdef _WIN32

#include <memory>
#include <string>

#include "engine/component_replacer.h"
#include "ide/ide_services.h"
#include "platform/disk.h"
#include "platform/windows_api.h"
#include "wizard/expert_model.h"
#include "wizard/expert_view.h"

namespace tolvern {

class TWinWizardForm;

class TWinReplaceExpert : public IOTAWizard, public ExpertView {
 public:
  TWinReplaceExpert(std::string product_caption, TKAMenu* menu, TComponentReplacer* replacer);
  ~TWinReplaceExpert() override;

  void AddReplacer(TComponentReplacer* replacer) { model_.AddReplacer(replacer); }
  ExpertModel& Model() { return model_; }

  std::string GetIDString() const override { return model_.GetIDString(); }
  std::string GetName() const override { return model_.Title(); }
  int GetState() const override { return 0; }
  void Execute() override {}

  // One invocation of the wizard.
  void MenuClick() { model_.MenuClick(); }

  // The view.
  WizardModel& OpenWizard() override;
  bool ShowWizard() override;
  void CloseWizard() override;
  bool AskSaveWarning(const std::string& title, bool project, bool restore) override;
  bool AskYesNo(const std::string& title, const std::string& question) override;
  void ShowMessage(const std::string& title, const std::string& text, MessageKind kind) override;
  bool ExecuteBehindProgress(TComponentReplacer& replacer, const std::string& title) override;
  bool RestoreBehindProgress(TComponentReplacer& replacer, const std::string& undo_file, bool force,
                             const std::string& title) override;
  // The desktop's viewer, or the built-in one when there is none.
  bool ShowLog(const std::string& title, const std::string& path) override;
  void ShowOutcome(const std::string& title, const RunOutcome& outcome) override;

 private:
  // What the expert looks at outside the runs (the replacers have their own).
  RealDisk disk_;
  ExpertModel model_;
  std::unique_ptr<TWinWizardForm> wizard_;  // while an invocation lasts
};

// The window that owns the expert's dialogs: the active window of the
// environment.
HWND ExpertOwnerWindow();

// Opens a document in the desktop's viewer; false when there is none.
bool WinOpenInViewer(const std::string& path);

}  // namespace tolvern

#endif  // _WIN32
