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
#include "expert_fake_view.h"
#include "files/file_utils.h"
#include "ide/project_host.h"
#include "platform/disk.h"
#include "platform/settings_store.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

using testing::FakeView;
using testing::Finish;
using testing::FinishRestore;
using testing::kTitle;
using testing::UnsavableHost;
using testing::WizardScript;

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
      "\nLeft to do by hand: 2 error(s), 2 warning(s) and 4 note(s), listed in " +
      App("Wiz_Todo.1.txt") + "\nThe latest run's list is always in " + App("Wiz_Todo.txt") +
      ".\nBackups and undo file: " + App("RBackup") +
      "\nUndo file of this run: " + App("RBackup/ZUvezod.reu") +
      "\nReport: " + App("Wiz_Report.html");
  EXPECT_EQ(view_.shown,
            (std::vector<std::string>{"wizard", "save warning: project", "execute", outcome}));
  EXPECT_EQ(view_.outcome.log_path, App("Wiz_Log.txt"));
  EXPECT_EQ(view_.outcome.todo.size(), 8u);
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

// A cancel asked once originals were being replaced did not stop the run:
// the outcome and the log say so; one asked just before stops it.
TEST_F(ExpertModelTest, ACancelTooLateIsSaidInTheOutcomeAndTheLog) {
  for (const bool too_late : {false, true}) {
    SCOPED_TRACE(too_late ? "too late" : "in time");
    view_.shown.clear();
    view_.execute = [too_late](TComponentReplacer& r) {
      bool cancel = false;
      r.OnPhase = [&](RunPhase p) {
        cancel = cancel || (too_late && p == RunPhase::kReplacingOriginals);
      };
      r.OnReplacingOriginals = [&] { cancel = cancel || !too_late; };
      r.CancelRequested = [&] { return cancel; };
      const bool ok = r.Execute();
      r.OnPhase = nullptr;
      r.OnReplacingOriginals = nullptr;
      r.CancelRequested = nullptr;
      return ok;
    };
    view_.wizard_scripts = {Finish()};
    view_.save_answers = {true};
    expert_.MenuClick();
    const std::string log = testing::ReadFileBytes(App("Wiz_Log.txt"));
    const std::string late = "Cancel was asked once originals were being replaced";
    if (too_late) {
      ASSERT_FALSE(view_.shown.empty());
      EXPECT_NE(view_.shown.back().find(late), std::string::npos) << view_.shown.back();
      EXPECT_NE(log.find(late), std::string::npos);
      EXPECT_NE(testing::ReadFileBytes(App("DataModule.pas")), Original("DataModule.pas"));
    } else {
      EXPECT_EQ(view_.shown.back(), "information: Cancelled: no original file was replaced.");
      EXPECT_EQ(testing::ReadFileBytes(App("DataModule.pas")), Original("DataModule.pas"));
    }
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
