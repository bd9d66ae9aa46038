// The wizard's profile and Aliases step: a profile that cannot be used is
// refused on the options page with its problems; the profile is remembered
// per project; the Aliases step appears when the scan finds aliases, and its
// choices run exactly as the profile they make: on an alias-only
// application, "new connection" for every alias gives the bytes `tolvern
// migrate --profile` gives with that profile saved, every data set bound.
#include <gtest/gtest.h>

#include <filesystem>

#include "data/sqlite_writer.h"
#include "engine/nx_replacer.h"
#include "expert_fake_view.h"
#include "ide/project_host.h"
#include "platform/settings_store.h"
#include "sqlite_rows.h"
#include "table_files.h"
#include "test_support.h"
#include "wizard/expert_model.h"
#include "wizard/wizard_model.h"

namespace tolvern {
namespace {

using testing::ScratchDir;
namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

std::string AliasesApp() { return std::string(TOLVERN_SOURCE_DIR) + "/tests/data/aliases"; }

// The application's sources and the files a run creates beside them.
Files Sources(const std::string& root) {
  Files files;
  for (auto& [path, bytes] : testing::Snapshot(root)) {
    const std::string ext = fs::path(path).extension().string();
    if (ext == ".pas" || ext == ".dfm" || ext == ".dpr") files[path] = bytes;
  }
  return files;
}

class AliasStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(AliasesApp(), dir_ / "app");
    host_.Load(dir_ / "app/Ledger.dpr");
    wizard_.ProductName = "Nexa";
    wizard_.Options = &options_;
  }
  // From the first page to the options page.
  void ToOptions() {
    wizard_.Show();
    while (wizard_.Page() != WizardPage::kStep4) ASSERT_EQ(wizard_.GoNext().text, "");
  }

  ScratchDir dir_;
  ProjectHost host_;
  ScopedIdeServices services_{&host_};
  TReplaceOptions options_{"BDE/ADO"};
  NXWizardModel wizard_;
};

TEST_F(AliasStepTest, AProfileThatCannotBeUsedIsRefusedWithItsProblems) {
  struct Case {
    const char* name;
    std::string text;  // "" for a file that is not there
    std::string problem;
  } cases[] = {
      {"missing", "", "cannot be read"},
      {"not json", "{\"aliases\": ", "JSON"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ToOptions();
    wizard_.ProfileFile = c.text.empty() ? dir_ / "none.json" : dir_.Write("bad.json", c.text);
    const WizardMessage m = wizard_.GoNext();
    EXPECT_EQ(wizard_.Page(), WizardPage::kStep4);
    EXPECT_EQ(m.focus, "edProfile");
    EXPECT_EQ(m.text.rfind("The profile \"" + wizard_.ProfileFile + "\" cannot be used:", 0), 0u)
        << m.text;
    EXPECT_NE(m.text.find(c.problem), std::string::npos) << m.text;
  }
}

TEST_F(AliasStepTest, TheProfileIsRememberedForItsProject) {
  const std::string section = "BDE/ADO Migration Wizard";
  const std::string profile = dir_.Write("p.json", "{\"name\": \"p\"}");
  ToOptions();
  wizard_.ProfileFile = profile;
  {
    TRegIniFile reg(dir_.RegistryKey(), dir_ / "registry.json");
    wizard_.SaveSettings(reg, section);
  }
  auto profile_on_open = [&](const std::string& project) {
    host_.Load(project);
    NXWizardModel next;
    next.Options = &options_;
    TRegIniFile reg(dir_.RegistryKey(), dir_ / "registry.json");
    next.LoadSettings(reg, section);
    next.Show();
    return next.ProfileFile;
  };
  EXPECT_EQ(profile_on_open(dir_ / "app/Ledger.dpr"), profile);
  EXPECT_EQ(profile_on_open(dir_.Write("other/O.dpr", "program O;")), "");
}

TEST_F(AliasStepTest, TheStepAppearsForAliasesAndRefusesABindingWithoutAComponent) {
  wizard_.ScanAliases = [](const WizardModel&) {
    return std::vector<AliasReport>{{"LEDGER", 3, {"Main.dfm"}, AliasAction::kUnmapped, ""},
                                    {"MISC", 1, {"Reports.dfm"}, AliasAction::kUnmapped, ""}};
  };
  ToOptions();
  ASSERT_EQ(wizard_.GoNext().text, "");
  ASSERT_EQ(wizard_.Page(), WizardPage::kAliases);
  EXPECT_EQ(wizard_.Caption(), "Nexa Migration Wizard - Step 5 of 6");
  auto& items = wizard_.Aliases.Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].kind, AliasChoiceKind::kNew);  // unmapped: a new connection by default
  items[1].kind = AliasChoiceKind::kBind;
  WizardMessage m = wizard_.GoNext();
  EXPECT_EQ(m.focus, "lvAliases");
  EXPECT_EQ(wizard_.Page(), WizardPage::kAliases);
  items[1].bind = "frmReports.dbRemote";
  items[0].database = "ledger.nxdb";
  ASSERT_EQ(wizard_.GoNext().text, "");
  EXPECT_EQ(wizard_.Caption(), "Nexa Migration Wizard - Step 6 of 6");
  EXPECT_NE(wizard_.Summary.find("Alias LEDGER (3 data set(s)): a new connection in NxConnections, "
                                 "database ledger.nxdb\n"),
            std::string::npos)
      << wizard_.Summary;
  EXPECT_NE(wizard_.Summary.find("Alias MISC (1 data set(s)): bound to frmReports.dbRemote\n"),
            std::string::npos);
  // The choices as a profile: what the run and the command line take.
  const MappingProfile p = wizard_.Aliases.Profile();
  ASSERT_EQ(p.aliases.size(), 2u);
  EXPECT_TRUE(p.aliases[0].Creates());
  EXPECT_EQ(p.aliases[1].bind, "frmReports.dbRemote");
  wizard_.GoBack();
  EXPECT_EQ(wizard_.Page(), WizardPage::kAliases);
}

class AliasStepExpertTest : public AliasStepTest {
 protected:
  NXReplacerScope library_;
  testing::FakeView view_;
  RealDisk disk_;
  ExpertModel expert_{view_, disk_, "&Nexa", BdeReplacer};
};

TEST_F(AliasStepExpertTest, NewConnectionsGiveTheBytesOfMigrateWithTheSavedProfile) {
  expert_.AddReplacer(AdoReplacer);
  expert_.KeepSettingsIn(dir_.RegistryKey(), dir_ / "registry.json");
  std::string profile_text;
  int aliases_seen = 0;
  view_.wizard_scripts = {[&](WizardModel& w) {
    while (w.Page() != WizardPage::kAliases && w.CanNext())
      if (!w.GoNext().text.empty()) return false;
    aliases_seen = static_cast<int>(w.Aliases.Items().size());
    for (AliasChoice& c : w.Aliases.Items()) {
      c.kind = AliasChoiceKind::kNew;
      c.database = c.alias + ".nxdb";
    }
    profile_text = w.Aliases.ProfileText();
    while (w.CanNext()) w.GoNext();
    return w.Finish().kind == WizardMessage::Kind::kNone;
  }};
  view_.save_answers = {true};
  expert_.MenuClick();
  ASSERT_GT(aliases_seen, 0);
  ASSERT_FALSE(view_.shown.empty());
  EXPECT_NE(view_.shown.back().find("data sets left unbound: 0"), std::string::npos)
      << view_.shown.back();
  // The same choices as a profile, through the command line, on a copy.
  fs::copy(AliasesApp(), dir_ / "cli");
  const std::string profile = dir_.Write("aliases-choices.json", profile_text);
  const auto r = testing::RunTolvern(
      {"migrate", "--project", dir_ / "cli/Ledger.dpr", "--profile", profile, "-q"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  Files wizard_files = Sources(dir_ / "app"), cli_files = Sources(dir_ / "cli");
  ASSERT_EQ(wizard_files.size(), cli_files.size());
  for (const auto& [path, bytes] : wizard_files) {
    ASSERT_TRUE(cli_files.count(path)) << path;
    EXPECT_EQ(cli_files[path], bytes) << path;
  }
}

// With the data moved too: the folder typed for an alias goes into the
// run's profile, its tables into the alias's database beside the log, the
// outcome names them; an alias left without a folder keeps the outcome from
// being a success.
TEST_F(AliasStepExpertTest, TheTablesOfAnAliasMoveWithTheRun) {
  if (!data::SqliteAvailable()) GTEST_SKIP() << "built without SQLite";
  testing::PxLayout px;
  px.fields = {{0x04, 4, "Id"}};
  px.records = {{testing::PxLong(7)}, {testing::PxLong(8)}};
  dir_.Write("tables/cust.db", testing::ParadoxFile(px));
  expert_.KeepSettingsIn(dir_.RegistryKey(), dir_ / "registry.json");
  std::string summary;
  view_.wizard_scripts = {[&](WizardModel& w) {
    while (w.Page() != WizardPage::kAliases && w.CanNext())
      if (!w.GoNext().text.empty()) return false;
    w.Aliases.move_data = true;
    for (AliasChoice& c : w.Aliases.Items()) c.kind = AliasChoiceKind::kLeave;
    AliasChoice& first = w.Aliases.Items().front();
    first.kind = AliasChoiceKind::kNew;
    first.data_folder = dir_ / "tables";
    while (w.CanNext()) w.GoNext();
    summary = w.Summary;
    return w.Finish().kind == WizardMessage::Kind::kNone;
  }};
  view_.save_answers = {true};
  expert_.MenuClick();
  EXPECT_NE(summary.find("; its tables moved from " + (dir_ / "tables") + "\n"), std::string::npos)
      << summary;
  EXPECT_NE(summary.find("Move the tables' data: into Wiz_Data_ALIAS.sql and .sqlite"),
            std::string::npos)
      << summary;
  ASSERT_FALSE(view_.shown.empty());
  const std::string& outcome = view_.shown.back();
  EXPECT_NE(outcome.find("Data of alias LEDGER (" + (dir_ / "tables") +
                         "): 1 table, 2 rows moved into Wiz_Data_LEDGER.sql and "
                         "Wiz_Data_LEDGER.sqlite"),
            std::string::npos)
      << outcome;
  EXPECT_EQ(testing::SqliteRows(dir_ / "app/Wiz_Data_LEDGER.sqlite", "cust"),
            (std::vector<std::string>{"i:7", "i:8"}));
  // The other aliases were left without a folder: their tables did not
  // move, and the outcome is not a success.
  EXPECT_NE(outcome.find("not moved: no profile gives the alias's table folder"), std::string::npos)
      << outcome;
  EXPECT_EQ(outcome.rfind("outcome error: ", 0), 0u) << outcome;
}

}  // namespace
}  // namespace tolvern
