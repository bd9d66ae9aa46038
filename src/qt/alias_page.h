// The wizard's Aliases step: each BDE alias the scan found, with its data
// sets and forms, and below the list the choice for the one selected: as
// the profile says, bound to a database component of the project, a new
// connection (database, server, user name), or left unbound, and the folder
// of its tables for a run that moves the data (the check box below). The new
// connections' module is named once for all; the choices can be saved as a
// profile for the command line. Edits go straight into the model's choices.
#pragma once

#include <QWidget>

#include "wizard/alias_choices.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tolvern {

class TAliasPage : public QWidget {
  Q_OBJECT

 public:
  explicit TAliasPage(QWidget* parent = nullptr);

  // Shows the choices (kept, not copied: edits change them).
  void Show(AliasChoices* choices);

 private:
  void FillTable();
  void ShowSelected();
  void TakeSelected();
  void SaveProfile();
  void BrowseDataFolder();

  AliasChoices* choices_ = nullptr;
  bool filling_ = false;
  QTableWidget* lvAliases = nullptr;
  QComboBox* cbAliasChoice = nullptr;
  QLineEdit* edBind = nullptr;
  QLineEdit* edDatabase = nullptr;
  QLineEdit* edServer = nullptr;
  QLineEdit* edUserName = nullptr;
  QLineEdit* edDataFolder = nullptr;
  QPushButton* btDataFolder = nullptr;
  QLineEdit* edModule = nullptr;
  QCheckBox* cbMoveData = nullptr;
  QPushButton* btSaveProfile = nullptr;
};

}  // namespace tolvern
