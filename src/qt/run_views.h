// The documents of a run, read inside the wizard: the log as read-only text,
// and the to-do list as a table a person sorts by level, file or line,
// filters by level, kind and file, and reads the advice of in a pane below
// it. They serve a desktop without a viewer as well as one with.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "engine/todo_list.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTreeWidget;

namespace tolvern {

class TLogViewForm : public QDialog {
  Q_OBJECT

 public:
  // Shows the log at path; a log that cannot be read shows why instead.
  TLogViewForm(const QString& title, const std::string& path, QWidget* parent = nullptr);
  QPlainTextEdit* Text() const { return text_; }

 private:
  QPlainTextEdit* text_ = nullptr;
};

class TTodoViewForm : public QDialog {
  Q_OBJECT

 public:
  enum Column { kLevel, kFile, kLine, kColumn, kKind, kPlace, kAdvice };

  // Lists items, read from the run; list_path names the file that holds them.
  TTodoViewForm(const QString& title, const std::vector<TodoItem>& items,
                const std::string& list_path, QWidget* parent = nullptr);
  QTreeWidget* Items() const { return items_; }

 private:
  // Hides the lines the level, kind and file filters leave out, and says how
  // many are shown.
  void ApplyFilter();
  // The selected item's place and advice, whole, below the list.
  void ShowDetail();

  QTreeWidget* items_ = nullptr;
  QComboBox* level_ = nullptr;
  QComboBox* kind_ = nullptr;
  QLineEdit* file_ = nullptr;
  QLabel* count_ = nullptr;
  QLabel* detail_ = nullptr;
  QString where_;
};

}  // namespace tolvern
