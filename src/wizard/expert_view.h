// What the expert asks of the dialogs that show it: the wizard, the save
// warning, the progress of a run, the questions and messages, the log and the
// outcome of a run. The expert's logic (expert_model.h) decides what is
// asked and what is said; each view (Qt, Win32) shows it with its own
// widgets, and a test shows it with none.
#pragma once

#include <string>
#include <vector>

#include "engine/todo_list.h"

namespace tolvern {

class TComponentReplacer;
class WizardModel;

// How a run ended, as the outcome shows it.
struct RunOutcome {
  std::string text;
  bool failure = false;  // the error icon: files or objects left for a person
  std::string log_path;  // "" when the run wrote no log
  std::vector<TodoItem> todo;
  std::string todo_path;    // the file that holds this run's list, or ""
  std::string report_path;  // the run's report page, or ""
};

// The icon of a message.
enum class MessageKind { kInformation, kError };

class ExpertView {
 public:
  virtual ~ExpertView() = default;

  // Makes the wizard of one invocation and gives its model, which lives
  // until CloseWizard.
  virtual WizardModel& OpenWizard() = 0;
  // Shows the wizard modally; true when the user pressed Finish.
  virtual bool ShowWizard() = 0;
  virtual void CloseWizard() = 0;

  // The save warning before a run changes the open project (unless the user
  // silenced it); true to go on.
  virtual bool AskSaveWarning(const std::string& title, bool project, bool restore) = 0;
  // A question whose default answer is No; true for Yes.
  virtual bool AskYesNo(const std::string& title, const std::string& question) = 0;
  virtual void ShowMessage(const std::string& title, const std::string& text, MessageKind kind) = 0;

  // The replacer's Execute or RestoreFiles behind a progress dialog; their
  // result, and their exception thrown again.
  virtual bool ExecuteBehindProgress(TComponentReplacer& replacer, const std::string& title) = 0;
  virtual bool RestoreBehindProgress(TComponentReplacer& replacer, const std::string& undo_file,
                                     bool force, const std::string& title) = 0;

  // Shows the run's log, in the desktop's viewer or in a view of its own;
  // false when it could not be shown.
  virtual bool ShowLog(const std::string& title, const std::string& path) = 0;
  // How a replace run ended.
  virtual void ShowOutcome(const std::string& title, const RunOutcome& outcome) = 0;
};

}  // namespace tolvern
