// The wizard dialog driven headless by clicks and keys.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "test_support.h"
#include "wizard/nx_wizard_form.h"

using namespace tolvern;
namespace fs = std::filesystem;

class WizardFormTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testing::ScratchDir> dir_;
  std::unique_ptr<ProjectHost> host_;
  std::unique_ptr<ScopedIdeServices> services_;
  std::unique_ptr<NXReplacerScope> library_;

  std::unique_ptr<TNXWizardForm> NewWizard() {
    auto w = std::make_unique<TNXWizardForm>();
    w->Model().ProductName = "Nexa";
    w->Model().Options = ReplaceOptions;
    w->SetWelcomeText(ReplaceOptions->Name, "Nexa");
    w->show();
    if (!QTest::qWaitForWindowExposed(w.get())) qWarning("wizard not exposed");
    return w;
  }
  template <typename T>
  static T* Child(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(name);
    if (!c) qFatal("no child %s", name);
    return c;
  }
  // Clicks a button where a user would: a check box or radio button on its
  // indicator, which is where it reacts.
  static void Click(QWidget& w, const char* name) {
    QAbstractButton* b = Child<QAbstractButton>(w, name);
    QPoint at = b->rect().center();
    if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)) at.setX(8);
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, at);
  }
  // Answers the next message box and returns its text.
  static QString AnswerMessageBox() {
    QString text;
    QTimer::singleShot(0, [&text] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        text = box->text();
        box->accept();
      }
    });
    return text;
  }

 private slots:
  void init() {
    dir_ = std::make_unique<testing::ScratchDir>();
    fs::copy(std::string(TOLVERN_SOURCE_DIR) + "/examples/orders", *dir_ / "app",
             fs::copy_options::recursive);
    host_ = std::make_unique<ProjectHost>();
    host_->Load(*dir_ / "app/Orders.dpr");
    services_ = std::make_unique<ScopedIdeServices>(host_.get());
    library_ = std::make_unique<NXReplacerScope>();
  }
  void cleanup() {
    library_.reset();
    services_.reset();
    host_.reset();
    dir_.reset();
  }

  void replaceRunByClicks() {
    auto w = NewWizard();
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 1 of 5"));
    QVERIFY(!Child<QPushButton>(*w, "btPrev")->isEnabled());
    QVERIFY(!Child<QPushButton>(*w, "btFinish")->isEnabled());
    Click(*w, "btNext");
    QVERIFY(Child<QRadioButton>(*w, "rbDestProject")->isChecked());
    Click(*w, "btNext");
    auto* units = Child<QListWidget>(*w, "lbModules");
    QCOMPARE(units->count(), 4);
    QCOMPARE(units->item(3)->text(), QString("Utils.pas"));
    units->item(3)->setCheckState(Qt::Unchecked);
    Click(*w, "btNext");
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 4 of 5"));
    QCOMPARE(Child<QComboBox>(*w, "cbBackupDir")->currentText(),
             QString::fromStdString(*dir_ / "app/RBackup"));
    // Unchecking the backup disables the folder.
    Click(*w, "chMakeBackup");
    QVERIFY(!Child<QComboBox>(*w, "cbBackupDir")->isEnabled());
    Click(*w, "chMakeBackup");
    QVERIFY(Child<QComboBox>(*w, "cbBackupDir")->isEnabled());
    Click(*w, "btNext");
    QString summary = Child<QLabel>(*w, "lSummary")->text();
    QVERIFY(summary.startsWith("Mode: Replace BDE/ADO components\n\nScan destination: Current open project"));
    QVERIFY(summary.endsWith("Units list:\nMainForm.pas\nDataModule.pas\nReports.pas\n"));
    Click(*w, "btFinish");
    QCOMPARE(w->result(), int(QDialog::Accepted));
    QCOMPARE(w->GetMode(), 0);
    QCOMPARE(QString::fromStdString(ReplaceOptions->Units),
             QString("MainForm.pas\r\nDataModule.pas\r\nReports.pas\r\n"));
    // The run the expert starts with these options.
    QVERIFY(BdeReplacer->Execute());
    QVERIFY(dir_->Read("app/DataModule.pas").find("TNXQuery") != std::string::npos);
    QCOMPARE(dir_->Read("app/Utils.pas"),
             testing::ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) + "/examples/orders/Utils.pas"));
  }

  void restoreRunByClicksAndKeys() {
    // A run to restore from.
    ReplaceOptions->Dest = 0;
    ReplaceOptions->Units = "DataModule.pas\r\n";
    ReplaceOptions->BackupDir = *dir_ / "app/RBackup";
    QVERIFY(BdeReplacer->Execute());
    auto w = NewWizard();
    Click(*w, "rbModeRestore");
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 1 of 3"));
    Click(*w, "btNext");
    QVERIFY(!Child<QPushButton>(*w, "btNext")->isEnabled());
    QTest::keyClicks(Child<QLineEdit>(*w, "edUndoFile"),
                     QString::fromStdString(*dir_ / "app/RBackup/ZUvezod.reu"));
    QVERIFY(Child<QPushButton>(*w, "btNext")->isEnabled());
    Click(*w, "btNext");
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 3 of 3"));
    Click(*w, "btFinish");
    QCOMPARE(w->GetMode(), 100);
    QVERIFY(BdeReplacer->RestoreFiles(w->UndoFile()));
    QCOMPARE(dir_->Read("app/DataModule.pas"),
             testing::ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) + "/examples/orders/DataModule.pas"));
  }

  void missingFolderIsRefusedWithMessage() {
    auto w = NewWizard();
    Click(*w, "btNext");
    Click(*w, "rbDestFolder");
    Click(*w, "btNext");
    auto* dir = Child<QComboBox>(*w, "cbDirectory");
    dir->clearEditText();
    QTest::keyClicks(dir, "/no/such/folder");
    QString text;
    QTimer::singleShot(0, [&text] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        text = box->text();
        box->accept();
      }
    });
    Click(*w, "btNext");
    QCOMPARE(text, QString("Target directory \"/no/such/folder\" does not exist."));
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 3 of 5"));
  }

  void adoModeAndMailLinkColours() {
    auto w = NewWizard();
    Click(*w, "rbModeRestore");
    Click(*w, "rbModeReplaceADO");
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 1 of 5"));
    QCOMPARE(w->GetMode(), 1);
    auto* mail = Child<QLabel>(*w, "lbMail");
    QCOMPARE(mail->palette().color(QPalette::WindowText), TNXWizardForm::kLinkColor);
    QMouseEvent over(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(mail, &over);
    QCOMPARE(mail->palette().color(QPalette::WindowText), TNXWizardForm::kHoverColor);
    QMouseEvent away(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Child<QWidget>(*w, "Step1Sheet"), &away);
    QCOMPARE(mail->palette().color(QPalette::WindowText), TNXWizardForm::kLinkColor);
  }

  void escapeCancelsAndLeavesOptions() {
    ReplaceOptions->Directory = "kept";
    auto w = NewWizard();
    Click(*w, "btNext");
    QTest::keyClick(w.get(), Qt::Key_Escape);
    QCOMPARE(w->result(), int(QDialog::Rejected));
    QCOMPARE(QString::fromStdString(ReplaceOptions->Directory), QString("kept"));
  }
};

QTEST_MAIN(WizardFormTest)
#include "wizard_form_test.moc"
