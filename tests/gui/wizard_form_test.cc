// The wizard dialog driven headless by clicks: its pages, what they refuse
// and what Finish or Esc leaves in the options.
#include <QApplication>
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
#include <string>

#include "engine/nx_replacer.h"
#include "qt/nx_wizard_form.h"
#include "qt/path_text.h"
#include "test_support.h"
#include "wizard_form_fixture.h"

using namespace tolvern;
namespace fs = std::filesystem;

class WizardFormTest : public QObject, public testing::WizardFormFixture {
  Q_OBJECT

 private slots:
  void init() { SetUpProject(); }
  void cleanup() { TearDownProject(); }

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
    QVERIFY(summary.startsWith(
        "Mode: Replace BDE components\n\nScan destination: Current open project"));
    QVERIFY(summary.endsWith("Units list:\nMainForm.pas\nDataModule.pas\nReports.pas\n"));
    Click(*w, "btFinish");
    QCOMPARE(w->result(), int(QDialog::Accepted));
    QCOMPARE(w->GetMode(), WizardMode::kReplaceBde);
    QCOMPARE(QString::fromStdString(ReplaceOptions->Units),
             QString("MainForm.pas\r\nDataModule.pas\r\nReports.pas\r\n"));
    // The run the expert starts with these options.
    QVERIFY(BdeReplacer->Execute());
    QVERIFY(dir_->Read("app/DataModule.pas").find("TNXQuery") != std::string::npos);
    QCOMPARE(dir_->Read("app/Utils.pas"), testing::ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) +
                                                                 "/examples/orders/Utils.pas"));
  }

  void restoreRunByClicksAndKeys() {
    // A run to restore from.
    ReplaceOptions->Dest = RunSource::kProject;
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
    QCOMPARE(w->GetMode(), WizardMode::kRestore);
    QVERIFY(BdeReplacer->RestoreFiles(w->UndoFile()));
    QCOMPARE(dir_->Read("app/DataModule.pas"),
             testing::ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) +
                                    "/examples/orders/DataModule.pas"));
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
    QCOMPARE(WithoutPathBreaks(text),
             QString("Target directory \"/no/such/folder\" does not exist."));
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 3 of 5"));
  }

  void adoModeAndMailLinkColours() {
    auto w = NewWizard();
    Click(*w, "rbModeRestore");
    Click(*w, "rbModeReplaceADO");
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 1 of 5"));
    QCOMPARE(w->GetMode(), WizardMode::kReplaceAdo);
    auto* mail = Child<QLabel>(*w, "lbMail");
    QCOMPARE(mail->palette().color(QPalette::WindowText), TNXWizardForm::kLinkColor);
    QMouseEvent over(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(mail, &over);
    QCOMPARE(mail->palette().color(QPalette::WindowText), TNXWizardForm::kHoverColor);
    QMouseEvent away(QEvent::MouseMove, QPointF(2, 2), QPointF(2, 2), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(Child<QWidget>(*w, "Step1Sheet"), &away);
    QCOMPARE(mail->palette().color(QPalette::WindowText), TNXWizardForm::kLinkColor);
  }

  void optionsPageRefusesABackupFolderThatCannotBeMade() {
    auto w = NewWizard();
    QVERIFY(!(w->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(w->maximumWidth() > w->minimumWidth());  // it grows with its lists
    Click(*w, "btNext");
    Click(*w, "btNext");
    Click(*w, "btNext");
    auto* backup = Child<QComboBox>(*w, "cbBackupDir");
    backup->clearEditText();
    const QString where = QString::fromStdString(*dir_ / "app/Orders.dpr/sub");
    QTest::keyClicks(backup, where);
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        text = box->text(), title = box->windowTitle(), icon = box->icon();
        box->accept();
      }
    });
    Click(*w, "btNext");
    QCOMPARE(WithoutPathBreaks(text),
             "Backup folder \"" + where + "\" cannot be created.\n" + where + ": Not a directory");
    QCOMPARE(title, QString("BDE/ADO Migration Wizard"));
    QCOMPARE(icon, QMessageBox::Critical);  // an error, told as one
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 4 of 5"));
    QVERIFY(!fs::exists(*dir_ / "app/Orders.dpr/sub"));
  }

  void lateClickOnAnotherPageIsPutBack() {
    // A click that lands after its page has gone (as a press drawn slowly
    // would) changes neither the model nor, once shown again, the page.
    ReplaceOptions->Dest = RunSource::kProject;
    auto w = NewWizard();
    Click(*w, "btNext");
    Click(*w, "btNext");
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 3 of 5"));
    Child<QRadioButton>(*w, "rbDestFolder")->click();
    QVERIFY(w->Model().DestProject);
    QTRY_VERIFY(Child<QRadioButton>(*w, "rbDestProject")->isChecked());
    QVERIFY(!Child<QRadioButton>(*w, "rbDestFolder")->isChecked());
  }

  void mailLinkWithoutAMailProgramShowsTheAddress() {
    auto w = NewWizard();
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(*dir_ / "no-programs"));
    QString said;
    AnswerMessageBox(&said);
    auto* mail = Child<QLabel>(*w, "lbMail");
    mail->setFocus();
    QTest::keyClick(mail, Qt::Key_Return);
    qputenv("PATH", path);
    QCOMPARE(said, QString("No mail program was found to open the link. Please write to "
                           "support@example.com."));
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
