// A view of the expert without a screen, for the expert's tests: it records
// what the expert asked and said, answers from queues, and runs the replacer
// as the progress dialog would (or as a test says).
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/component_replacer.h"
#include "ide/project_host.h"
#include "wizard/expert_view.h"
#include "wizard/wizard_model.h"

namespace tolvern::testing {

inline constexpr const char* kTitle = "BDE/ADO Migration Wizard";

// How the user leaves the wizard: true after Finish.
using WizardScript = std::function<bool(WizardModel&)>;

// A view without a screen: it records, in order, what the expert asked and
// said, answers from queues, and runs the replacer as the progress dialog
// would (or as a test says).
class FakeView : public ExpertView {
 public:
  std::vector<std::string> shown;
  std::deque<WizardScript> wizard_scripts;
  std::deque<bool> save_answers;
  std::deque<bool> yes_no_answers;
  std::function<bool(TComponentReplacer&)> execute = [](TComponentReplacer& r) {
    return r.Execute();
  };
  std::function<bool(TComponentReplacer&, const std::string&, bool)> restore =
      [](TComponentReplacer& r, const std::string& undo, bool force) {
        return r.RestoreFiles(undo, force);
      };
  bool log_shown = true;
  RunOutcome outcome;
  bool wizard_open = false;

  WizardModel& OpenWizard() override {
    wizard_ = std::make_unique<NXWizardModel>();
    wizard_open = true;
    return *wizard_;
  }
  bool ShowWizard() override {
    shown.push_back("wizard");
    if (wizard_scripts.empty()) return false;
    WizardScript script = wizard_scripts.front();
    wizard_scripts.pop_front();
    wizard_->Show();  // as the dialog does when it is shown
    return script(*wizard_);
  }
  void CloseWizard() override { wizard_open = false; }
  bool AskSaveWarning(const std::string& title, bool project, bool restore) override {
    Said(title,
         std::string("save warning:") + (project ? " project" : "") + (restore ? " restore" : ""));
    return Next(save_answers);
  }
  bool AskYesNo(const std::string& title, const std::string& question) override {
    Said(title, "question: " + question);
    return Next(yes_no_answers);
  }
  void ShowMessage(const std::string& title, const std::string& text, MessageKind kind) override {
    Said(title, (kind == MessageKind::kError ? "error: " : "information: ") + text);
  }
  bool ExecuteBehindProgress(TComponentReplacer& replacer, const std::string& title) override {
    Said(title, "execute");
    return execute(replacer);
  }
  bool RestoreBehindProgress(TComponentReplacer& replacer, const std::string& undo_file, bool force,
                             const std::string& title) override {
    Said(title, force ? "restore forced" : "restore");
    return restore(replacer, undo_file, force);
  }
  bool ShowLog(const std::string& title, const std::string& path) override {
    Said(title, "log: " + path);
    return log_shown;
  }
  void ShowOutcome(const std::string& title, const RunOutcome& o) override {
    Said(title, (o.failure ? "outcome error: " : "outcome: ") + o.text);
    outcome = o;
  }

 private:
  // Every dialog of the expert carries its title.
  void Said(const std::string& title, const std::string& what) {
    shown.push_back(title == kTitle ? what : what + " [title " + title + "]");
  }
  static bool Next(std::deque<bool>& answers) {
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::unique_ptr<NXWizardModel> wizard_;
};

// The wizard gone through with Next to its summary, then Finish.
inline WizardScript Finish(std::function<void(WizardModel&)> first = nullptr) {
  return [first](WizardModel& w) {
    if (first) first(w);
    while (w.CanNext()) w.GoNext();
    return w.Finish().kind == WizardMessage::Kind::kNone;
  };
}

inline WizardScript FinishRestore(std::function<void(WizardModel&)> also = nullptr) {
  return Finish([also](WizardModel& w) {
    w.ModeReplace = false;
    w.ModeRestore = true;
    if (also) also(w);
  });
}

// A host whose project cannot be saved.
class UnsavableHost : public ProjectHost {
 public:
  bool SaveProject() override { return false; }
};

}  // namespace tolvern::testing
