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
#include <QRegularExpression>
#include <QTextLayout>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "qt/nx_wizard_form.h"
#include "qt/path_text.h"
#include "qt/progress_form.h"
#include "qt/run_views.h"
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
  // Answers the next message box with `button`, keeping its text as given
  // (without the breaks of long paths) in *text.
  static void AnswerMessageBox(QString* text,
                               QMessageBox::StandardButton button = QMessageBox::NoButton) {
    QTimer::singleShot(0, [text, button] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        *text = WithoutPathBreaks(box->text());
        if (button != QMessageBox::NoButton)
          box->button(button)->click();
        else
          box->accept();
      }
    });
  }
  // Presses a key with its modifier, and Return right behind it: the two
  // arrive with nothing processed between them, as from a quick typist.
  static void KeyThenReturn(QWidget& w, Qt::Key key) {
    QTest::keyClick(&w, key, Qt::AltModifier);
    QWidget* f = QApplication::focusWidget();
    QTest::keyClick(f ? f : &w, Qt::Key_Return);
  }
  // The summary and the options Finish wrote tell of the same run.
  static void CheckSummaryIsTheRun(const QString& summary) {
    const TReplaceOptions& o = *ReplaceOptions;
    const bool project = o.Dest == RunSource::kProject;
    QCOMPARE(summary.contains("Scan destination: Current open project"), project);
    QCOMPARE(summary.contains("Units list:\n"), project);
    if (project)
      QVERIFY2(
          summary.endsWith("Units list:\n" + QString::fromStdString(o.Units).replace("\r\n", "\n")),
          qPrintable(summary));
    else
      QVERIFY2(summary.contains("Scan destination: Folder \"" +
                                QString::fromStdString(o.Directory) + "\""),
               qPrintable(summary));
    QCOMPARE(summary.contains("Backup dir: \"" + QString::fromStdString(o.BackupDir) + "\""),
             o.MakeBackup);
    QCOMPARE(summary.contains("Backup dir:"), o.MakeBackup);
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
    QCOMPARE(WithoutPathBreaks(text),
             "Backup folder \"" + where + "\" cannot be created.\n" + where + ": Not a directory");
    QCOMPARE(title, QString("BDE/ADO Migration Wizard"));
    QCOMPARE(icon, QMessageBox::Critical);  // an error, told as one
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
      if (phase == 0 && count.startsWith("File 2")) {
        file_line = Child<QLabel>(*form, "lblFile")->text();
        count_line = count;
        QString question;
        AnswerMessageBox(&question, QMessageBox::Yes);
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
    QVERIFY2(count_line.startsWith("File 2 ("), qPrintable(count_line));  // no total yet
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

  // A choice made by its accelerator with Return right behind it: every
  // page shows what the run will take, on every road through steps 2 and 3.
  void quickKeysBuildEveryPageFromTheRunsState() {
    const std::string app = *dir_ / "app";
    const std::string other = *dir_ / "other";
    fs::create_directories(other);
    auto title = [](QWidget& w, int step) {
      return w.windowTitle() == QString("Nexa Migration Wizard - Step %1 of 5").arg(step);
    };
    auto summary = [](QWidget& w) {
      return WithoutPathBreaks(Child<QLabel>(w, "lSummary")->text());
    };
    {
      // Project, chosen before, to the folder: the folder page comes, and
      // the run takes the folder typed there.
      ReplaceOptions->Dest = RunSource::kProject;
      auto w = NewWizard();
      w->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(w.get()));
      PressReturn(*w);
      QVERIFY(title(*w, 2));
      KeyThenReturn(*w, Qt::Key_D);  // &Disk folder
      QVERIFY(title(*w, 3));
      auto* dir = Child<QComboBox>(*w, "cbDirectory");
      QVERIFY(dir->isVisible());
      dir->setFocus();
      dir->clearEditText();
      QTest::keyClicks(dir, QString::fromStdString(app));
      KeyThenReturn(*w, Qt::Key_S);  // Include &subfolders
      QVERIFY(title(*w, 4));
      KeyThenReturn(*w, Qt::Key_M);  // &Make backup, off
      QVERIFY(title(*w, 5));
      const QString shown = summary(*w);
      PressReturn(*w);
      QCOMPARE(w->result(), int(QDialog::Accepted));
      QCOMPARE(ReplaceOptions->Dest, RunSource::kFolder);
      QCOMPARE(QString::fromStdString(ReplaceOptions->Directory), QString::fromStdString(app));
      QCOMPARE(ReplaceOptions->IncludeSubDirs, Child<QCheckBox>(*w, "chSubDirs")->isChecked());
      QVERIFY(!ReplaceOptions->MakeBackup);
      CheckSummaryIsTheRun(shown);
    }
    {
      // A folder remembered from before, to the project: the units come,
      // and the summary and the run take them, never the folder.
      ReplaceOptions->Dest = RunSource::kFolder;
      ReplaceOptions->Directory = other;
      ReplaceOptions->MakeBackup = true;
      auto w = NewWizard();
      w->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(w.get()));
      PressReturn(*w);
      KeyThenReturn(*w, Qt::Key_C);  // &Current open project
      QVERIFY(title(*w, 3));
      QVERIFY(Child<QListWidget>(*w, "lbModules")->isVisible());
      QCOMPARE(Child<QListWidget>(*w, "lbModules")->count(), 4);
      PressReturn(*w);
      QVERIFY(title(*w, 4));
      PressReturn(*w);
      QVERIFY(title(*w, 5));
      const QString shown = summary(*w);
      QVERIFY(!shown.contains(QString::fromStdString(other)));
      PressReturn(*w);
      QCOMPARE(w->result(), int(QDialog::Accepted));
      QCOMPARE(ReplaceOptions->Dest, RunSource::kProject);
      QCOMPARE(QString::fromStdString(ReplaceOptions->Units),
               QString("MainForm.pas\r\nDataModule.pas\r\nReports.pas\r\nUtils.pas\r\n"));
      CheckSummaryIsTheRun(shown);
    }
    {
      // Deselect All and Return at once: the empty choice is refused there.
      ReplaceOptions->Dest = RunSource::kProject;
      auto w = NewWizard();
      w->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(w.get()));
      PressReturn(*w);
      PressReturn(*w);
      QVERIFY(title(*w, 3));
      QString said;
      AnswerMessageBox(&said);
      KeyThenReturn(*w, Qt::Key_D);  // &Deselect All
      QCOMPARE(said, QString("At least one unit should be selected."));
      QVERIFY(title(*w, 3));
      QCOMPARE(Child<QListWidget>(*w, "lbModules")->item(0)->checkState(), Qt::Unchecked);
      // Select All and Return at once, once the wizard has the keys again:
      // the units are taken.
      w->activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(w.get()));
      KeyThenReturn(*w, Qt::Key_S);
      QVERIFY(title(*w, 4));
      PressReturn(*w);
      const QString shown = summary(*w);
      PressReturn(*w);
      QCOMPARE(w->result(), int(QDialog::Accepted));
      CheckSummaryIsTheRun(shown);
    }
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

  void progressHasNoTotalUntilKnownAndCancelAsksFirst() {
    ReplaceOptions->Dest = RunSource::kFolder;
    ReplaceOptions->Directory = *dir_ / "app";
    ReplaceOptions->BackupDir = *dir_ / "app/RBackup";
    // The run waits at its second file (a unit) and at its seventh (a
    // form), until the dialog has been looked at.
    std::atomic<bool> hold_unit{true}, hold_form{true};
    BdeReplacer->OnProgress = [&](int index, int, const std::string&) {
      std::atomic<bool>& hold = index == 1 ? hold_unit : hold_form;
      for (int i = 0; hold && (index == 1 || index == 6) && i < 1000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    QString count_line, question, total_line;
    bool range_open = false, cancel_kept = false, not_default = false;
    int phase = 0;
    QTimer look;
    look.setInterval(20);
    QObject::connect(&look, &QTimer::timeout, [&] {
      auto* form = qobject_cast<TProgressForm*>(QApplication::activeModalWidget());
      if (!form) return;
      auto* cancel = Child<QPushButton>(*form, "btCancel");
      const QString count = Child<QLabel>(*form, "lblCount")->text();
      if (phase == 0 && count.startsWith("File 2")) {
        count_line = count;
        range_open = Child<QProgressBar>(*form, "pbFiles")->maximum() == 0;
        // Return twice: nothing is thrown away.
        not_default = !cancel->isDefault() && !cancel->autoDefault();
        cancel->setFocus();
        QTest::keyClick(cancel, Qt::Key_Return);
        QTest::keyClick(cancel, Qt::Key_Return);
        // Cancel asks; No goes on.
        AnswerMessageBox(&question, QMessageBox::No);
        Click(*form, "btCancel");
        cancel_kept = cancel->isEnabled() && !form->CancelRequested();
        phase = 1;
        hold_unit = false;
      } else if (phase == 1 && count.startsWith("File 7")) {
        total_line = count;
        phase = 2;
        hold_form = false;
      }
    });
    look.start();
    QVERIFY(ExecuteWithProgress(*BdeReplacer, "BDE/ADO Migration Wizard", nullptr));
    BdeReplacer->OnProgress = nullptr;
    QVERIFY2(count_line.startsWith("File 2 (the total is known once every unit has named its "
                                   "forms)"),
             qPrintable(count_line));
    QVERIFY(range_open);
    QVERIFY(not_default);
    QVERIFY(cancel_kept);
    QCOMPARE(question, QString("Stop the run? What was rewritten so far is thrown away; no "
                               "original file has been replaced yet."));
    QCOMPARE(total_line, QString("File 7 of 8"));
    QVERIFY(!BdeReplacer->Cancelled);
    QVERIFY(dir_->Read("app/DataModule.pas").find("TNXQuery") != std::string::npos);
  }

  void todoViewSortsByLevelFileAndLine() {
    std::vector<TodoItem> items = {
        {todo_kind::kMember, "b.pas", 10, 1, "Q.X", "do this", todo_level::kNote},
        {todo_kind::kMember, "b.pas", 9, 3, "Q.Y", "do that", todo_level::kWarning},
        {todo_kind::kInterface, "a.pas", 30, 2, "Session", "remove it", todo_level::kError},
        {todo_kind::kMember, "b.pas", 2, 5, "T.Z", "and this", todo_level::kError},
    };
    TTodoViewForm view("BDE/ADO Migration Wizard", items, "/x/Wiz_Todo.3.txt");
    QTreeWidget* t = view.Items();
    auto order = [t](int column) {
      QStringList out;
      for (int i = 0; i < t->topLevelItemCount(); ++i) out << t->topLevelItem(i)->text(column);
      return out;
    };
    QCOMPARE(t->topLevelItemCount(), 4);
    // As opened: by file, then line (as numbers: 9 before 10).
    QCOMPARE(order(TTodoViewForm::kPlace), QStringList({"Session", "T.Z", "Q.Y", "Q.X"}));
    t->sortByColumn(TTodoViewForm::kLevel, Qt::AscendingOrder);
    QCOMPARE(order(TTodoViewForm::kLevel), QStringList({"error", "error", "warning", "note"}));
    QCOMPARE(order(TTodoViewForm::kPlace), QStringList({"Session", "T.Z", "Q.Y", "Q.X"}));
    t->sortByColumn(TTodoViewForm::kLine, Qt::AscendingOrder);
    QCOMPARE(order(TTodoViewForm::kLine), QStringList({"2", "9", "10", "30"}));
    QVERIFY(WithoutPathBreaks(Child<QLabel>(view, "lblTodoFile")->text())
                .endsWith("listed in /x/Wiz_Todo.3.txt"));
  }

  void longPathsBreakAfterTheirSeparators() {
    const std::string path = "/home/someone/projects/Accounting/Reports-2026/Quarterly/RBackup";
    const QString text = BreakablePaths("Backup folder \"" + path + "\" cannot be created.");
    QCOMPARE(WithoutPathBreaks(text),
             QString::fromStdString("Backup folder \"" + path + "\" cannot be created."));
    // A break after each separator of the long word, and nowhere else.
    for (qsizetype i = 0; i < text.size(); ++i)
      if (text[i] == QChar(kPathBreak)) QCOMPARE(text[i - 1], QChar('/'));
    QCOMPARE(text.count(QChar(kPathBreak)), 7);
    QCOMPARE(BreakablePaths("Replace BDE/ADO components"), QString("Replace BDE/ADO components"));
    // Laid out narrower than the path, each line that holds a part of it
    // ends at a separator: no name is cut.
    QFont font;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    const int width = QFontMetrics(font).horizontalAdvance("/home/someone/projects/");
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(width);
      lines << WithoutPathBreaks(text.mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    QVERIFY(lines.size() > 3);
    // The hyphen of a name holds it together.
    QVERIFY2(!lines.filter(QRegularExpression("^Reports-2026/")).isEmpty(),
             qPrintable(lines.join("|")));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
      const QString& l = lines[i];
      QVERIFY2(l.endsWith('/') || l.endsWith(' '), qPrintable(lines.join("|")));
    }
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
