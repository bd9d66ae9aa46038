// Mapping profiles from the command line: a user's profile migrates its
// classes in units, text forms and binary forms; it overrides a built-in
// pair; a project carries its own; a bad profile stops the run before
// anything is touched; the effective profile is shown and files are checked.
#include <gtest/gtest.h>

#include <algorithm>

#include "parsing/mapping_profile.h"
#include "parsing/source_families.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::RunTolvern;
using testing::ScratchDir;
using testing::Snapshot;

constexpr const char* kProfile = R"({
  "name": "our grids",
  "classes": [
    {"from": "TwwDBGrid", "to": "TDBGrid", "properties": {"KeyOptions": "drop"}},
    {"from": "TOrderQuery", "to": "TNXQuery"},
    {"from": "TQuery", "to": "TOrderNXQuery"}
  ],
  "targets": [{"name": "TDBGrid", "published": ["DataSource", "Columns"]}]
})";

constexpr const char* kUnit =
    "unit Grid;\r\ninterface\r\nuses Windows, DBTables, Wwdbgrid;\r\ntype\r\n"
    "  TfmGrid = class(TForm)\r\n    grdOrders: TwwDBGrid;\r\n    qryOrders: TOrderQuery;\r\n"
    "    Query1: TQuery;\r\n  end;\r\nimplementation\r\n{$R *.dfm}\r\n"
    "{ a TwwDBGrid over a TOrderQuery }\r\nconst S = 'TwwDBGrid';\r\nend.\r\n";

constexpr const char* kForm =
    "object fmGrid: TfmGrid\r\n  object grdOrders: TwwDBGrid\r\n    DataSource = dsOrders\r\n"
    "    KeyOptions = []\r\n    IniAttributes.Delimiter = ';;'\r\n    Left = 8\r\n  end\r\n"
    "  object qryOrders: TOrderQuery\r\n    DatabaseName = 'MAIN'\r\n    SQL.Strings = (\r\n"
    "      'select 1')\r\n  end\r\n  object Query1: TQuery\r\n    DataSource = dsOrders\r\n"
    "  end\r\nend\r\n";

constexpr const char* kFormAfter =
    "object fmGrid: TfmGrid\r\n    object grdOrders: TDBGrid\r\n    DataSource = dsOrders\r\n"
    "    Left = 8\r\n  end\r\n  object qryOrders: TNXQuery\r\n    SQL.Strings = (\r\n"
    "            'select 1')\r\n  end\r\n  object Query1: TOrderNXQuery\r\n"
    "    MasterSource = dsOrders\r\n  end\r\nend\r\n";

// A folder with the unit and its text form, and a second unit whose form is
// binary.
std::string MakeTree(const ScratchDir& dir) {
  dir.Write("app/Grid.pas", kUnit);
  dir.Write("app/Grid.dfm", kForm);
  std::string unit = kUnit;
  unit.replace(unit.find("unit Grid"), 9, "unit Bin");
  dir.Write("app/Bin.pas", unit);
  dir.Write("app/Bin.dfm", kForm);
  EXPECT_EQ(RunTolvern({"form", "--to-binary", dir / "app/Bin.dfm"}).exit_code, 0);
  return dir / "app";
}

TEST(ProfileCliTest, UserProfileMigratesItsClassesEverywhereAndOverridesBuiltinPairs) {
  ScratchDir dir;
  const std::string app = MakeTree(dir);
  const std::string profile = dir.Write("grids.json", kProfile);
  auto r = RunTolvern({"migrate", "--folder", app, "--profile", profile, "-q"});
  ASSERT_EQ(r.exit_code, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("Mapping profile: " + profile +
                       "\nFiles scanned: 4; units changed: 2; "
                       "forms changed: 2; objects rewritten: 6"),
            std::string::npos)
      << r.out;
  const std::string unit = dir.Read("app/Grid.pas");
  for (const char* line :
       {"uses Windows, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, "
        "KTRowCache, Wwdbgrid;",
        "grdOrders: TDBGrid;", "qryOrders: TNXQuery;", "Query1: TOrderNXQuery;",
        "{ a TDBGrid over a TNXQuery }", "const S = 'TwwDBGrid';"})
    EXPECT_NE(unit.find(line), std::string::npos) << line << "\n" << unit;
  EXPECT_EQ(dir.Read("app/Grid.dfm"), kFormAfter);
  // The binary form stays binary and reads as the text form does.
  ASSERT_EQ(dir.Read("app/Bin.dfm").substr(0, 1), "\xFF");
  ASSERT_EQ(RunTolvern({"form", "--to-text", dir / "app/Bin.dfm", "-o", dir / "bin.txt"}).exit_code,
            0);
  const std::string text = dir.Read("bin.txt");
  for (const char* line : {"object grdOrders: TDBGrid", "object qryOrders: TNXQuery",
                           "object Query1: TOrderNXQuery", "MasterSource = dsOrders"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  EXPECT_EQ(text.find("KeyOptions"), std::string::npos) << text;
  EXPECT_NE(dir.Read("app/Wiz_Log.txt").find("Mapping profile: " + profile + "\r\n"),
            std::string::npos);
}

TEST(ProfileCliTest, ProjectCarriesItsProfileAndGivenProfilesComeAfterIt) {
  ScratchDir dir;
  const std::string app = MakeTree(dir);
  dir.Write("app/tolvern.json", kProfile);
  const std::string later =
      dir.Write("later.json", R"({"classes": [{"from": "TwwDBGrid", "to": "TLaterGrid"}]})");
  auto r =
      RunTolvern({"migrate", "--folder", app, "--profile", later, "--dry-run", "--diff", "-q"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("Mapping profile: " + (dir / "app/tolvern.json") +
                       "\nMapping profile: " + later + "\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("+    grdOrders: TLaterGrid;"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("+    qryOrders: TNXQuery;"), std::string::npos) << r.out;
}

// A class mapping's units join the first uses clause of each unit whose
// code names the class, once: not in a unit that names it only in a
// comment, nor where a uses clause has the unit already.
TEST(ProfileCliTest, ClassUnitsJoinTheUnitsThatUseTheClassOnce) {
  ScratchDir dir;
  const std::string profile =
      dir.Write("grid.json",
                R"({"classes": [{"from": "TwwDBGrid", "to": "TDBGrid", "units": ["DBGrids"]}]})");
  dir.Write("app/A.pas",
            "unit A;\ninterface\nuses Forms, DBTables;\ntype TF = class(TForm) G: TwwDBGrid; "
            "end;\nimplementation\nuses Dialogs;\nend.\n");
  dir.Write("app/B.pas",
            "unit B;\ninterface\nuses Forms;\nimplementation\nuses dbgrids;\nvar G: TwwDBGrid;\n"
            "end.\n");
  dir.Write("app/C.pas", "unit C;\ninterface\nuses Forms;\n{ TwwDBGrid }\nimplementation\nend.\n");
  auto r = RunTolvern(
      {"migrate", "--folder", dir / "app", "--profile", profile, "--no-backup", "--no-log"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(dir.Read("app/A.pas"),
            "unit A;\ninterface\nuses Forms, DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, "
            "KTBaseAccess, KTRowCache, DBGrids;\ntype TF = class(TForm) G: TDBGrid; "
            "end;\nimplementation\nuses Dialogs;\nend.\n");
  EXPECT_EQ(dir.Read("app/B.pas"),
            "unit B;\ninterface\nuses Forms;\nimplementation\nuses dbgrids;\nvar G: TDBGrid;\n"
            "end.\n");
  EXPECT_EQ(dir.Read("app/C.pas"),
            "unit C;\ninterface\nuses Forms;\n{ TDBGrid }\nimplementation\nend.\n");
  // A second run finds nothing more to add.
  r = RunTolvern({"migrate", "--folder", dir / "app", "--profile", profile, "--no-backup",
                  "--no-log", "--dry-run"});
  EXPECT_EQ(r.out.find("would change"), std::string::npos) << r.out;
}

// Each kind of bad profile gives one line, and the tree is as it was: no
// log, no backup, no file changed.
TEST(ProfileCliTest, BadProfileStopsTheRunBeforeAnythingIsTouched) {
  ScratchDir dir;
  const std::string app = MakeTree(dir);
  const auto before = Snapshot(app);
  struct Case {
    const char* text;  // null: no such file
    const char* message;
  } cases[] = {
      {"{\"classes\": [}",
       "not valid JSON: parse error at line 1, column 14: syntax error while "
       "parsing value - unexpected '}'; expected '[', '{', or a literal"},
      {R"({"classes": [{"from": "TwwDBGrid", "to": "TDBGrid"}, {"from": "TwwDBGrid", "to": "TGrid"}]})",
       "$.classes[1].from (line 1): \"TwwDBGrid\" is mapped to two targets: \"TDBGrid\" at "
       "$.classes[0] and "
       "\"TGrid\""},
      {R"({"properties": {"SQL": {"code": "sql"}}})",
       "$.properties.SQL.code (line 1): unknown conversion \"sql\"; known: login-params, "
       "command-text"},
      {nullptr, "cannot be read: "},
  };
  for (const Case& c : cases) {
    const std::string file = c.text ? dir.Write("bad.json", c.text) : dir / "missing.json";
    auto r = RunTolvern({"migrate", "--folder", app, "--profile", file});
    EXPECT_EQ(r.exit_code, 2) << file;
    EXPECT_EQ(r.out, "");
    const std::string head = "tolvern: error: profile \"" + file + "\"" + (c.text ? ": " : " ");
    EXPECT_EQ(r.err.rfind(head + c.message, 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(Snapshot(app), before);
  }
}

TEST(ProfileCliTest, ShowPrintsTheEffectiveProfileAndCheckNamesEveryProblem) {
  ScratchDir dir;
  auto r = RunTolvern({"profile", "--show"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, ProfileJson(BuiltinProfile("bde")));
  EXPECT_EQ(RunTolvern({"profile", "--show", "--ado"}).out, ProfileJson(BuiltinProfile("ado")));
  const std::string grids = dir.Write("grids.json", kProfile);
  r = RunTolvern({"profile", "--show", "--profile", grids});
  std::vector<std::string> problems;
  MappingProfile shown = ParseProfile(r.out, &problems);
  EXPECT_TRUE(problems.empty());
  ASSERT_EQ(shown.classes.size(), 12u);
  EXPECT_EQ(shown.classes[1].to, "TOrderNXQuery");
  EXPECT_EQ(shown.classes[11].from, "TOrderQuery");

  const std::string bad = dir.Write("bad.json", R"({"name": 1, "classes": [{"from": "TA"}]})");
  r = RunTolvern({"profile", "--check", bad, "--check", grids});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, bad + ": $.name (line 1): expected a string, found number\n" + bad +
                       ": $.classes[0] (line 1): missing \"to\"\n" + grids + ": a valid profile\n");
  EXPECT_EQ(RunTolvern({"profile", "--check", grids}).exit_code, 0);
  EXPECT_EQ(RunTolvern({"profile"}).exit_code, 2);
}

}  // namespace
}  // namespace tolvern
