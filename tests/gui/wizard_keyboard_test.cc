// The wizard dialog driven headless by the keyboard alone: accelerators,
// Return, Tab and quick keys on every page.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <string>

#include "engine/replace_options.h"
#include "qt/nx_wizard_form.h"
#include "qt/path_text.h"
#include "test_support.h"
#include "wizard_form_fixture.h"

using namespace tolvern;
namespace fs = std::filesystem;

class WizardKeyboardTest : public QObject, public testing::WizardFormFixture {
  Q_OBJECT

 private:
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
  void init() { SetUpProject(); }
  void cleanup() { TearDownProject(); }

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
};

QTEST_MAIN(WizardKeyboardTest)
#include "wizard_keyboard_test.moc"
