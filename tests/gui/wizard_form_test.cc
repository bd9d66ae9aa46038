// The wizard dialog driven headless by clicks and keys.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "qt/nx_wizard_form.h"
#include "qt/progress_form.h"
#include "test_support.h"

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
  // Checks the page on show: each visible button and labelled field has an
  // accelerator of its own (Cancel has Esc), Return presses `main_button`,
  // and Tab reaches every control.
  static void CheckKeyboard(QWidget& w, const char* main_button) {
    QMap<int, QString> owner;
    for (QWidget* c : w.findChildren<QWidget*>()) {
      if (!c->isVisibleTo(&w)) continue;
      QString text;
      if (auto* b = qobject_cast<QAbstractButton*>(c))
        text = b->text();
      else if (auto* l = qobject_cast<QLabel*>(c); l && l->buddy())
        text = l->text();
      else
        continue;
      const QKeySequence key = QKeySequence::mnemonic(text);
      if (key.isEmpty()) {
        QVERIFY2(c->objectName() == "btCancel", qPrintable(text + " has no accelerator"));
        continue;
      }
      const int k = key[0].toCombined();
      QVERIFY2(!owner.contains(k),
               qPrintable(text + " and " + owner.value(k) + " share an accelerator"));
      owner.insert(k, text);
    }
    for (const char* b : {"btPrev", "btNext", "btFinish"})
      QCOMPARE(Child<QPushButton>(w, b)->isDefault(), std::string(b) == main_button);
    QSet<QWidget*> reached;
    for (int i = 0; i < 30 && QApplication::focusWidget(); ++i) {
      reached.insert(QApplication::focusWidget());
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    for (QWidget* c : w.findChildren<QWidget*>()) {
      const bool control =
          qobject_cast<QAbstractButton*>(c) || qobject_cast<QComboBox*>(c) ||
          qobject_cast<QListWidget*>(c) || c->objectName() == "lbMail" ||
          (qobject_cast<QLineEdit*>(c) && !qobject_cast<QComboBox*>(c->parentWidget()));
      if (!control || !c->isVisibleTo(&w) || !c->isEnabled()) continue;
      // Of a group of radio buttons, Tab reaches the checked one.
      auto* radio = qobject_cast<QRadioButton*>(c);
      if (radio && !radio->isChecked()) continue;
      QVERIFY2(reached.contains(c), qPrintable(c->objectName() + " is not reached with Tab"));
    }
  }
  static void PressReturn(QWidget& w, Qt::Key key = Qt::Key_Return) {
    QWidget* f = QApplication::focusWidget();
    QTest::keyClick(f ? f : &w, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
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
    QVERIFY(summary.startsWith(
        "Mode: Replace BDE/ADO components\n\nScan destination: Current open project"));
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
    QCOMPARE(text, QString("Target directory \"/no/such/folder\" does not exist."));
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

  void keyboardOnlyWalkThroughEveryPage() {
    auto w = NewWizard();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    auto caption = [&w](int step, int of) {
      return QString("Nexa Migration Wizard - Step %1 of %2").arg(step).arg(of);
    };
    CheckKeyboard(*w, "btNext");
    // Restore, its page, and back with Alt+B.
    // An accelerator presses its button with a short animation, so its
    // effect is awaited.
    QTest::keyClick(w.get(), Qt::Key_E, Qt::AltModifier);
    QTRY_COMPARE(w->windowTitle(), caption(1, 3));
    PressReturn(*w);
    QCOMPARE(w->windowTitle(), caption(2, 3));
    CheckKeyboard(*w, "btNext");
    QTest::keyClick(w.get(), Qt::Key_B, Qt::AltModifier);
    QTRY_COMPARE(w->windowTitle(), caption(1, 3));
    QTest::keyClick(w.get(), Qt::Key_R, Qt::AltModifier);
    QTRY_COMPARE(w->windowTitle(), caption(1, 5));
    // Replace in the project: Return on every page, Finish on the last.
    PressReturn(*w);
    QCOMPARE(w->windowTitle(), caption(2, 5));
    CheckKeyboard(*w, "btNext");
    PressReturn(*w);
    QCOMPARE(w->windowTitle(), caption(3, 5));
    CheckKeyboard(*w, "btNext");
    QTest::keyClick(w.get(), Qt::Key_D, Qt::AltModifier);  // Deselect All
    QTRY_VERIFY(Child<QListWidget>(*w, "lbModules")->item(0)->checkState() == Qt::Unchecked);
    QTest::keyClick(w.get(), Qt::Key_S, Qt::AltModifier);  // Select All
    QTRY_VERIFY(Child<QListWidget>(*w, "lbModules")->item(0)->checkState() == Qt::Checked);
    PressReturn(*w, Qt::Key_Enter);
    QCOMPARE(w->windowTitle(), caption(4, 5));
    CheckKeyboard(*w, "btNext");
    QTest::keyClick(w.get(), Qt::Key_B, Qt::AltModifier);
    QTRY_COMPARE(w->windowTitle(), caption(3, 5));
    PressReturn(*w);
    QCOMPARE(w->windowTitle(), caption(4, 5));
    if (!Child<QCheckBox>(*w, "chWriteLog")->isChecked()) {
      QTest::keyClick(w.get(), Qt::Key_W, Qt::AltModifier);  // Write log
      QTRY_VERIFY(Child<QCheckBox>(*w, "chViewLog")->isEnabled());
    }
    QTest::keyClick(w.get(), Qt::Key_V, Qt::AltModifier);  // View log after replace
    QTRY_VERIFY(Child<QCheckBox>(*w, "chViewLog")->isChecked());
    QTest::keyClick(w.get(), Qt::Key_L, Qt::AltModifier);  // Include read-only files
    QTRY_VERIFY(Child<QCheckBox>(*w, "chIncludeReadOnly")->isChecked());
    QTest::keyClick(w.get(), Qt::Key_U, Qt::AltModifier);  // Migrate used units outside ...
    QTRY_VERIFY(Child<QCheckBox>(*w, "chFollowUses")->isChecked());
    PressReturn(*w);
    QCOMPARE(w->windowTitle(), caption(5, 5));
    CheckKeyboard(*w, "btFinish");
    PressReturn(*w);
    QCOMPARE(w->result(), int(QDialog::Accepted));
    QVERIFY(ReplaceOptions->ViewLog);
    QVERIFY(ReplaceOptions->IncludeReadOnly);
    QVERIFY(ReplaceOptions->FollowUses);
  }

  void folderPageTakesReturnInTheFieldAndBrowsesFromIt() {
    auto w = NewWizard();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    Click(*w, "btNext");
    Click(*w, "rbDestFolder");
    Click(*w, "btNext");
    CheckKeyboard(*w, "btNext");
    auto* dir = Child<QComboBox>(*w, "cbDirectory");
    dir->setFocus();
    dir->clearEditText();
    QTest::keyClicks(dir, QString::fromStdString(*dir_ / "app"));
    QString started_in;
    QTimer look;
    look.setInterval(20);
    QObject::connect(&look, &QTimer::timeout, [&started_in] {
      if (auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
        started_in = d->directory().absolutePath();
        d->reject();
      }
    });
    look.start();
    QTest::keyClick(w.get(), Qt::Key_R, Qt::AltModifier);  // Browse...
    QTRY_COMPARE(started_in, QString::fromStdString(*dir_ / "app"));
    look.stop();
    dir->setFocus();
    PressReturn(*w);
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 4 of 5"));
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
    QCOMPARE(text,
             "Backup folder \"" + where + "\" cannot be created.\n" + where + ": Not a directory");
    QCOMPARE(title, QString("BDE/ADO Migration Wizard"));
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(w->windowTitle(), QString("Nexa Migration Wizard - Step 4 of 5"));
    QVERIFY(!fs::exists(*dir_ / "app/Orders.dpr/sub"));
  }

  void runOnAWorkerWithProgressAndCancel() {
    ReplaceOptions->Dest = RunSource::kFolder;
    ReplaceOptions->Directory = *dir_ / "app";
    ReplaceOptions->BackupDir = *dir_ / "app/RBackup";
    const auto before = testing::Snapshot(std::string(TOLVERN_SOURCE_DIR) + "/examples/orders");
    // The run waits at its second file, and later before replacing the
    // originals, until the dialog has been looked at.
    std::atomic<bool> hold{true};
    auto wait = [&hold] {
      for (int i = 0; hold && i < 1000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      hold = true;
    };
    std::atomic<int> phase{0};
    BdeReplacer->OnProgress = [&](int index, int, const std::string&) {
      if (index == 1 && phase == 0) wait();
    };
    BdeReplacer->OnReplacingOriginals = wait;
    QString file_line, count_line;
    bool cancel_disabled_while_replacing = false;
    QTimer look;
    look.setInterval(20);
    QObject::connect(&look, &QTimer::timeout, [&] {
      auto* form = qobject_cast<TProgressForm*>(QApplication::activeModalWidget());
      if (!form) return;
      auto* cancel = Child<QPushButton>(*form, "btCancel");
      const QString count = Child<QLabel>(*form, "lblCount")->text();
      if (phase == 0 && count.startsWith("File 2 of ")) {
        file_line = Child<QLabel>(*form, "lblFile")->text();
        count_line = count;
        Click(*form, "btCancel");
        QVERIFY(!cancel->isEnabled());
        hold = false;
        phase = 1;
      } else if (phase == 2 && Child<QLabel>(*form, "lblFile")->text() ==
                                   "Replacing original files with changed versions") {
        cancel_disabled_while_replacing = !cancel->isEnabled();
        QTest::keyClick(form, Qt::Key_Escape);  // no longer stops anything
        hold = false;
        phase = 3;
      }
    });
    look.start();
    QVERIFY(!ExecuteWithProgress(*BdeReplacer, "BDE/ADO Migration Wizard", nullptr));
    QVERIFY(BdeReplacer->Cancelled);
    QVERIFY2(file_line.startsWith("Processing file: "), qPrintable(file_line));
    QVERIFY2(count_line.startsWith("File 2 of "), qPrintable(count_line));
    const auto after = testing::Snapshot(*dir_ / "app");
    for (const auto& [name, bytes] : before) QVERIFY2(after.at(name) == bytes, name.c_str());
    // Run again; once the originals are being replaced Cancel is off.
    phase = 2;
    QVERIFY(ExecuteWithProgress(*BdeReplacer, "BDE/ADO Migration Wizard", nullptr));
    QVERIFY(!BdeReplacer->Cancelled);
    QVERIFY(cancel_disabled_while_replacing);
    QVERIFY(dir_->Read("app/DataModule.pas").find("TNXQuery") != std::string::npos);
    // The caller's own hooks are back in place.
    QVERIFY(BdeReplacer->OnProgress && !BdeReplacer->CancelRequested);
    BdeReplacer->OnProgress = nullptr;
    BdeReplacer->OnReplacingOriginals = nullptr;
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
