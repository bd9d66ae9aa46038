// The migration wizard dialog: seven pages behind Back and Next, a side
// picture, and Finish on the summary page. It shows the state of its
// WizardModel and forwards every input to it; the model decides.
#pragma once

#include <QDialog>
#include <memory>

#include "wizard/wizard_model.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QVBoxLayout;
class QWidget;

namespace tolvern {

class TAliasPage;

class TWizardForm : public QDialog {
  Q_OBJECT

 public:
  explicit TWizardForm(std::unique_ptr<WizardModel> model, QWidget* parent = nullptr);
  ~TWizardForm() override;

  WizardModel& Model() { return *model_; }
  virtual WizardMode GetMode() const { return model_->GetMode(); }
  void SetWelcomeText(const std::string& source_name, const std::string& target_name);
  // The undo file a restore run uses.
  std::string UndoFile() const { return model_->UndoFile; }

  // Pushes the model's state into the widgets and re-evaluates the enabling
  // rules and the caption.
  virtual void Refresh();

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  // A button's accelerator acts at once (see eventFilter).
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Whether input from w goes to the model: only from the page on show. A
  // control of another page (a late click) is put back as the model has it.
  bool TakesInput(QWidget* w);

  // Pages, for subclasses that change them.
  QWidget* Step1Sheet = nullptr;
  QVBoxLayout* ModeLayout = nullptr;
  QRadioButton* rbModeReplace = nullptr;
  QRadioButton* rbModeRestore = nullptr;
  QLabel* Image1 = nullptr;

  virtual void OnModeClicked();

 private:
  // The pages, in wizard_pages.cc: BuildPages makes them in the order of
  // WizardPage, one builder each.
  void BuildPages();
  void BuildWelcomePage();
  void BuildUndoFilePage();
  void BuildLocationPage();
  void BuildUnitsPage();
  void BuildFolderPage();
  void BuildOptionsPage();
  void BuildSummaryPage();
  QWidget* MakePage(const char* name, const QString& title, bool centred = false);
  void ShowMessage(const WizardMessage& m);
  // Takes what the controls of the page on show hold into the model, so
  // that the next page is built from what the user sees.
  void TakePage();
  static void FocusFirstControl(QWidget* page);
  void GoNext();
  void GoBack();
  void Finish();

  std::unique_ptr<WizardModel> model_;
  bool refreshing_ = false;

  QStackedWidget* StepsPageControl = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* edUndoFile = nullptr;
  QRadioButton* rbDestProject = nullptr;
  QRadioButton* rbDestFolder = nullptr;
  QListWidget* lbModules = nullptr;
  QComboBox* cbDirectory = nullptr;
  QCheckBox* chSubDirs = nullptr;
  QCheckBox* chMakeBackup = nullptr;
  QLabel* lBackupFolder = nullptr;
  QComboBox* cbBackupDir = nullptr;
  QPushButton* btBrowseBackFolder = nullptr;
  QCheckBox* chWriteLog = nullptr;
  QLabel* lblLogNote = nullptr;
  QCheckBox* chViewLog = nullptr;
  QCheckBox* chIncludeReadOnly = nullptr;
  QCheckBox* chFollowUses = nullptr;
  QCheckBox* chDropOldUnits = nullptr;
  QLineEdit* edProfile = nullptr;
  QPushButton* btBrowseProfile = nullptr;
  TAliasPage* AliasPage = nullptr;
  QLabel* lSummary = nullptr;
  QPushButton* btPrev = nullptr;
  QPushButton* btNext = nullptr;
  QPushButton* btFinish = nullptr;
  QPushButton* btCancel = nullptr;
  QAction* actBack = nullptr;
  QAction* actNext = nullptr;
  QAction* actFinish = nullptr;
};

// A 120 x 260 picture for the side of the wizard, drawn by the program.
QPixmap SidePicture();

}  // namespace tolvern
