// End-to-end over a small BDE application whose project file starts in one
// of three modes (a form created in each branch of an if): the connection
// module is created on every start path, the old library's units go where
// nothing needs them (with --drop-old-units) and are listed either way, a
// data set of a class the run does not convert is an error on any form, and
// a unit whose form now refers to another form's component uses its unit.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::Lines;
using testing::ReadFileBytes;
using testing::RunTolvern;
using testing::ScratchDir;
using testing::WriteFileBytes;
namespace fs = std::filesystem;

const std::string kModes = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/start-paths";
const std::string kProfile = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/start-paths.json";
constexpr const char* kCreate = "Application.CreateForm(TdmNxConnections, dmNxConnections);";

std::string CopyModes(const ScratchDir& dir) {
  const std::string tree = dir / "modes";
  fs::copy(testing::NativePath(kModes), testing::NativePath(tree), fs::copy_options::recursive);
  return tree;
}

testing::CommandResult Migrate(const std::string& tree, std::vector<std::string> more) {
  std::vector<std::string> args = {"migrate", "--project",   tree + "/Modes.dpr", "--no-log",
                                   "-q",      "--no-backup", "--profile",         kProfile};
  args.insert(args.end(), more.begin(), more.end());
  return RunTolvern(args);
}

// The lines of the to-do list (every level) that hold all of the words.
std::vector<std::string> Items(const std::string& list, std::vector<std::string> words) {
  std::vector<std::string> found;
  for (const std::string& line : Lines(list)) {
    bool all = true;
    for (const std::string& w : words) all = all && line.find(w) != std::string::npos;
    if (all) found.push_back(line);
  }
  return found;
}

// Whether a uses clause of a unit names the unit word (a whole word).
bool Names(const std::string& text, const std::string& word) {
  for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const char before = at ? text[at - 1] : ' ';
    const char after = at + word.size() < text.size() ? text[at + word.size()] : ' ';
    if (!isalnum(static_cast<unsigned char>(before)) && !isalnum(static_cast<unsigned char>(after)))
      return true;
  }
  return false;
}

TEST(StartPathsTest, TheModuleIsCreatedBeforeEveryStartPathBranches) {
  ScratchDir dir;
  const std::string tree = CopyModes(dir);
  const auto r = Migrate(tree, {});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string dpr = ReadFileBytes(tree + "/Modes.dpr");
  // Right after Initialize: before the Title, the data module and the if.
  EXPECT_NE(dpr.find("  Application.Initialize;\r\n  " + std::string(kCreate) +
                     "\r\n  Application.Title := 'Modes';"),
            std::string::npos)
      << dpr;
  EXPECT_EQ(dpr.find(kCreate), dpr.rfind(kCreate));
  const auto todo = RunTolvern({"todo", "--project", tree + "/Modes.dpr", "--all"});
  EXPECT_TRUE(Items(todo.out, {"Modes.dpr", "CreateForm(TdmNxConnections"}).empty()) << todo.out;
}

TEST(StartPathsTest, WithoutInitializeTheModuleGoesBeforeTheBranchingStatementWithAWarning) {
  ScratchDir dir;
  const std::string tree = CopyModes(dir);
  std::string dpr = ReadFileBytes(tree + "/Modes.dpr");
  // No Initialize, and the first form created inside the first branch.
  for (const std::string line :
       {"  Application.Initialize;\r\n", "  Application.CreateForm(TdmShared, dmShared);\r\n"})
    dpr.erase(dpr.find(line), line.size());
  WriteFileBytes(tree + "/Modes.dpr", dpr);
  const auto r = Migrate(tree, {"--todo"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string migrated = ReadFileBytes(tree + "/Modes.dpr");
  EXPECT_NE(migrated.find("  Application.Title := 'Modes';\r\n  " + std::string(kCreate) +
                          "\r\n  if ParamStr(1) = '/A' then begin"),
            std::string::npos)
      << migrated;
  const auto items = Items(r.out, {"Modes.dpr:", "warning: connection:", "inside a branch"});
  EXPECT_EQ(items.size(), 1u) << r.out;
}

TEST(StartPathsTest, OldUnitsAreListedAndDroppedOnlyWhereNothingNeedsThem) {
  for (const bool drop : {false, true}) {
    ScratchDir dir;
    const std::string tree = CopyModes(dir);
    const std::string before_b = ReadFileBytes(tree + "/FormB.pas");
    const auto r = Migrate(
        tree, drop ? std::vector<std::string>{"--drop-old-units"} : std::vector<std::string>{});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    const std::string a = ReadFileBytes(tree + "/FormA.pas");
    const std::string b = ReadFileBytes(tree + "/FormB.pas");
    const std::string c = ReadFileBytes(tree + "/FormC.pas");
    const std::string shared = ReadFileBytes(tree + "/Shared.pas");
    // Session keeps DBTables in Shared, the Dbi call DBIProcs in FormB.
    EXPECT_TRUE(Names(shared, "DBTables"));
    EXPECT_TRUE(Names(b, "DBIProcs"));
    EXPECT_EQ(Names(a, "DBTables"), !drop) << a;
    EXPECT_EQ(Names(b, "DBTables"), !drop) << b;
    EXPECT_EQ(Names(c, "DBTables"), !drop) << c;
    if (drop) {
      EXPECT_NE(a.find("uses\r\n  Windows, Classes, Forms, DB, NXAccess,"), std::string::npos) << a;
      EXPECT_NE(b.find("DB, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache,"
                       "\r\n  DBIProcs;"),
                std::string::npos)
          << b;
    }
    const auto todo = RunTolvern({"todo", "--project", tree + "/Modes.dpr", "--all"});
    ASSERT_EQ(todo.exit_code, 0) << todo.err;
    EXPECT_EQ(Items(todo.out, {"Shared.pas:", "warning: interface: DBTables", "Session"}).size(),
              1u)
        << todo.out;
    EXPECT_EQ(
        Items(todo.out, {"FormB.pas:7:", "warning: interface: DBIProcs", "DbiSaveChanges"}).size(),
        1u)
        << todo.out;
    // The notes go with the units they are about.
    EXPECT_EQ(Items(todo.out, {"note: interface: DBTables", "--drop-old-units removes it"}).size(),
              drop ? 0u : 3u)
        << todo.out;
    (void)before_b;
  }
}

TEST(StartPathsTest, AnUnconvertedDataSetOnAnAliasIsAnError) {
  ScratchDir dir;
  const std::string tree = CopyModes(dir);
  const auto todo = RunTolvern({"todo", "--project", tree + "/Modes.dpr", "--profile", kProfile});
  ASSERT_EQ(todo.exit_code, 0) << todo.err;
  const auto items = Items(todo.out, {"FormA.dfm:", "error: form-reference: rxSales.DatabaseName"});
  ASSERT_EQ(items.size(), 1u) << todo.out;
  EXPECT_NE(items[0].find("map TRxQuery in a profile to a Nexa class, or replace it"),
            std::string::npos)
      << items[0];
  // One item an object: its SessionName is no second one.
  EXPECT_TRUE(Items(todo.out, {"rxSales.SessionName"}).empty()) << todo.out;
}

TEST(StartPathsTest, AUnitWhoseFormRefersToAnotherFormUsesItsUnitOnce) {
  ScratchDir dir;
  const std::string tree = CopyModes(dir);
  ASSERT_EQ(Migrate(tree, {}).exit_code, 0);
  const std::string a = ReadFileBytes(tree + "/FormA.pas");
  const std::string b = ReadFileBytes(tree + "/FormB.pas");
  const std::string c = ReadFileBytes(tree + "/FormC.pas");
  EXPECT_NE(ReadFileBytes(tree + "/FormA.dfm").find("Connection = dmNxConnections.conSALES"),
            std::string::npos);
  EXPECT_NE(ReadFileBytes(tree + "/FormB.dfm").find("Connection = dmShared.dbArchive"),
            std::string::npos);
  // Appended to the implementation's clause; a new clause after
  // "implementation"; none where the interface names the unit already.
  EXPECT_NE(a.find("implementation\r\n\r\nuses Utils, NxConnections;"), std::string::npos) << a;
  EXPECT_NE(b.find("implementation\r\n\r\nuses Shared;\r\n\r\n{$R *.DFM}"), std::string::npos) << b;
  EXPECT_EQ(c.find("uses Shared"), std::string::npos) << c;
  // A second run adds nothing.
  ASSERT_EQ(Migrate(tree, {}).exit_code, 0);
  EXPECT_EQ(ReadFileBytes(tree + "/FormA.pas"), a);
  EXPECT_EQ(ReadFileBytes(tree + "/FormB.pas"), b);
}

}  // namespace
}  // namespace tolvern
