// End-to-end: BDE aliases become connections. A profile maps each alias to
// an existing component or to a new connection in a data module the run
// creates and brings into the project; an alias it does not map leaves a
// to-do item on each of its data sets; restore removes what the run created.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::Lines;
using testing::ReadFileBytes;
using testing::RunTolvern;
using testing::ScratchDir;
using testing::Snapshot;
using testing::WriteFileBytes;
namespace fs = std::filesystem;

const std::string kLedger = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/aliases";
const std::string kProfile = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/aliases.json";
// The data sets of the application whose DatabaseName is an alias.
constexpr int kDataSetsOnAliases = 6;

std::string CopyLedger(const ScratchDir& dir) {
  const std::string tree = dir / "ledger";
  fs::copy(testing::NativePath(kLedger), testing::NativePath(tree), fs::copy_options::recursive);
  return tree;
}

std::vector<std::string> Source(const std::string& tree, bool project_mode) {
  return project_mode ? std::vector<std::string>{"--project", tree + "/Ledger.dpr"}
                      : std::vector<std::string>{"--folder", tree};
}

testing::CommandResult Migrate(const std::string& tree, bool project_mode,
                               std::vector<std::string> more) {
  std::vector<std::string> args = {"migrate"};
  for (const std::string& a : Source(tree, project_mode)) args.push_back(a);
  for (const char* a : {"--no-log", "-q"}) args.push_back(a);
  args.insert(args.end(), more.begin(), more.end());
  return RunTolvern(args);
}

// Every file of the tree but the backups, the logs and the undo files.
std::map<std::string, std::string> Sources(const std::string& tree) {
  std::map<std::string, std::string> files;
  for (const auto& [path, bytes] : Snapshot(tree))
    if (path.find('/') == std::string::npos && path.rfind("Wiz_", 0) != 0) files[path] = bytes;
  return files;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(AliasConnectionsTest, AProfileMakesTheExpectedFilesInBothModes) {
  const auto expected = Snapshot(kLedger + ".expected");
  for (const bool project_mode : {true, false}) {
    for (const char* jobs : {"1", "3"}) {
      ScratchDir dir;
      const std::string tree = CopyLedger(dir);
      const auto r =
          Migrate(tree, project_mode, {"--no-backup", "--profile", kProfile, "-j", jobs});
      EXPECT_EQ(r.exit_code, 0) << r.err;
      // The units, the forms with every data set's Connection, the project
      // file's uses clause and CreateForm, and the created module.
      EXPECT_EQ(Sources(tree), expected) << (project_mode ? "project" : "folder") << " -j" << jobs;
    }
  }
}

TEST(AliasConnectionsTest, WithoutAMappingEachDataSetOnAnAliasHasItsTodoItem) {
  ScratchDir dir;
  const std::string tree = CopyLedger(dir);
  const auto todo = RunTolvern({"todo", "--project", tree + "/Ledger.dpr"});
  EXPECT_EQ(todo.exit_code, 0) << todo.err;
  int items = 0;
  for (const std::string& line : Lines(todo.out))
    if (line.find("so it is a BDE alias: map alias") != std::string::npos) ++items;
  EXPECT_EQ(items, kDataSetsOnAliases) << todo.out;
  // Nothing is created without a mapping.
  EXPECT_EQ(Migrate(tree, true, {"--no-backup"}).exit_code, 0);
  EXPECT_FALSE(fs::exists(tree + "/NxConnections.pas"));
}

TEST(AliasConnectionsTest, RestoreRemovesTheModuleAndKeepsAnEditOnlyWhenForced) {
  ScratchDir dir;
  const std::string tree = CopyLedger(dir);
  const auto before = Sources(tree);
  ASSERT_EQ(Migrate(tree, true, {"--profile", kProfile}).exit_code, 0);
  const std::string undo = tree + "/RBackup/ZUvezod.reu";
  EXPECT_EQ(Count(ReadFileBytes(undo), "NxConnections"), 2);
  const auto r = RunTolvern({"restore", undo});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Sources(tree), before);

  // A module edited after the run is not thrown away unless asked, and then
  // its text is kept.
  ASSERT_EQ(Migrate(tree, true, {"--profile", kProfile}).exit_code, 0);
  const std::string undo2 = tree + "/RBackup/ZUvezod.2.reu";
  const std::string unit = dir / "ledger/NxConnections.pas";
  const std::string edited = ReadFileBytes(unit) + "// set up by hand\r\n";
  WriteFileBytes(unit, edited);
  const auto after_run = Sources(tree);
  const auto refused = RunTolvern({"restore", undo2});
  EXPECT_EQ(refused.exit_code, 1);
  EXPECT_NE(refused.err.find(unit), std::string::npos) << refused.err;
  EXPECT_EQ(Sources(tree), after_run);
  const auto forced = RunTolvern({"restore", "--force", undo2});
  EXPECT_EQ(forced.exit_code, 0) << forced.err;
  EXPECT_EQ(Sources(tree), before);
  EXPECT_EQ(ReadFileBytes(tree + "/RBackup/NxConnections.edited.pas"), edited);
}

TEST(AliasConnectionsTest, AWrittenProfileBindsEveryDataSet) {
  ScratchDir dir;
  const std::string tree = CopyLedger(dir);
  const std::string profile = dir / "aliases.json";
  const auto listed = RunTolvern({"aliases", "--folder", tree, "--write-profile", profile});
  ASSERT_EQ(listed.exit_code, 0) << listed.err;
  EXPECT_NE(listed.out.find("LEDGER: 3 data set(s) (frmMain, frmReports) -> nothing"),
            std::string::npos)
      << listed.out;
  // An existing file is never replaced.
  const std::string written = ReadFileBytes(profile);
  EXPECT_EQ(RunTolvern({"aliases", "--folder", tree, "--write-profile", profile}).exit_code, 1);
  EXPECT_EQ(ReadFileBytes(profile), written);
  // Used as written, it binds every data set: none left for a person.
  const auto r =
      Migrate(tree, false, {"--no-backup", "--profile", profile, "--report", dir / "report.json"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string forms =
      ReadFileBytes(tree + "/Main.dfm") + ReadFileBytes(tree + "/Reports.dfm");
  EXPECT_EQ(Count(forms, "Connection = "), kDataSetsOnAliases + 1);  // + one on a TDatabase
  const std::string report = ReadFileBytes(dir / "report.json");
  EXPECT_EQ(Count(report, "\"unmapped\""), 0);
  EXPECT_EQ(Count(report, "\"create\""), 4);
  EXPECT_EQ(Count(ReadFileBytes(tree + "/NxConnections.dfm"), ": TNXConnection"), 4);
}

TEST(AliasConnectionsTest, TheModuleNeverReplacesAFile) {
  // A file of the default name takes the next number; a name the profile
  // gives stops the run with nothing changed.
  ScratchDir dir;
  const std::string tree = CopyLedger(dir);
  WriteFileBytes(tree + "/NxConnections.dfm", "mine");
  ASSERT_EQ(Migrate(tree, true, {"--no-backup", "--profile", kProfile}).exit_code, 0);
  EXPECT_EQ(ReadFileBytes(tree + "/NxConnections.dfm"), "mine");
  EXPECT_NE(ReadFileBytes(tree + "/NxConnections2.pas").find("TdmNxConnections2"),
            std::string::npos);
  EXPECT_NE(ReadFileBytes(tree + "/Main.dfm").find("dmNxConnections2.conLEDGER"),
            std::string::npos);

  ScratchDir dir2;
  const std::string tree2 = CopyLedger(dir2);
  const std::string named = dir2 / "named.json";
  WriteFileBytes(named, "{\"aliasModule\": \"Conn\", \"aliases\": {\"LEDGER\": {}}}");
  WriteFileBytes(tree2 + "/Conn.pas", "mine");
  const auto before = Snapshot(tree2);
  const auto r = Migrate(tree2, true, {"--profile", named});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("aliasModule"), std::string::npos) << r.err;
  EXPECT_EQ(Snapshot(tree2), before);
}

}  // namespace
}  // namespace tolvern
