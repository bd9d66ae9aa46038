// The expert loaded into the host and driven through whole invocations, as a
// user clicks through the wizard, the save warning and the message boxes.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <filesystem>
#include <functional>

#include "engine/replace_options.h"
#include "platform/settings_store.h"
#include "qt/host_window.h"
#include "qt/path_text.h"
#include "test_support.h"

using namespace tolvern;
namespace fs = std::filesystem;

namespace {

// A step acts on the dialog that is modal at the time, once it is the one
// expected; the script goes on until its steps are done.
using Step = std::function<bool(QWidget*)>;

class ModalScript {
 public:
  explicit ModalScript(std::vector<Step> steps) : steps_(std::move(steps)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      QWidget* w = QApplication::activeModalWidget();
      if (w && next_ < steps_.size() && steps_[next_](w))
        ++next_;
      else if (w && qEnvironmentVariableIsSet("TOLVERN_TRACE"))
        qDebug() << "waiting at step" << next_ << "on" << w->objectName()
                 << w->metaObject()->className()
                 << (qobject_cast<QMessageBox*>(w) ? qobject_cast<QMessageBox*>(w)->text()
                                                   : QString());
    });
    timer_.start();
  }
  bool Done() const { return next_ == steps_.size(); }

 private:
  std::vector<Step> steps_;
  size_t next_ = 0;
  QTimer timer_;
};

void Click(QWidget* w, const char* name) {
  auto* b = w->findChild<QAbstractButton*>(name);
  if (!b) qFatal("no button %s", name);
  QPoint at = b->rect().center();
  if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)) at.setX(8);
  QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, at);
}

// Clicks through the wizard: the named buttons in order, then Finish.
Step Wizard(std::vector<const char*> clicks, std::function<void(QWidget*)> also = nullptr) {
  return [clicks, also](QWidget* w) {
    if (w->objectName() != "WizardForm") return false;
    for (const char* c : clicks) {
      if (also && std::string(c) == "*") {
        also(w);
        continue;
      }
      Click(w, c);
    }
    return true;
  };
}

Step SaveWarning(bool yes, bool dont_ask = false, QString* question = nullptr) {
  return [=](QWidget* w) {
    if (w->objectName() != "SaveWarnForm") return false;
    if (question) *question = w->findChild<QLabel*>("lblWarn")->text();
    if (dont_ask) Click(w, "chkDontAsk");
    Click(w, yes ? "OKBtn" : "CancelBtn");
    return true;
  };
}

struct Said {
  QString text;
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// A step that does something first and then answers as `then` does.
Step Before(std::function<void()> first, Step then) {
  return [first, then](QWidget* w) {
    if (w->objectName() != "SaveWarnForm" && !qobject_cast<QMessageBox*>(w)) return false;
    first();
    return then(w);
  };
}

Step Message(Said* said) {
  return [said](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box) return false;
    said->text = WithoutPathBreaks(box->text());
    said->title = box->windowTitle();
    said->icon = box->icon();
    box->accept();
    return true;
  };
}

// Answers a question box with `button`, recording what it asked.
Step Answer(Said* said, QMessageBox::StandardButton button) {
  return [said, button](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box || !box->button(button)) return false;
    said->text = WithoutPathBreaks(box->text());
    said->icon = box->icon();
    box->button(button)->click();
    return true;
  };
}

// Presses a button of the box on show (the outcome's views), recording it.
Step Press(const char* button, Said* said = nullptr) {
  return [button, said](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    if (!box || !box->findChild<QAbstractButton*>(button)) return false;
    if (said) said->text = WithoutPathBreaks(box->text()), said->icon = box->icon();
    Click(box, button);
    return true;
  };
}

// Closes a view of the run's documents, handing it to `look` first.
Step View(const char* name, std::function<void(QWidget*)> look) {
  return [name, look](QWidget* w) {
    if (w->objectName() != name) return false;
    look(w);
    QTest::keyClick(w, Qt::Key_Escape);
    return true;
  };
}

// The wizard on show again at its summary: looked at, then Finish.
Step Summary(QString* summary) {
  return [summary](QWidget* w) {
    if (w->objectName() != "WizardForm") return false;
    *summary =
        w->windowTitle() + "\n" + WithoutPathBreaks(w->findChild<QLabel*>("lSummary")->text());
    Click(w, "btFinish");
    return true;
  };
}

}  // namespace

class ExpertTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<testing::ScratchDir> dir_;
  std::unique_ptr<HostWindow> host_;
  std::string example_ = std::string(TOLVERN_SOURCE_DIR) + "/examples/orders";
  std::string initial_registry_;

  QAction* MenuItem() { return host_->NexaMenu()->findChild<QAction*>("ZUvezodItemBDE_ADONexa"); }
  // Chooses the menu item with the script answering the dialogs.
  bool Invoke(std::vector<Step> steps) {
    ModalScript script(std::move(steps));
    MenuItem()->trigger();
    return script.Done();
  }
  std::string Registry() {
    std::string f = *dir_ / "config/tolvern/registry.json";
    return fs::exists(f) ? testing::ReadFileBytes(f) : std::string();
  }
  std::string Original(const char* name) { return testing::ReadFileBytes(example_ + "/" + name); }

 private slots:
  void init() {
    dir_ = std::make_unique<testing::ScratchDir>();
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(*dir_ / "config"));
    fs::copy(example_, *dir_ / "app", fs::copy_options::recursive);
    // The expert keeps its options while it stays loaded, as in the
    // environment; each test starts from the same stored ones.
    TRegIniFile reg("Software\\Veltrane", *dir_ / "config/tolvern/registry.json");
    TReplaceOptions defaults("BDE/ADO");
    defaults.SaveToRegistry(reg, defaults.GetTitle());
    initial_registry_ = Registry();
    host_ = std::make_unique<HostWindow>();
    QString error;
    QVERIFY2(host_->LoadExpert(TOLVERN_EXPERT_MODULE, &error), qPrintable(error));
    QVERIFY(host_->OpenProjectFile(QString::fromStdString(*dir_ / "app/Orders.dpr")));
    host_->show();
  }
  void cleanup() {
    host_.reset();
    dir_.reset();
  }

  void menuItemAndIdentity() {
    QAction* item = MenuItem();
    QVERIFY(item);
    QCOMPARE(item->text(), QString("&Migration Wizard"));
    QCOMPARE(host_->Wizards().size(), size_t(1));
    const IOTAWizard& w = *host_->Wizards()[0];
    QCOMPARE(QString::fromStdString(w.GetIDString()),
             QString("Veltrane.BDE/ADOMigrationWizard.Nexa"));
    QCOMPARE(QString::fromStdString(w.GetName()), QString("BDE/ADO Migration Wizard"));
    QCOMPARE(w.GetState(), 0);
  }

  void cancelChangesNothing() {
    QVERIFY(Invoke({Wizard({"btNext", "btCancel"})}));
    QVERIFY(host_->Calls().empty());
    QCOMPARE(dir_->Read("app/DataModule.pas"), Original("DataModule.pas"));
    QCOMPARE(Registry(), initial_registry_);
  }

  void replaceInProjectMode() {
    Said said;
    QString question;
    QVERIFY(Invoke({Wizard({"btNext", "btNext", "btNext", "btNext", "btFinish"}),
                    SaveWarning(true, false, &question), Message(&said)}));
    QCOMPARE(question, QString("Current project will be saved. Continue?"));
    const std::string app = *dir_ / "app";
    // What happened, and where the log and the backups are.
    QCOMPARE(said.text,
             QString::fromStdString(
                 "Replace procedure was performed sucessfully.\n"
                 "Files scanned: 8; units changed: 3; forms changed: 3; objects rewritten: 7; "
                 "files not migrated: 0.\nLog: " +
                 app +
                 "/Wiz_Log.txt\n"
                 "Left to do by hand: 2 error(s), 2 warning(s) and 4 note(s), listed in " +
                 app +
                 "/Wiz_Todo.1.txt\n"
                 "The latest run's list is always in " +
                 app +
                 "/Wiz_Todo.txt.\n"
                 "Backups and undo file: " +
                 app +
                 "/RBackup\n"
                 "Undo file of this run: " +
                 app + "/RBackup/ZUvezod.reu\nReport: " + app + "/Wiz_Report.html"));
    QCOMPARE(said.icon, QMessageBox::Information);
    QCOMPARE(said.title, QString("BDE/ADO Migration Wizard"));
    std::vector<std::string> expected = {"SaveProject",
                                         "ShowSourceEditor " + app + "/MainForm.pas",
                                         "ShowSourceEditor " + app + "/DataModule.pas",
                                         "ShowSourceEditor " + app + "/Reports.pas",
                                         "ReloadFile " + app + "/MainForm.pas",
                                         "ReloadFile " + app + "/DataModule.pas",
                                         "ReloadFile " + app + "/Reports.pas",
                                         "ReloadFile " + app + "/Utils.pas"};
    QCOMPARE(host_->Calls(), expected);
    QVERIFY(dir_->Read("app/DataModule.dfm").find("object dbOrders: TNXConnection") !=
            std::string::npos);
    QVERIFY(Registry().find("\"LastUndo\": \"" + app + "/RBackup/ZUvezod.reu\"") !=
            std::string::npos);
    // The next invocation is warned again (the box was not checked).
    QVERIFY(Registry().find("\"ReplaceProjWarn\": \"1\"") != std::string::npos);
  }

  void replaceInFolderModeWithoutWarning() {
    Said said;
    // No program to show the log with: the wizard shows it in a view of its
    // own, before the outcome.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(*dir_ / "no-programs"));
    QString log;
    QVERIFY(Invoke({Wizard({"btNext", "rbDestFolder", "btNext", "*", "btNext", "chViewLog",
                            "btNext", "btFinish"},
                           [this](QWidget* w) {
                             auto* dir = w->findChild<QComboBox*>("cbDirectory");
                             dir->setEditText(QString::fromStdString(*dir_ / "app"));
                           }),
                    View("LogView",
                         [&log](QWidget* w) {
                           log = w->findChild<QPlainTextEdit*>("LogText")->toPlainText();
                         }),
                    Message(&said)}));
    qputenv("PATH", path);
    QVERIFY2(said.text.startsWith("Replace procedure was performed sucessfully.\nFiles scanned: "),
             qPrintable(said.text));
    QVERIFY2(log.startsWith("BDE/ADO Migration Wizard log\n"), qPrintable(log));
    QVERIFY2(log.endsWith("Replace procedure was performed sucessfully.\n"), qPrintable(log));
    QVERIFY(host_->Calls().empty());
    QVERIFY(dir_->Read("app/MainForm.pas").find("TNXQuery") != std::string::npos);
  }

  void restoreClosesAndReopensTheProject() {
    Said said;
    QVERIFY(Invoke({Wizard({"btNext", "btNext", "btNext", "btNext", "btFinish"}),
                    SaveWarning(true, true), Message(&said)}));
    const std::string project = *dir_ / "app/Orders.dpr";
    QString question;
    QVERIFY(Invoke({Wizard({"rbModeRestore", "btNext", "btNext", "btFinish"}),
                    SaveWarning(true, false, &question), Message(&said)}));
    QCOMPARE(question, QString("Old files will be restored from backup. Continue?"));
    QCOMPARE(said.text, QString("Files were succefully restored.\nFiles restored: 6"));
    QCOMPARE(dir_->Read("app/DataModule.pas"), Original("DataModule.pas"));
    QCOMPARE(dir_->Read("app/DataModule.dfm"), Original("DataModule.dfm"));
    auto calls = host_->Calls();
    QCOMPARE(calls[calls.size() - 2], std::string("CloseProjectGroup"));
    QCOMPARE(calls.back(), "OpenProject " + project);
    QVERIFY(host_->HasProject());

    // The undo file, put back, is offered no more.
    QVERIFY(Registry().find("\"LastUndo\": \"\"") != std::string::npos);
    // A restore that fails reopens the project all the same.
    fs::remove(*dir_ / "app/RBackup/DataModule.~pas");
    auto type_undo = [this](QWidget* w) {
      auto* edit = w->findChild<QLineEdit*>("edUndoFile");
      edit->clear();
      QTest::keyClicks(edit, QString::fromStdString(*dir_ / "app/RBackup/ZUvezod.reu"));
    };
    QVERIFY(Invoke({Wizard({"rbModeRestore", "btNext", "*", "btNext", "btFinish"}, type_undo),
                    SaveWarning(true), Message(&said)}));
    // The second line names the line of the undo file and the missing backup.
    QVERIFY(said.text.startsWith("Failed to restore files.\n"));
    QVERIFY(said.text.contains(QString::fromStdString(
        "the backup " + (*dir_ / "app/RBackup/DataModule.~pas") + " does not exist")));
    QCOMPARE(said.icon, QMessageBox::Critical);
    QCOMPARE(said.title, QString("BDE/ADO Migration Wizard"));
    QCOMPARE(host_->Calls().back(), "OpenProject " + project);
  }

  void restoreAsksBeforeOverwritingAnEditedFileAndKeepsIt() {
    Said said;
    QVERIFY(Invoke({Wizard({"btNext", "btNext", "btNext", "btNext", "btFinish"}),
                    SaveWarning(true, true), Message(&said)}));
    const std::string edited = dir_->Read("app/DataModule.pas") + "// edited later\r\n";
    dir_->Write("app/DataModule.pas", edited);
    auto type_undo = [this](QWidget* w) {
      auto* edit = w->findChild<QLineEdit*>("edUndoFile");
      edit->clear();
      QTest::keyClicks(edit, QString::fromStdString(*dir_ / "app/RBackup/ZUvezod.reu"));
    };
    // Asked, and told no: nothing is restored.
    Said asked;
    QVERIFY(Invoke({Wizard({"rbModeRestore", "btNext", "*", "btNext", "btFinish"}, type_undo),
                    SaveWarning(true), Answer(&asked, QMessageBox::No)}));
    QVERIFY(asked.text.contains(QString::fromStdString(*dir_ / "app/DataModule.pas")));
    QCOMPARE(asked.icon, QMessageBox::Question);
    QCOMPARE(dir_->Read("app/DataModule.pas"), edited);
    QVERIFY(dir_->Read("app/MainForm.pas") != Original("MainForm.pas"));
    // Told yes: every original is back and the edit is kept, named.
    QVERIFY(Invoke({Wizard({"rbModeRestore", "btNext", "*", "btNext", "btFinish"}, type_undo),
                    SaveWarning(true), Answer(&asked, QMessageBox::Yes), Message(&said)}));
    QCOMPARE(dir_->Read("app/DataModule.pas"), Original("DataModule.pas"));
    QCOMPARE(dir_->Read("app/MainForm.pas"), Original("MainForm.pas"));
    QCOMPARE(dir_->Read("app/RBackup/DataModule.edited.pas"), edited);
    QVERIFY(said.text.startsWith("Files were succefully restored.\n"));
    QVERIFY(
        said.text.contains(QString::fromStdString(*dir_ / "app/RBackup/DataModule.edited.pas")));
  }

  void silencedWarningIsNotAsked() {
    TRegIniFile reg("Software\\Veltrane", *dir_ / "config/tolvern/registry.json");
    reg.WriteBool("BDE/ADO Migration Wizard", "ReplaceProjWarn", false);
    Said said;
    QVERIFY(Invoke({Wizard({"btNext", "btNext", "btNext", "btNext", "btFinish"}), Message(&said)}));
    QVERIFY(said.text.startsWith("Replace procedure was performed sucessfully.\n"));
  }

  void uncreatableBackupFolderNamesThePathAndKeepsTheEarlierLog() {
    dir_->Write("app/Wiz_Log.txt", "the earlier run's log");
    auto set_backup = [this](QWidget* w) {
      w->findChild<QComboBox*>("cbBackupDir")
          ->setEditText(QString::fromStdString(*dir_ / "app/Sub/RBackup"));
    };
    Said said;
    QVERIFY(Invoke({Wizard({"btNext", "btNext", "btNext", "*", "btNext", "btFinish"}, set_backup),
                    Before([this] { dir_->Write("app/Sub", "now a file"); }, SaveWarning(true)),
                    Message(&said)}));
    QCOMPARE(said.text, QString::fromStdString("Failed to create directory.\n" +
                                               (*dir_ / "app/Sub/RBackup") + ": Not a directory"));
    QCOMPARE(said.icon, QMessageBox::Critical);
    QCOMPARE(said.title, QString("BDE/ADO Migration Wizard"));
    // The run did not start: the earlier log stays as it was.
    QCOMPARE(dir_->Read("app/Wiz_Log.txt"), std::string("the earlier run's log"));
    QCOMPARE(dir_->Read("app/DataModule.pas"), Original("DataModule.pas"));
  }

  void declinedSaveWarningReturnsToTheSummary() {
    // No to the save question: the wizard is back at its summary with every
    // page as it was; Finish there and Yes run it.
    QString again, question;
    Said said;
    QVERIFY(Invoke(
        {Wizard({"btNext", "btNext", "*", "btNext", "btNext", "btFinish"},
                [](QWidget* w) {
                  w->findChild<QListWidget*>("lbModules")->item(3)->setCheckState(Qt::Unchecked);
                }),
         SaveWarning(false), Summary(&again), SaveWarning(true, false, &question),
         Message(&said)}));
    QVERIFY2(again.startsWith("Nexa Migration Wizard - Step 5 of 5\nMode: Replace BDE components"),
             qPrintable(again));
    QVERIFY2(again.endsWith("Units list:\nMainForm.pas\nDataModule.pas\nReports.pas\n"),
             qPrintable(again));
    QVERIFY(said.text.startsWith("Replace procedure was performed sucessfully.\n"));
    QCOMPARE(dir_->Read("app/Utils.pas"), Original("Utils.pas"));
    QVERIFY(dir_->Read("app/DataModule.pas") != Original("DataModule.pas"));
  }

  void outcomeOffersTheLogAndTheToDoList() {
    Said said;
    int items = 0;
    QString log, where;
    QVERIFY(Invoke({Wizard({"btNext", "btNext", "btNext", "btNext", "btFinish"}), SaveWarning(true),
                    Press("btViewTodo", &said),
                    View("TodoView",
                         [&](QWidget* w) {
                           items = w->findChild<QTreeWidget*>("TodoItems")->topLevelItemCount();
                           where = WithoutPathBreaks(w->findChild<QLabel*>("lblTodoFile")->text());
                         }),
                    Press("btViewLog"),
                    View("LogView",
                         [&log](QWidget* w) {
                           log = w->findChild<QPlainTextEdit*>("LogText")->toPlainText();
                         }),
                    Message(&said)}));
    QCOMPARE(items, 8);  // 2 errors, 2 warnings and 4 notes
    QVERIFY2(where.endsWith(QString::fromStdString(*dir_ / "app/Wiz_Todo.1.txt")),
             qPrintable(where));
    QVERIFY2(log.contains("Replace procedure was performed sucessfully."), qPrintable(log));
    QVERIFY(said.text.startsWith("Replace procedure was performed sucessfully.\n"));
    // The report page beside the log, named in the outcome, with the diff
    // of a changed file and no spool left behind.
    const std::string page = *dir_ / "app/Wiz_Report.html";
    QVERIFY2(said.text.contains(QString::fromStdString("Report: " + page)), qPrintable(said.text));
    const std::string html = dir_->Read("app/Wiz_Report.html");
    QVERIFY(html.find("<!DOCTYPE html>") == 0 || html.find("<!doctype html>") == 0);
    QVERIFY(html.find("TNXQuery") != std::string::npos);
    QVERIFY(!std::filesystem::exists(page + ".diffs.tmp"));
  }

  void runErrorIsShownAndSettingsAreNotSaved() {
    // The name is taken after the wizard checked it, so the folder counts as
    // there; the first backup copy fails and stops the run before any
    // original is replaced.
    Said said;
    QVERIFY(Invoke(
        {Wizard({"btNext", "btNext", "btNext", "btNext", "btFinish"}),
         Before([this] { dir_->Write("app/RBackup", "a file where the backup folder should be"); },
                SaveWarning(true)),
         Message(&said)}));
    QVERIFY2(said.text.startsWith("Failed to back up file "), qPrintable(said.text));
    QVERIFY2(said.text.endsWith(
                 QString::fromStdString("\n" + (*dir_ / "app/RBackup") + ": File exists")),
             qPrintable(said.text));
    QCOMPARE(said.icon, QMessageBox::Critical);
    QCOMPARE(said.title, QString("BDE/ADO Migration Wizard"));
    QCOMPARE(dir_->Read("app/DataModule.pas"), Original("DataModule.pas"));
    QVERIFY(Registry().find("LastUndo") == std::string::npos);
  }
};

QTEST_MAIN(ExpertTest)
#include "expert_test.moc"
