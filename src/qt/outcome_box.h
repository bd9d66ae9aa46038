// The box that tells how a run ended. Besides OK it offers the run's log and
// its to-do list, read inside the wizard (run_views.h); the box comes back
// when a view is closed, until the user presses OK.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "engine/todo_list.h"

class QMessageBox;
class QWidget;

namespace tolvern {

struct RunOutcome {
  std::string text;
  bool failure = false;  // the error icon: files or objects left for a person
  std::string log_path;  // "" when the run wrote no log
  std::vector<TodoItem> todo;
  std::string todo_path;    // the file that holds this run's list, or ""
  std::string report_path;  // the run's report page, or ""
};

void ShowRunOutcome(const QString& title, const RunOutcome& outcome, QWidget* parent);

// Fills an empty box with the outcome: its icon, text and buttons (the view
// buttons named "btViewLog", "btViewTodo" and "btViewReport" when there is
// something to view).
void FillOutcomeBox(QMessageBox& box, const QString& title, const RunOutcome& outcome);

}  // namespace tolvern
