// The summary says what will run: the family the chosen mode replaces, the
// folder's subfolders, the units outside the project, read-only files, the
// profile, and a run without backup; and "Make backup" off is remembered
// for its own project only.
#include <gtest/gtest.h>

#include "ide/project_host.h"
#include "platform/settings_store.h"
#include "test_support.h"
#include "wizard/wizard_model.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

class WizardSummaryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("app/A.pas", "");
    project_ = dir_.Write("app/App.dpr", "program App; uses A in 'A.pas';");
    host_.Load(project_);
    wizard_.ProductName = "Nexa";
    wizard_.Options = &options_;
  }
  // Goes from the first page to the summary with the given choices.
  void ToSummary(const std::function<void(NXWizardModel&)>& on_options) {
    wizard_.Show();
    wizard_.ModeReplace = true;
    wizard_.ModeReplaceAdo = false;
    wizard_.FollowUses = wizard_.IncludeReadOnly = wizard_.DropOldUnits = false;
    wizard_.MakeBackup = true;
    wizard_.ProfileFile.clear();
    wizard_.GoNext();  // the replace mode's page
    wizard_.GoNext();  // project or folder
    wizard_.GoNext();  // the units, or the folder
    on_options(wizard_);
    wizard_.GoNext();
    ASSERT_EQ(wizard_.Page(), WizardPage::kFinal);
  }

  ScratchDir dir_;
  std::string project_;
  ProjectHost host_;
  ScopedIdeServices services_{&host_};
  TReplaceOptions options_{"BDE/ADO"};
  NXWizardModel wizard_;
};

TEST_F(WizardSummaryTest, TheSummaryNamesEveryChoiceThatChangesTheRun) {
  struct Case {
    const char* name;
    std::function<void(NXWizardModel&)> choose;
    std::vector<std::string> present, absent;
  };
  const std::vector<Case> cases = {
      {"ado mode",
       [](NXWizardModel& w) {
         w.ModeReplace = false;
         w.ModeReplaceAdo = true;
       },
       {"Mode: Replace ADO components\n\n"},
       {"BDE/ADO", "No backup"}},
      {"bde mode and units outside",
       [](NXWizardModel& w) { w.FollowUses = true; },
       {"Mode: Replace BDE components\n\n", "Migrate used units outside the project\n\n"},
       {"Include subfolders", "read-only"}},
      {"read-only, profile, no backup",
       [](NXWizardModel& w) {
         w.IncludeReadOnly = true;
         w.DropOldUnits = true;
         w.ProfileFile = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/aliases.json";
         w.MakeBackup = false;
       },
       {"Migrate read-only files too\n\n", "tests/data/aliases.json\"\n\n",
        "Remove the old units from uses clauses where nothing needs them\n\n",
        "No backup: this run cannot be undone\n\n"},
       {"Backup dir:"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToSummary(c.choose);
    for (const std::string& line : c.present)
      EXPECT_NE(wizard_.Summary.find(line), std::string::npos) << wizard_.Summary;
    for (const std::string& line : c.absent)
      EXPECT_EQ(wizard_.Summary.find(line), std::string::npos) << wizard_.Summary;
  }
}

TEST_F(WizardSummaryTest, FolderModeNamesItsSubfolders) {
  options_.Dest = RunSource::kFolder;
  options_.Directory = dir_ / "app";
  options_.IncludeSubDirs = true;
  ToSummary([](NXWizardModel& w) { w.FollowUses = true; });
  EXPECT_NE(wizard_.Summary.find("Include subfolders\n\n"), std::string::npos);
  // Units outside a project mean nothing to a folder run.
  EXPECT_EQ(wizard_.Summary.find("outside the project"), std::string::npos);
}

TEST_F(WizardSummaryTest, BackupOffIsRememberedForItsProjectOnly) {
  const std::string section = "BDE/ADO Migration Wizard";
  {
    TRegIniFile reg(dir_.RegistryKey(), dir_ / "registry.json");
    ToSummary([](NXWizardModel& w) { w.MakeBackup = false; });
    wizard_.Finish();
    options_.SaveToRegistry(reg, section);
    wizard_.SaveSettings(reg, section);
  }
  auto backup_on_open = [&](const std::string& project) {
    host_.Load(project);
    TReplaceOptions options{"BDE/ADO"};
    NXWizardModel next;
    next.Options = &options;
    TRegIniFile reg(dir_.RegistryKey(), dir_ / "registry.json");
    options.LoadFromRegistry(reg, section);
    next.LoadSettings(reg, section);
    next.Show();
    return next.MakeBackup;
  };
  // The same project keeps backup off; another starts with it on.
  EXPECT_FALSE(backup_on_open(project_));
  EXPECT_TRUE(backup_on_open(dir_.Write("other/Other.dpr", "program Other;")));
}

}  // namespace
}  // namespace tolvern
