#include "wizard/expert_model.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "base/errors.h"
#include "engine/nx_replacer.h"
#include "files/file_utils.h"
#include "ide/project_host.h"
#include "platform/disk.h"
#include "platform/settings_store.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

constexpr const char* kTitle = "BDE/ADO Migration Wizard";

// How the user leaves the wizard: true after Finish.
using WizardScript = std::function<bool(WizardModel&)>;

// A view without a screen: it records, in order, what the expert asked and
// said, answers from queues, and runs the replacer as the progress dialog
// would (or as a test says).
class FakeView : public ExpertView {
 public:
  std::vector<std::string> shown;
  std::deque<WizardScript> wizard_scripts;
  std::deque<bool> save_answers;
  std::deque<bool> yes_no_answers;
  std::function<bool(TComponentReplacer&)> execute = [](TComponentReplacer& r) {
    return r.Execute();
  };
  std::function<bool(TComponentReplacer&, const std::string&, bool)> restore =
      [](TComponentReplacer& r, const std::string& undo, bool force) {
        return r.RestoreFiles(undo, force);
      };
  bool log_shown = true;
  RunOutcome outcome;
  bool wizard_open = false;

  WizardModel& OpenWizard() override {
    wizard_ = std::make_unique<NXWizardModel>();
    wizard_open = true;
    return *wizard_;
  }
  bool ShowWizard() override {
    shown.push_back("wizard");
    if (wizard_scripts.empty()) return false;
    WizardScript script = wizard_scripts.front();
    wizard_scripts.pop_front();
    wizard_->Show();  // as the dialog does when it is shown
    return script(*wizard_);
  }
  void CloseWizard() override { wizard_open = false; }
  bool AskSaveWarning(const std::string& title, bool project, bool restore) override {
    Said(title,
         std::string("save warning:") + (project ? " project" : "") + (restore ? " restore" : ""));
    return Next(save_answers);
  }
  bool AskYesNo(const std::string& title, const std::string& question) override {
    Said(title, "question: " + question);
    return Next(yes_no_answers);
  }
  void ShowMessage(const std::string& title, const std::string& text, MessageKind kind) override {
    Said(title, (kind == MessageKind::kError ? "error: " : "information: ") + text);
  }
  bool ExecuteBehindProgress(TComponentReplacer& replacer, const std::string& title) override {
    Said(title, "execute");
    return execute(replacer);
  }
  bool RestoreBehindProgress(TComponentReplacer& replacer, const std::string& undo_file, bool force,
                             const std::string& title) override {
    Said(title, force ? "restore forced" : "restore");
    return restore(replacer, undo_file, force);
  }
  bool ShowLog(const std::string& title, const std::string& path) override {
    Said(title, "log: " + path);
    return log_shown;
  }
  void ShowOutcome(const std::string& title, const RunOutcome& o) override {
    Said(title, (o.failure ? "outcome error: " : "outcome: ") + o.text);
    outcome = o;
  }

 private:
  // Every dialog of the expert carries its title.
  void Said(const std::string& title, const std::string& what) {
    shown.push_back(title == kTitle ? what : what + " [title " + title + "]");
  }
  static bool Next(std::deque<bool>& answers) {
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }

  std::unique_ptr<NXWizardModel> wizard_;
};

// The wizard gone through with Next to its summary, then Finish.
WizardScript Finish(std::function<void(WizardModel&)> first = nullptr) {
  return [first](WizardModel& w) {
    if (first) first(w);
    while (w.CanNext()) w.GoNext();
    return w.Finish().kind == WizardMessage::Kind::kNone;
  };
}

WizardScript FinishRestore(std::function<void(WizardModel&)> also = nullptr) {
  return Finish([also](WizardModel& w) {
    w.ModeReplace = false;
    w.ModeRestore = true;
    if (also) also(w);
  });
}

// A host whose project cannot be saved.
class UnsavableHost : public ProjectHost {
 public:
  bool SaveProject() override { return false; }
};

class ExpertModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = testing::CopyExample(dir_, "app");
    OpenProjectAfresh();
    expert_.AddReplacer(AdoReplacer);
    expert_.KeepSettingsIn(dir_.RegistryKey(), dir_ / "registry.json");
  }
  // A file of the project; "/" becomes the system's separator.
  std::string App(const std::string& name) const { return dir_ / ("app/" + name); }
  std::string Stored(const std::string& name) {
    TRegIniFile reg(dir_.RegistryKey(), dir_ / "registry.json");
    return reg.ReadString(kTitle, name, "(none)");
  }
  std::string Original(const std::string& name) const {
    return testing::ReadFileBytes(PathJoin(testing::ExampleDir(), name));
  }
  // A replace in project mode that succeeded, and the record cleared.
  void Replaced() {
    view_.wizard_scripts = {Finish()};
    view_.save_answers = {true};
    expert_.MenuClick();
    ASSERT_EQ(view_.shown.back().rfind("outcome: Replace procedure was performed", 0), 0u);
    view_.shown.clear();
    OpenProjectAfresh();
  }
  // The project opened in a new host, which has recorded nothing yet.
  void OpenProjectAfresh() {
    services_.reset();
    host_ = std::make_unique<ProjectHost>();
    host_->Load(PathJoin(app_, "Orders.dpr"));
    services_ = std::make_unique<ScopedIdeServices>(host_.get());
  }

  ScratchDir dir_;
  NXReplacerScope library_;
  std::string app_;
  std::unique_ptr<ProjectHost> host_ = std::make_unique<ProjectHost>();
  std::unique_ptr<ScopedIdeServices> services_;
  FakeView view_;
  RealDisk disk_;
  ExpertModel expert_{view_, disk_, "&Nexa", BdeReplacer};
};

class RecordingMenu : public TKAMenu {
 public:
  void AddWizard(const std::string& caption, const std::string& name,
                 std::function<void()> on_click) override {
    items.push_back(caption + " " + name);
    click = std::move(on_click);
  }
  std::vector<std::string> items;
  std::function<void()> click;
};

TEST_F(ExpertModelTest, NamesTheMenuItemAndTheExpertAndOffersItsReplacers) {
  RecordingMenu menu;
  int clicks = 0;
  expert_.AddMenuItem(menu, [&clicks] { ++clicks; });
  EXPECT_EQ(menu.items, std::vector<std::string>{"&Migration Wizard ZUvezodItemBDE_ADONexa"});
  menu.click();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(expert_.GetIDString(), "Veltrane.BDE/ADOMigrationWizard.Nexa");
  EXPECT_EQ(expert_.Title(), kTitle);
  // The wizard's modes are the replacers' indexes: BDE 0, ADO 1.
  EXPECT_EQ(expert_.GetReplacer(static_cast<int>(WizardMode::kReplaceBde)), BdeReplacer.get());
  EXPECT_EQ(expert_.GetReplacer(static_cast<int>(WizardMode::kReplaceAdo)), AdoReplacer.get());
  EXPECT_EQ(expert_.FirstReplacer(), BdeReplacer.get());
  for (int index : {-1, 2, static_cast<int>(WizardMode::kRestore)}) {
    try {
      expert_.GetReplacer(index);
      ADD_FAILURE() << index;
    } catch (const EAssertionFailed& e) {
      EXPECT_STREQ(e.what(), "Assertion failure (ReplaceExpert, line 300)");
    }
  }
  EXPECT_EQ(RemoveAmpersands("&Nexa && &Co"), "Nexa  Co");
}

TEST_F(ExpertModelTest, CancelledWizardChangesNothing) {
  WizardModel* seen = nullptr;
  view_.wizard_scripts = {[&seen](WizardModel& w) {
    seen = &w;
    return false;
  }};
  expert_.MenuClick();
  EXPECT_EQ(view_.shown, std::vector<std::string>{"wizard"});
  ASSERT_TRUE(seen);
  EXPECT_FALSE(view_.wizard_open);
  EXPECT_TRUE(host_->Calls().empty());
  EXPECT_EQ(Stored("LastUndo"), "(none)");
  EXPECT_EQ(testing::ReadFileBytes(App("DataModule.pas")), Original("DataModule.pas"));
}

TEST_F(ExpertModelTest, TheWizardIsSetUpForTheExpertAndItsSettings) {
  TRegIniFile(dir_.RegistryKey(), dir_ / "registry.json")
      .WriteString(kTitle, "LastUndo", App("RBackup/ZUvezod.reu"));
  std::string welcome, product, undo;
  view_.wizard_scripts = {[&](WizardModel& w) {
    welcome = w.WelcomeText, product = w.ProductName, undo = w.UndoFile;
    EXPECT_EQ(w.Options, BdeReplacer->Options);
    return false;
  }};
  expert_.MenuClick();
  EXPECT_EQ(product, "Nexa");
  EXPECT_NE(welcome.find("BDE/ADO"), std::string::npos) << welcome;
  EXPECT_EQ(undo, App("RBackup/ZUvezod.reu"));
}

TEST_F(ExpertModelTest, ReplaceInProjectModeSavesRunsReloadsAndTellsTheOutcome) {
  view_.wizard_scripts = {Finish()};
  view_.save_answers = {true};
  expert_.MenuClick();
  const std::string outcome =
      "outcome: Replace procedure was performed sucessfully.\n"
      "Files scanned: 8; units changed: 3; forms changed: 3; objects rewritten: 7; "
      "files not migrated: 0.\nLog: " +
      App("Wiz_Log.txt") +
      "\nLeft to do by hand: 2 error(s), 2 warning(s) and 1 note(s), listed in " +
      App("Wiz_Todo.1.txt") + "\nThe latest run's list is always in " + App("Wiz_Todo.txt") +
      ".\nBackups and undo file: " + App("RBackup") +
      "\nUndo file of this run: " + App("RBackup/ZUvezod.reu") +
      "\nReport: " + App("Wiz_Report.html");
  EXPECT_EQ(view_.shown,
            (std::vector<std::string>{"wizard", "save warning: project", "execute", outcome}));
  EXPECT_EQ(view_.outcome.log_path, App("Wiz_Log.txt"));
  EXPECT_EQ(view_.outcome.todo.size(), 5u);
  EXPECT_EQ(view_.outcome.todo_path, App("Wiz_Todo.1.txt"));
  EXPECT_EQ(view_.outcome.report_path, App("Wiz_Report.html"));
  EXPECT_TRUE(std::filesystem::exists(App("Wiz_Report.html")));
  const std::vector<std::string> calls = {"SaveProject",
                                          "ShowSourceEditor " + App("MainForm.pas"),
                                          "ShowSourceEditor " + App("DataModule.pas"),
                                          "ShowSourceEditor " + App("Reports.pas"),
                                          "ReloadFile " + App("MainForm.pas"),
                                          "ReloadFile " + App("DataModule.pas"),
                                          "ReloadFile " + App("Reports.pas"),
                                          "ReloadFile " + App("Utils.pas")};
  EXPECT_EQ(host_->Calls(), calls);
  EXPECT_FALSE(view_.wizard_open);
  // The undo file of the run is offered to the next restore.
  EXPECT_EQ(Stored("LastUndo"), App("RBackup/ZUvezod.reu"));
}

#ifndef _WIN32
// A named pipe under the report page's name would hold the page's writing,
// after the originals are replaced, until a reader came: the run does not
// start, nothing is saved or touched, and the box names the pipe.
TEST_F(ExpertModelTest, APipeUnderTheReportPagesNameStopsTheRunBeforeItStarts) {
  const std::string page = App("Wiz_Report.html");
  ASSERT_EQ(::mkfifo(page.c_str(), 0666), 0);
  const auto before = testing::Snapshot(app_);
  view_.wizard_scripts = {Finish()};
  view_.save_answers = {true};
  expert_.MenuClick();
  EXPECT_EQ(view_.shown,
            (std::vector<std::string>{"wizard", "save warning: project",
                                      "error: Cannot create file \"" + page +
                                          "\".\nis a named pipe, not a regular file"}));
  EXPECT_TRUE(host_->Calls().empty());
  EXPECT_EQ(testing::Snapshot(app_), before);
  EXPECT_TRUE(std::filesystem::is_fifo(page));
}
#endif

TEST_F(ExpertModelTest, AFolderRunAsksNothingReloadsNothingAndShowsTheLogAskedFor) {
  struct Case {
    bool log_shown;
    std::string outcome_end;
  } cases[] = {
      {true, "\nReport: " + App("Wiz_Report.html")},
      {false, "\nReport: " + App("Wiz_Report.html") + "\nNo program was found to show the log \"" +
                  App("Wiz_Log.txt") + "\"."},
  };
  for (const Case& c : cases) {
    view_.shown.clear();
    view_.log_shown = c.log_shown;
    view_.wizard_scripts = {Finish([this](WizardModel& w) {
      w.DestProject = false, w.DestFolder = true;
      w.GoNext(), w.GoNext();
      w.Directory = app_;
      w.GoNext();
      w.ViewLog = true;
    })};
    expert_.MenuClick();
    ASSERT_EQ(view_.shown.size(), 4u) << c.log_shown;
    EXPECT_EQ(view_.shown[1], "execute");
    EXPECT_EQ(view_.shown[2], "log: " + App("Wiz_Log.txt"));
    const std::string& said = view_.shown[3];
    EXPECT_EQ(said.rfind("outcome: Replace procedure was performed sucessfully.\n", 0), 0u);
    EXPECT_TRUE(said.ends_with(c.outcome_end)) << said;
    EXPECT_TRUE(host_->Calls().empty());
  }
}

TEST_F(ExpertModelTest, AReplaceThatStopsSaysWhyAndKeepsTheOriginals) {
  struct Case {
    const char* name;
    std::function<bool(TComponentReplacer&)> execute;
    std::string said;
    std::string last_undo;  // remembered: the settings are saved, or not
  } cases[] = {
      {"stopped by an error",
       [](TComponentReplacer&) -> bool {
         throw EFCreateError("Cannot create file X.", "X: Permission denied");
       },
       "error: Cannot create file X.\nX: Permission denied", "(none)"},
      {"cancelled",
       [](TComponentReplacer& r) {
         r.Cancelled = true;
         return false;
       },
       "information: Cancelled: no original file was replaced.", ""},
      {"failed",
       [](TComponentReplacer& r) {
         r.Cancelled = false;
         return false;
       },
       "error: Replace failed.\nLog: " + App("Wiz_Log.txt"), ""},
  };
  for (const Case& c : cases) {
    view_.shown.clear();
    view_.execute = c.execute;
    view_.wizard_scripts = {Finish()};
    view_.save_answers = {true};
    expert_.MenuClick();
    EXPECT_EQ(view_.shown,
              (std::vector<std::string>{"wizard", "save warning: project", "execute", c.said}))
        << c.name;
    EXPECT_EQ(Stored("LastUndo"), c.last_undo) << c.name;
    EXPECT_FALSE(view_.wizard_open) << c.name;
    // The project was saved, but nothing reloaded.
    EXPECT_EQ(host_->Calls().back(), "ShowSourceEditor " + App("Reports.pas")) << c.name;
  }
  EXPECT_EQ(testing::ReadFileBytes(App("DataModule.pas")), Original("DataModule.pas"));
}

TEST_F(ExpertModelTest, AProjectThatCannotBeSavedIsNotMigrated) {
  auto host = std::make_unique<UnsavableHost>();
  host->Load(PathJoin(app_, "Orders.dpr"));
  ScopedIdeServices services(host.get());
  view_.wizard_scripts = {Finish()};
  view_.save_answers = {true};
  expert_.MenuClick();
  EXPECT_EQ(view_.shown, (std::vector<std::string>{
                             "wizard", "save warning: project",
                             "error: Cannot start replace process.\nProject was not saved."}));
  EXPECT_EQ(testing::ReadFileBytes(App("DataModule.pas")), Original("DataModule.pas"));
}

TEST_F(ExpertModelTest, ADeclinedSaveWarningReturnsToTheSummaryAsTheUserLeftIt) {
  WizardPage page_again = WizardPage::kStep1;
  bool unit_again = true;
  view_.wizard_scripts = {Finish([](WizardModel& w) {
                            w.GoNext(), w.GoNext();
                            w.Modules[3].checked = false;
                          }),
                          [&](WizardModel& w) {
                            page_again = w.Page();
                            unit_again = w.Modules[3].checked;
                            return false;
                          }};
  view_.save_answers = {false};
  expert_.MenuClick();
  EXPECT_EQ(view_.shown, (std::vector<std::string>{"wizard", "save warning: project", "wizard"}));
  EXPECT_EQ(page_again, WizardPage::kFinal);
  EXPECT_FALSE(unit_again);
  EXPECT_TRUE(host_->Calls().empty());
  EXPECT_EQ(Stored("LastUndo"), "(none)");
}

TEST_F(ExpertModelTest, RestoreClosesTheProjectPutsTheOriginalsBackAndReopensIt) {
  Replaced();
  view_.wizard_scripts = {FinishRestore()};
  view_.save_answers = {true};
  expert_.MenuClick();
  EXPECT_EQ(view_.shown, (std::vector<std::string>{"wizard", "save warning: restore", "restore",
                                                   "information: Files were succefully restored.\n"
                                                   "Files restored: 6"}));
  EXPECT_EQ(host_->Calls(),
            (std::vector<std::string>{"CloseProjectGroup", "OpenProject " + App("Orders.dpr")}));
  EXPECT_EQ(testing::ReadFileBytes(App("DataModule.pas")), Original("DataModule.pas"));
  // Put back, the undo file is offered no more.
  EXPECT_EQ(Stored("LastUndo"), "");
}

TEST_F(ExpertModelTest, ARestoreThatFailsOrStopsReopensTheProjectAndSaysWhy) {
  Replaced();
  std::filesystem::remove(App("RBackup/DataModule.~pas"));
  struct Case {
    const char* name;
    std::function<bool(TComponentReplacer&, const std::string&, bool)> restore;
    std::string said;
  } cases[] = {
      {"failed", view_.restore,
       "error: Failed to restore files.\n" + App("RBackup/ZUvezod.reu") + ", line 3 (\"" +
           App("DataModule.pas") + "=" + App("RBackup/DataModule.~pas") + "\"): the backup " +
           App("RBackup/DataModule.~pas") + " does not exist; nothing was restored"},
      {"stopped by an error",
       [](TComponentReplacer&, const std::string&, bool) -> bool {
         throw Exception("Out of memory.");
       },
       "error: Out of memory."},
  };
  for (const Case& c : cases) {
    view_.shown.clear();
    OpenProjectAfresh();
    view_.restore = c.restore;
    view_.wizard_scripts = {FinishRestore()};
    view_.save_answers = {true};
    expert_.MenuClick();
    EXPECT_EQ(view_.shown,
              (std::vector<std::string>{"wizard", "save warning: restore", "restore", c.said}))
        << c.name;
    EXPECT_EQ(host_->Calls(),
              (std::vector<std::string>{"CloseProjectGroup", "OpenProject " + App("Orders.dpr")}))
        << c.name;
    EXPECT_EQ(Stored("LastUndo"), App("RBackup/ZUvezod.reu")) << c.name;
  }
}

TEST_F(ExpertModelTest, RestoreAsksBeforePuttingBackAnOriginalEditedSinceTheMigration) {
  Replaced();
  const std::string edited = testing::ReadFileBytes(App("DataModule.pas")) + "// edited\r\n";
  testing::WriteFileBytes(App("DataModule.pas"), edited);
  const std::string question = "question: These files were changed after the migration:\n" +
                               App("DataModule.pas") +
                               "\n\nRestore them anyway? The text they have now is kept beside "
                               "their backups.";
  // No: nothing is restored, nothing is said after, the project is back.
  view_.wizard_scripts = {FinishRestore()};
  view_.save_answers = {true};
  view_.yes_no_answers = {false};
  expert_.MenuClick();
  EXPECT_EQ(view_.shown,
            (std::vector<std::string>{"wizard", "save warning: restore", "restore", question}));
  EXPECT_EQ(testing::ReadFileBytes(App("DataModule.pas")), edited);
  EXPECT_EQ(host_->Calls().back(), "OpenProject " + App("Orders.dpr"));
  // Yes: restored with force.
  view_.shown.clear();
  view_.wizard_scripts = {FinishRestore()};
  view_.save_answers = {true};
  view_.yes_no_answers = {true};
  expert_.MenuClick();
  ASSERT_EQ(view_.shown.size(), 6u);
  EXPECT_EQ(view_.shown[3], question);
  EXPECT_EQ(view_.shown[4], "restore forced");
  EXPECT_EQ(view_.shown[5].rfind("information: Files were succefully restored.\n", 0), 0u);
  EXPECT_EQ(testing::ReadFileBytes(App("DataModule.pas")), Original("DataModule.pas"));
}

}  // namespace
}  // namespace tolvern
