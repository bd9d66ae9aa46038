// The expert with the Qt dialogs: the view of the expert's logic
// (wizard/expert_model.h). It puts "&Migration Wizard" into the product menu;
// choosing it runs one invocation of the model, which shows the wizard, the
// save warning, the progress of the run, the log and the outcome through
// this view's dialogs.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/component_replacer.h"
#include "ide/ide_services.h"
#include "platform/disk.h"
#include "wizard/expert_model.h"
#include "wizard/expert_view.h"

namespace tolvern {

class TWizardForm;
using WizardFormClass = std::function<std::unique_ptr<TWizardForm>()>;

class TCompReplaceExpert : public IOTAWizard, public ExpertView {
 public:
  TCompReplaceExpert(WizardFormClass form_class, std::string product_caption, TKAMenu* menu,
                     TComponentReplacer* replacer);
  ~TCompReplaceExpert() override;

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
  // The desktop's viewer, or else the wizard's own view of the log.
  bool ShowLog(const std::string& title, const std::string& path) override;
  void ShowOutcome(const std::string& title, const RunOutcome& outcome) override;

 private:
  WizardFormClass form_class_;
  // What the expert looks at outside the runs (the replacers have their own).
  RealDisk disk_;
  ExpertModel model_;
  std::unique_ptr<TWizardForm> wizard_;  // while an invocation lasts
};

}  // namespace tolvern
