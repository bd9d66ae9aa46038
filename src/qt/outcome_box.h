// The box that tells how a run ended. Besides OK it offers the run's log and
// its to-do list, read inside the wizard (run_views.h); the box comes back
// when a view is closed, until the user presses OK.
#pragma once

#include <QString>

#include "wizard/expert_view.h"

class QMessageBox;
class QWidget;

namespace tolvern {

// The outcome (RunOutcome, wizard/expert_view.h) in its box, over parent.
void ShowRunOutcome(const QString& title, const RunOutcome& outcome, QWidget* parent);

// Fills an empty box with the outcome: its icon, text and buttons (the view
// buttons named "btViewLog", "btViewTodo" and "btViewReport" when there is
// something to view).
void FillOutcomeBox(QMessageBox& box, const QString& title, const RunOutcome& outcome);

}  // namespace tolvern
