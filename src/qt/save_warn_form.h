// The question asked before a run changes the environment's state (saving the
// project before a replace, closing it before a restore), with a "Don't ask
// me this again" box whose answer is remembered per kind of question.
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tolvern {

class TSaveWarnForm : public QDialog {
  Q_OBJECT

 public:
  explicit TSaveWarnForm(QWidget* parent = nullptr);

  QLabel* lblWarn = nullptr;
  QLabel* lblNote = nullptr;
  QCheckBox* chkDontAsk = nullptr;
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
};

// The settings value that silences a question.
std::string SaveWarningValueName(bool project, bool restore);

// Asks the question (unless silenced) with the section as caption; true to go
// on. Yes with the box checked silences the question for good.
bool ShowSaveWarning(const std::string& section, bool project, bool restore);

}  // namespace tolvern
