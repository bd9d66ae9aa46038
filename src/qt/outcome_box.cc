#include "qt/outcome_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "qt/desktop_open.h"
#include "qt/path_text.h"
#include "qt/run_views.h"

namespace tolvern {

void FillOutcomeBox(QMessageBox& box, const QString& title, const RunOutcome& outcome) {
  box.setObjectName("OutcomeBox");
  box.setIcon(outcome.failure ? QMessageBox::Critical : QMessageBox::Information);
  box.setWindowTitle(title);
  box.setText(BreakablePaths(outcome.text));
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  if (!outcome.log_path.empty())
    box.addButton("View &Log", QMessageBox::ActionRole)->setObjectName("btViewLog");
  if (!outcome.todo.empty())
    box.addButton("View &To-do List", QMessageBox::ActionRole)->setObjectName("btViewTodo");
  if (!outcome.report_path.empty())
    box.addButton("Open &Report", QMessageBox::ActionRole)->setObjectName("btViewReport");
  box.setDefaultButton(box.addButton(QMessageBox::Ok));
}

void ShowRunOutcome(const QString& title, const RunOutcome& outcome, QWidget* parent) {
  for (;;) {
    QMessageBox box(parent);
    FillOutcomeBox(box, title, outcome);
    box.exec();
    const QAbstractButton* clicked = box.clickedButton();
    const QString pressed = clicked ? clicked->objectName() : QString();
    if (pressed == "btViewLog")
      TLogViewForm(title, outcome.log_path, parent).exec();
    else if (pressed == "btViewTodo")
      TTodoViewForm(title, outcome.todo, outcome.todo_path, parent).exec();
    else if (pressed == "btViewReport" && !OpenInViewer(outcome.report_path))
      QMessageBox::information(parent, title,
                               BreakablePaths("No browser was found to open the report. It is "
                                              "in " +
                                              outcome.report_path));
    else
      return;
  }
}

}  // namespace tolvern
