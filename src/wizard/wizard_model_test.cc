#include "wizard/wizard_model.h"

#include <gtest/gtest.h>

#include "ide/project_host.h"
#include "parsing/source_families.h"
#include "platform/settings_store.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

class WizardModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("app/A.pas", "");
    dir_.Write("app/B.PAS", "");
    dir_.Write("app/C.pas", "");
    dir_.Write("app/R.res", "");
    project_ = dir_.Write(
        "app/App.dpr", "program App; uses A in 'A.pas', B in 'B.PAS', C in 'C.pas', R in 'R.res';");
    host_.Load(project_);
    wizard_.ProductName = "Nexa";
    wizard_.Options = &options_;
  }
  void Open() { wizard_.Show(); }

  ScratchDir dir_;
  std::string project_;
  ProjectHost host_;
  ScopedIdeServices services_{&host_};
  TReplaceOptions options_{"BDE/ADO"};
  NXWizardModel wizard_;
};

TEST_F(WizardModelTest, StepsOfReplaceAndRestore) {
  Open();
  EXPECT_EQ(wizard_.Caption(), "Nexa Migration Wizard - Step 1 of 5");
  wizard_.ModeRestore = true, wizard_.ModeReplace = false;
  EXPECT_EQ(wizard_.Caption(), "Nexa Migration Wizard - Step 1 of 3");
  wizard_.GoNext();
  EXPECT_EQ(wizard_.Page(), WizardPage::kStep2Restore);
  EXPECT_FALSE(wizard_.CanNext());  // no undo file typed
  wizard_.UndoFile = dir_ / "missing.reu";
  ASSERT_TRUE(wizard_.CanNext());
  WizardMessage m = wizard_.GoNext();
  EXPECT_EQ(m.kind, WizardMessage::Kind::kMessageBox);
  EXPECT_EQ(m.text, "Undo file \"" + (dir_ / "missing.reu") + "\" does not exist.");
  EXPECT_EQ(m.focus, "edUndoFile");
  EXPECT_EQ(wizard_.Page(), WizardPage::kStep2Restore);
  wizard_.UndoFile = dir_.Write("app/RBackup/ZUvezod.reu", "");
  EXPECT_EQ(wizard_.GoNext().kind, WizardMessage::Kind::kNone);
  EXPECT_EQ(wizard_.Page(), WizardPage::kFinal);
  EXPECT_EQ(wizard_.Caption(), "Nexa Migration Wizard - Step 3 of 3");
  EXPECT_EQ(wizard_.Summary, "Mode: Restore original files from backup\n\nUndo file: \"" +
                                 wizard_.UndoFile + "\"\n\n");
  EXPECT_TRUE(wizard_.CanFinish());
  EXPECT_FALSE(wizard_.CanNext());
  EXPECT_EQ(wizard_.GetMode(), WizardMode::kRestore);
  wizard_.GoBack();
  EXPECT_EQ(wizard_.Page(), WizardPage::kStep2Restore);
}

TEST_F(WizardModelTest, ReplaceInProjectModeWithSummaryAndFinish) {
  Open();
  EXPECT_TRUE(wizard_.DestProjectEnabled && wizard_.DestProject);
  EXPECT_FALSE(wizard_.CanBack());
  wizard_.GoNext();
  wizard_.GoNext();
  ASSERT_EQ(wizard_.Page(), WizardPage::kStep3Proj);
  ASSERT_EQ(wizard_.Modules.size(), 3u);  // the .res module is not a unit
  EXPECT_EQ(wizard_.Modules[1].name, "B.PAS");
  wizard_.Modules[1].checked = false;
  // Back and Next keep the check marks.
  wizard_.GoBack();
  wizard_.GoNext();
  EXPECT_FALSE(wizard_.Modules[1].checked);
  wizard_.GoNext();
  ASSERT_EQ(wizard_.Page(), WizardPage::kStep4);
  EXPECT_EQ(wizard_.BackupDir, dir_ / "app/RBackup");
  wizard_.ViewLog = true;
  EXPECT_FALSE(wizard_.FollowUses);
  wizard_.FollowUses = true;
  wizard_.GoNext();
  EXPECT_EQ(wizard_.Caption(), "Nexa Migration Wizard - Step 5 of 5");
  EXPECT_EQ(wizard_.Summary,
            "Mode: Replace BDE components\n\nScan destination: Current open "
            "project\n\nMigrate used units outside the project\n\nBackup dir: \"" +
                (dir_ / "app/RBackup") +
                "\"\n\nWrite log file\n\nView log afer replace\n\nUnits list:\nA.pas\nC.pas\n");
  wizard_.Finish();
  EXPECT_EQ(options_.Dest, RunSource::kProject);
  EXPECT_EQ(options_.Units, "A.pas\r\nC.pas\r\n");
  // The list stays whole, for a return to the summary.
  ASSERT_EQ(wizard_.Modules.size(), 3u);
  EXPECT_FALSE(wizard_.Modules[1].checked);
  EXPECT_EQ(options_.BackupDir, dir_ / "app/RBackup");
  EXPECT_TRUE(options_.ViewLog);
  EXPECT_TRUE(options_.FollowUses);
  EXPECT_EQ(wizard_.GetMode(), WizardMode::kReplaceBde);
  // Closing empties the list; a new showing checks every unit again.
  wizard_.Close();
  Open();
  wizard_.GoNext();
  wizard_.GoNext();
  EXPECT_EQ(wizard_.Modules.size(), 3u);
  EXPECT_TRUE(wizard_.Modules[1].checked);
  // The options the last Finish wrote are shown again.
  EXPECT_TRUE(wizard_.FollowUses);
}

TEST_F(WizardModelTest, NoUnitSelectedIsRefused) {
  Open();
  wizard_.GoNext();
  wizard_.GoNext();
  wizard_.SelectAll(false);
  WizardMessage m = wizard_.GoNext();
  EXPECT_EQ(m.kind, WizardMessage::Kind::kInformationDialog);
  EXPECT_EQ(m.text, "At least one unit should be selected.");
  EXPECT_EQ(m.focus, "lbModules");
  EXPECT_EQ(wizard_.Page(), WizardPage::kStep3Proj);
}

// The page the user leaves decides the source of the run, whatever the
// location page's choice says by then; and no road to Finish takes a project
// run without a unit.
TEST_F(WizardModelTest, TheSummaryAndTheRunFollowThePagesShown) {
  struct Case {
    const char* name;
    bool choose_project;       // on the location page
    bool flip_after_location;  // the choice changes once step 3 shows
    WizardPage step3;
    RunSource dest;
  } cases[] = {
      {"project", true, false, WizardPage::kStep3Proj, RunSource::kProject},
      {"project, then folder late", true, true, WizardPage::kStep3Proj, RunSource::kProject},
      {"folder", false, false, WizardPage::kStep3Dir, RunSource::kFolder},
      {"folder, then project late", false, true, WizardPage::kStep3Dir, RunSource::kFolder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NXWizardModel w;
    w.ProductName = "Nexa";
    w.Options = &options_;
    options_.Directory = dir_ / "app";
    w.Show();
    w.GoNext();
    w.DestProject = c.choose_project, w.DestFolder = !c.choose_project;
    w.GoNext();
    ASSERT_EQ(w.Page(), c.step3);
    if (c.flip_after_location) w.DestProject = !w.DestProject, w.DestFolder = !w.DestFolder;
    ASSERT_EQ(w.GoNext().kind, WizardMessage::Kind::kNone);
    ASSERT_EQ(w.GoNext().kind, WizardMessage::Kind::kNone);
    ASSERT_EQ(w.Page(), WizardPage::kFinal);
    const bool project = c.dest == RunSource::kProject;
    EXPECT_EQ(w.Summary.find("Current open project") != std::string::npos, project) << w.Summary;
    EXPECT_EQ(w.Summary.find("Units list:\nA.pas\nB.PAS\nC.pas\n") != std::string::npos, project)
        << w.Summary;
    EXPECT_EQ(w.Finish().kind, WizardMessage::Kind::kNone);
    EXPECT_EQ(options_.Dest, c.dest);
  }
}

TEST_F(WizardModelTest, AProjectRunWithoutAUnitNeverReachesFinish) {
  // The location page said folder; the project is chosen behind the pages
  // after the folder page: the options page takes the user to the units.
  options_.Dest = RunSource::kFolder;
  options_.Directory = dir_ / "app";
  Open();
  wizard_.GoNext();
  wizard_.GoNext();
  ASSERT_EQ(wizard_.Page(), WizardPage::kStep3Dir);
  wizard_.GoNext();
  ASSERT_EQ(wizard_.Page(), WizardPage::kStep4);
  wizard_.DestProject = true, wizard_.DestFolder = false;
  WizardMessage m = wizard_.GoNext();
  EXPECT_EQ(m.text, "At least one unit should be selected.");
  EXPECT_EQ(m.focus, "lbModules");
  EXPECT_EQ(wizard_.Page(), WizardPage::kStep3Proj);
  EXPECT_EQ(wizard_.Modules.size(), 3u);
  // On the summary, units taken away: Finish is off and refused.
  wizard_.GoNext();
  wizard_.GoNext();
  ASSERT_EQ(wizard_.Page(), WizardPage::kFinal);
  EXPECT_TRUE(wizard_.CanFinish());
  wizard_.SelectAll(false);
  EXPECT_FALSE(wizard_.CanFinish());
  options_.Units = "kept";
  m = wizard_.Finish();
  EXPECT_EQ(m.text, "At least one unit should be selected.");
  EXPECT_EQ(wizard_.Page(), WizardPage::kStep3Proj);
  EXPECT_EQ(options_.Units, "kept");
}

TEST_F(WizardModelTest, ReturnToSummaryKeepsEveryPage) {
  Open();
  wizard_.GoNext();
  wizard_.GoNext();
  wizard_.Modules[0].checked = false;
  wizard_.GoNext();
  wizard_.EditBackupDir(dir_ / "Saved");
  wizard_.GoNext();
  const std::string summary = wizard_.Summary;
  ASSERT_EQ(wizard_.Finish().kind, WizardMessage::Kind::kNone);
  wizard_.ReturnToSummary();
  Open();
  EXPECT_EQ(wizard_.Page(), WizardPage::kFinal);
  EXPECT_EQ(wizard_.Summary, summary);
  EXPECT_FALSE(wizard_.Modules[0].checked);
  EXPECT_TRUE(wizard_.Modules[1].checked);
  EXPECT_EQ(wizard_.GetBackupDir(), dir_ / "Saved");
  // Once only: the next showing starts afresh.
  Open();
  EXPECT_EQ(wizard_.Page(), WizardPage::kStep1);
}

TEST_F(WizardModelTest, BackupFolderThatCannotBeMadeIsRefusedOnTheOptionsPage) {
  Open();
  wizard_.GoNext();
  wizard_.GoNext();
  wizard_.GoNext();
  ASSERT_EQ(wizard_.Page(), WizardPage::kStep4);
  wizard_.EditBackupDir(dir_ / "app/A.pas/sub");
  WizardMessage m = wizard_.GoNext();
  EXPECT_EQ(m.kind, WizardMessage::Kind::kMessageBox);
  EXPECT_EQ(m.text, "Backup folder \"" + (dir_ / "app/A.pas/sub") + "\" cannot be created.\n" +
                        (dir_ / "app/A.pas/sub") + ": Not a directory");
  EXPECT_EQ(m.focus, "cbBackupDir");
  EXPECT_EQ(wizard_.Page(), WizardPage::kStep4);
  // Without a backup the folder does not matter.
  wizard_.MakeBackup = false;
  EXPECT_EQ(wizard_.GoNext().kind, WizardMessage::Kind::kNone);
  EXPECT_EQ(wizard_.Page(), WizardPage::kFinal);
}

TEST_F(WizardModelTest, FolderModeBackupProposalAndUserEdits) {
  Open();
  wizard_.DestProject = false, wizard_.DestFolder = true;
  wizard_.GoNext();
  wizard_.GoNext();
  ASSERT_EQ(wizard_.Page(), WizardPage::kStep3Dir);
  EXPECT_FALSE(wizard_.CanNext());
  wizard_.Directory = dir_ / "nowhere";
  WizardMessage m = wizard_.GoNext();
  EXPECT_EQ(m.text, "Target directory \"" + (dir_ / "nowhere") + "\" does not exist.");
  EXPECT_EQ(m.focus, "cbDirectory");
  wizard_.Directory = dir_ / "app";
  wizard_.GoNext();
  EXPECT_EQ(wizard_.BackupDir, dir_ / "app/RBackup");
  // A proposal follows the folder until the user edits it.
  wizard_.GoBack();
  wizard_.Directory = dir_.path();
  wizard_.GoNext();
  EXPECT_EQ(wizard_.BackupDir, dir_ / "RBackup");
  wizard_.EditBackupDir("Old");
  EXPECT_EQ(wizard_.GetBackupDir(), dir_ / "Old");
  wizard_.GoBack();
  wizard_.Directory = dir_ / "app";
  wizard_.GoNext();
  EXPECT_EQ(wizard_.BackupDir, "Old");
  EXPECT_EQ(wizard_.GetBackupDir(), dir_ / "app/Old");
#ifdef _WIN32
  const std::string absolute = "C:\\abs\\Save";
#else
  const std::string absolute = "/abs/Save";
#endif
  wizard_.EditBackupDir(absolute);
  EXPECT_EQ(wizard_.GetBackupDir(), absolute);
  wizard_.EditBackupDir("");
  EXPECT_EQ(wizard_.GetBackupDir(), dir_ / "app/");
  wizard_.WriteLog = false;
  wizard_.ViewLog = true;
  wizard_.MakeBackup = false;
  wizard_.GoNext();
  EXPECT_EQ(wizard_.Summary, "Mode: Replace BDE components\n\nScan destination: Folder \"" +
                                 (dir_ / "app") + "\"\n\nNo backup: this run cannot be undone\n\n");
  wizard_.Finish();
  EXPECT_EQ(options_.Dest, RunSource::kFolder);
  EXPECT_EQ(options_.Directory, dir_ / "app");
}

TEST_F(WizardModelTest, NoProjectOpenAndStoredDestOutsideRange) {
  ProjectHost none;
  {
    ScopedIdeServices no_project(&none);
    options_.Dest = RunSource::kProject;
    Open();
    EXPECT_FALSE(wizard_.DestProjectEnabled);
    EXPECT_TRUE(wizard_.DestFolder);
  }
  options_.Dest = static_cast<RunSource>(7);
  Open();
  EXPECT_FALSE(wizard_.DestProject);
  EXPECT_FALSE(wizard_.DestFolder);
  wizard_.GoNext();
  wizard_.GoNext();
  EXPECT_EQ(wizard_.Page(), WizardPage::kStep3Dir);
  wizard_.Directory = dir_ / "app";
  wizard_.GoNext();
  wizard_.GoNext();
  wizard_.Finish();
  EXPECT_EQ(options_.Dest, RunSource::kFolder);
}

TEST_F(WizardModelTest, HistoriesKeepTenNewestWithoutDuplicates) {
  std::vector<std::string> history;
  for (int i = 0; i < 11; ++i) WizardModel::AddToHistory("C:\\F" + std::to_string(i), history);
  ASSERT_EQ(history.size(), 10u);
  EXPECT_EQ(history.front(), "C:\\F10");
  EXPECT_EQ(history.back(), "C:\\F1");
  WizardModel::AddToHistory("c:\\f5", history);
  EXPECT_EQ(history.front(), "C:\\F10");
  WizardModel::AddToHistory("", history);
  EXPECT_EQ(history.size(), 10u);
}

TEST_F(WizardModelTest, SettingsAndModesAreRemembered) {
  TRegIniFile reg(dir_.RegistryKey(), dir_ / "registry.json");
  const std::string section = options_.GetTitle();
  Open();
  wizard_.LoadSettings(reg, section);  // first run: defaults
  EXPECT_TRUE(wizard_.ModeReplace);
  EXPECT_FALSE(wizard_.ModeRestore);
  EXPECT_EQ(wizard_.UndoFile, "");
  EXPECT_TRUE(wizard_.DirHistory.empty());

  // ADO mode: GetMode 1, and the next dialog opens in restore mode.
  wizard_.ModeReplace = false, wizard_.ModeReplaceAdo = true;
  EXPECT_EQ(wizard_.GetMode(), WizardMode::kReplaceAdo);
  wizard_.GoNext();
  wizard_.GoNext();
  wizard_.GoNext();
  wizard_.GoNext();
  wizard_.Finish();
  // The undo file the run wrote is the one remembered, numbered or not.
  wizard_.ReplaceRunEnded(dir_ / "app/RBackup/ZUvezod.reu");
  wizard_.SaveSettings(reg, section);
  EXPECT_EQ(reg.ReadString(section, "ReplaceMode", ""), "0");
  EXPECT_EQ(reg.ReadString(section, "LastUndo", ""), dir_ / "app/RBackup/ZUvezod.reu");
  EXPECT_EQ(reg.ReadString(section, "BackDirHistory", ""), (dir_ / "app/RBackup") + "\r\n");

  NXWizardModel next;
  next.Options = &options_;
  next.Show();
  next.LoadSettings(reg, section);
  EXPECT_TRUE(next.ModeRestore);
  EXPECT_FALSE(next.ModeReplaceAdo);
  EXPECT_EQ(next.UndoFile, dir_ / "app/RBackup/ZUvezod.reu");
  EXPECT_EQ(next.BackDirHistory, std::vector<std::string>{dir_ / "app/RBackup"});
  // A run that backed nothing up keeps the earlier undo file on offer; a
  // newer one takes its place.
  next.ReplaceRunEnded("");
  EXPECT_EQ(next.LastUndo, dir_ / "app/RBackup/ZUvezod.reu");
  next.ReplaceRunEnded(dir_ / "app/RBackup/ZUvezod.2.reu");
  next.SaveSettings(reg, section);
  EXPECT_EQ(reg.ReadString(section, "LastUndo", ""), dir_ / "app/RBackup/ZUvezod.2.reu");
  // A restore of another undo file leaves it; the restore of it clears it.
  next.RestoreRunEnded(dir_ / "app/RBackup/ZUvezod.reu");
  EXPECT_EQ(next.LastUndo, dir_ / "app/RBackup/ZUvezod.2.reu");
  next.RestoreRunEnded(dir_ / "app/RBackup/ZUvezod.2.reu");
  next.SaveSettings(reg, section);
  EXPECT_EQ(reg.ReadString(section, "LastUndo", "x"), "");
  // Without a backup the last undo file is forgotten.
  next.ReplaceRunEnded(dir_ / "app/RBackup/ZUvezod.3.reu");
  next.MakeBackup = false;
  next.ReplaceRunEnded("");
  next.SaveSettings(reg, section);
  EXPECT_EQ(reg.ReadString(section, "LastUndo", "x"), "");
}

TEST_F(WizardModelTest, WelcomeTextAndMailLink) {
  wizard_.SetWelcomeText("BDE/ADO", "Nexa");
  EXPECT_EQ(
      wizard_.WelcomeText,
      "Wizard facilitates converting your application to Nexa. It replaces all standard BDE/ADO "
      "components to corresponding Nexa components. You may need to make some changes manually "
      "to compile your application successfully.");
  EXPECT_EQ(NXWizardModel::MailLink().rfind("mailto:", 0), 0u);
  EXPECT_NE(NXWizardModel::MailLink().find("?CC=&subject=Migrate from%20another%20components"),
            std::string::npos);
}

}  // namespace
}  // namespace tolvern

namespace tolvern {
namespace {

// The replace modes come from the table of source families, numbered as the
// library's replacers, with the captions the dialogs show.
TEST(WizardModesTest, OneReplaceModePerSourceFamily) {
  const std::vector<WizardModeChoice> modes = NXWizardModel::ReplaceModes();
  ASSERT_EQ(modes.size(), BuiltinProfiles().size());
  EXPECT_EQ(modes[0].mode, WizardMode::kReplaceBde);
  EXPECT_EQ(modes[0].caption, WizardModel().ReplaceCaption);
  EXPECT_EQ(modes[1].mode, WizardMode::kReplaceAdo);
  EXPECT_EQ(modes[1].caption, NXWizardModel::kAdoCaption);
}

}  // namespace
}  // namespace tolvern
