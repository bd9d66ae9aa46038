#include "qt/outcome_box.h"

#include <QMessageBox>
#include <QPushButton>

#include "qt/path_text.h"
#include "qt/run_views.h"

namespace tolvern {

void ShowRunOutcome(const QString& title, const RunOutcome& outcome, QWidget* parent) {
  for (;;) {
    QMessageBox box(outcome.failure ? QMessageBox::Critical : QMessageBox::Information, title,
                    BreakablePaths(outcome.text), QMessageBox::NoButton, parent);
    box.setObjectName("OutcomeBox");
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* log = nullptr;
    QPushButton* todo = nullptr;
    if (!outcome.log_path.empty()) {
      log = box.addButton("View &Log", QMessageBox::ActionRole);
      log->setObjectName("btViewLog");
    }
    if (!outcome.todo.empty()) {
      todo = box.addButton("View &To-do List", QMessageBox::ActionRole);
      todo->setObjectName("btViewTodo");
    }
    box.setDefaultButton(box.addButton(QMessageBox::Ok));
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (log && clicked == log) {
      TLogViewForm(title, outcome.log_path, parent).exec();
    } else if (todo && clicked == todo) {
      TTodoViewForm(title, outcome.todo, outcome.todo_path, parent).exec();
    } else {
      return;
    }
  }
}

}  // namespace tolvern
