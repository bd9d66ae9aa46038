// The dialogs around a run started from the wizard, headless: progress and
// Cancel on a worker, the to-do list view, and long paths in their labels.
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextLayout>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/nx_replacer.h"
#include "engine/todo_list.h"
#include "qt/path_text.h"
#include "qt/progress_form.h"
#include "qt/run_views.h"
#include "test_support.h"
#include "wizard_form_fixture.h"

using namespace tolvern;
namespace fs = std::filesystem;

class RunDialogsTest : public QObject, public testing::WizardFormFixture {
  Q_OBJECT

 private slots:
  void init() { SetUpProject(); }
  void cleanup() { TearDownProject(); }

  void runOnAWorkerWithProgressAndCancel() {
    ReplaceOptions->Dest = RunSource::kFolder;
    ReplaceOptions->Directory = *dir_ / "app";
    ReplaceOptions->BackupDir = *dir_ / "app/RBackup";
    const auto before = testing::Snapshot(std::string(TOLVERN_SOURCE_DIR) + "/examples/orders");
    // The run waits at its second file, and later once it has started
    // replacing the originals, until the dialog has been looked at.
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
    BdeReplacer->OnPhase = [&](RunPhase p) {
      if (p == RunPhase::kReplacingOriginals) wait();
    };
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
      } else if (phase == 2 && Child<QLabel>(*form, "lblFile")->text() == "Replacing originals") {
        cancel_disabled_while_replacing =
            !cancel->isEnabled() &&
            count == "Too late: originals are being replaced; restore undoes the run.";
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
    // The Escape came too late, and the run says so.
    QVERIFY(BdeReplacer->CancelCameTooLate);
    QVERIFY(dir_->Read("app/Wiz_Log.txt")
                .find("Cancel was asked once originals were being "
                      "replaced") != std::string::npos);
    QVERIFY(dir_->Read("app/DataModule.pas").find("TNXQuery") != std::string::npos);
    // The caller's own hooks are back in place.
    QVERIFY(BdeReplacer->OnProgress && !BdeReplacer->CancelRequested);
    BdeReplacer->OnProgress = nullptr;
    BdeReplacer->OnPhase = nullptr;
  }

  // After the last file the run names its phase, and the question of Cancel
  // holds it: a Yes given seconds later still leaves every file as it was.
  void cancelQuestionHoldsTheRunAfterTheLastFile() {
    ReplaceOptions->Dest = RunSource::kFolder;
    ReplaceOptions->Directory = *dir_ / "app";
    ReplaceOptions->BackupDir = *dir_ / "app/RBackup";
    const auto before = testing::Snapshot(*dir_ / "app");
    std::atomic<bool> hold{true}, went_on{false};
    BdeReplacer->OnPhase = [&](RunPhase phase) {
      if (phase == RunPhase::kWritingLists)
        for (int i = 0; hold && i < 1000; ++i)
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
      else
        went_on = true;
    };
    QString file_line, question;
    bool held = false;
    int step = 0;
    QTimer look;
    look.setInterval(20);
    QObject::connect(&look, &QTimer::timeout, [&] {
      auto* form = qobject_cast<TProgressForm*>(QApplication::activeModalWidget());
      if (!form || step != 0) return;
      file_line = Child<QLabel>(*form, "lblFile")->text();
      if (file_line != "Writing the to-do list and the report") return;
      step = 1;
      // The run is let go once the question is open, and answered later.
      QTimer::singleShot(0, [&] { hold = false; });
      QTimer::singleShot(400, [&] {
        held = !went_on;
        AnswerMessageBox(&question, QMessageBox::Yes);
      });
      Click(*form, "btCancel");
    });
    look.start();
    QVERIFY(!ExecuteWithProgress(*BdeReplacer, "BDE/ADO Migration Wizard", nullptr));
    BdeReplacer->OnPhase = nullptr;
    QVERIFY(BdeReplacer->Cancelled);
    QVERIFY(held);
    QCOMPARE(file_line, QString("Writing the to-do list and the report"));
    const auto after = testing::Snapshot(*dir_ / "app");
    for (const auto& [name, bytes] : before) QVERIFY2(after.at(name) == bytes, name.c_str());
    QVERIFY(!BdeReplacer->CancelCameTooLate);
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
    // The filters narrow the list, and the count follows them.
    auto shown = [t] {
      QStringList out;
      for (int i = 0; i < t->topLevelItemCount(); ++i)
        if (!t->topLevelItem(i)->isHidden()) out << t->topLevelItem(i)->text(TTodoViewForm::kPlace);
      return out;
    };
    auto* count = Child<QLabel>(view, "lblTodoCount");
    QCOMPARE(count->text(), QString("4 place(s)"));
    Child<QComboBox>(view, "cbTodoLevel")->setCurrentText("error");
    QCOMPARE(shown(), QStringList({"T.Z", "Session"}));
    QCOMPARE(count->text(), QString("2 of 4 place(s)"));
    Child<QComboBox>(view, "cbTodoKind")
        ->setCurrentText(QString::fromStdString(std::string(ToString(todo_kind::kMember))));
    QCOMPARE(shown(), QStringList({"T.Z"}));
    Child<QComboBox>(view, "cbTodoLevel")->setCurrentIndex(0);
    QTest::keyClicks(Child<QLineEdit>(view, "edTodoFile"), "B.PAS");  // any letter case
    QCOMPARE(shown(), QStringList({"T.Z", "Q.Y", "Q.X"}));
    QCOMPARE(count->text(), QString("3 of 4 place(s)"));
    // The selected item's advice, whole, in the pane below.
    t->setCurrentItem(t->topLevelItem(1));
    const QString detail = Child<QLabel>(view, "lblTodoDetail")->text();
    QVERIFY2(detail.endsWith("\n" + t->topLevelItem(1)->text(TTodoViewForm::kAdvice)),
             qPrintable(detail));
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
};

QTEST_MAIN(RunDialogsTest)
#include "run_dialogs_test.moc"
