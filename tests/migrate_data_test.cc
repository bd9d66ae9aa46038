// A migration that moves the data too (migrate --data): each alias whose
// table folder a profile names gets its tables in a script and a database
// beside the log, the report lists every table, the to-do item of a table
// file names the table it became, and the tables themselves are never
// touched. An alias without a folder keeps the run from exiting 0.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "data/paradox_cipher.h"
#include "data/sqlite_writer.h"
#include "json_schema.h"
#include "sqlite_rows.h"
#include "table_files.h"
#include "test_support.h"

namespace tolvern::testing {
namespace {

// An application on two aliases: SALES, whose table orders.db a form names
// by its file, and ARCHIVE. The tables lie in app/tables.
void WriteApplication(const ScratchDir& dir) {
  dir.Write("app/Main.pas",
            "unit Main;\r\ninterface\r\nuses Classes, Forms, DB, DBTables;\r\ntype\r\n"
            "  TfrmMain = class(TForm)\r\n    tblOrders: TTable;\r\n    qryOld: TQuery;\r\n"
            "  end;\r\nvar\r\n  frmMain: TfrmMain;\r\nimplementation\r\n{$R *.DFM}\r\nend.\r\n");
  dir.Write("app/Main.dfm",
            "object frmMain: TfrmMain\r\n  object tblOrders: TTable\r\n"
            "    DatabaseName = 'SALES'\r\n    TableName = 'orders.db'\r\n  end\r\n"
            "  object qryOld: TQuery\r\n    DatabaseName = 'ARCHIVE'\r\n    SQL.Strings = (\r\n"
            "      'select 1')\r\n  end\r\nend\r\n");
  dir.Write("app/App.dpr",
            "program App;\r\nuses\r\n  Forms,\r\n  Main in 'Main.pas' {frmMain};\r\n"
            "begin\r\n  Application.Initialize;\r\n"
            "  Application.CreateForm(TfrmMain, frmMain);\r\n  Application.Run;\r\nend.\r\n");
  PxLayout px;
  px.fields = {{0x04, 4, "Id"}, {0x01, 12, "Customer"}};
  px.key_fields = 1;
  px.records = {{PxLong(1), PxAlpha("Ann", 12)}, {PxLong(2), PxAlpha("Bob", 12)}};
  dir.Write("app/tables/orders.db", ParadoxFile(px));
  DbfLayout dbf;
  dbf.fields = {{"NAME", 'C', 8}};
  dbf.records = {{false, {"a"}}, {true, {"b"}}, {false, {"c"}}};
  dir.Write("app/tables/names.dbf", DbaseFile(dbf));
}

// The profile: SALES a new connection with its tables in `folder`; ARCHIVE
// bound, with `archive` as its "data" entry when given.
std::string Profile(const std::string& folder, const std::string& archive = "") {
  nlohmann::json sales = {{"database", "sales"}, {"data", folder}};
  nlohmann::json old = archive.empty() ? nlohmann::json("frmMain.qryOld")
                                       : nlohmann::json{{"bind", "frmMain.qryOld"}};
  if (!archive.empty()) old["data"] = {{"folder", archive}, {"passwords", {"secret"}}};
  return nlohmann::json{{"name", "t"}, {"aliases", {{"SALES", sales}, {"ARCHIVE", old}}}}.dump();
}

TEST(MigrateDataTest, MovesEachAliasWithAFolderAndNamesTheOthers) {
  ScratchDir dir;
  WriteApplication(dir);
  const std::string orders = dir.Read("app/tables/orders.db");
  dir.Write("p.json", Profile("tables"));
  CommandResult r = RunTolvern({"migrate", "--folder", dir / "app", "--profile", dir / "p.json",
                                "--data", "--report", dir / "r.json", "--quiet"});
  if (!data::SqliteAvailable()) GTEST_SKIP() << "built without SQLite";
  // ARCHIVE's tables were not moved: the run is not a whole success.
  EXPECT_EQ(r.exit_code, 3) << r.out << r.err;
  const std::string db = dir / "app/Wiz_Data_SALES.sqlite";
  EXPECT_NE(r.out.find("Data of alias SALES (" + (dir / "app/tables") +
                       "): 2 tables, 4 rows moved into Wiz_Data_SALES.sql and "
                       "Wiz_Data_SALES.sqlite\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Data of alias ARCHIVE: not moved: no profile gives the alias's table "
                       "folder (\"data\" in its rule)\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(SqliteRows(db, "orders"), (std::vector<std::string>{"i:1 | t:Ann", "i:2 | t:Bob"}));
  EXPECT_EQ(SqliteRows(db, "names"), (std::vector<std::string>{"t:a", "t:c"}));
  ASSERT_EQ(RunSqlScript(dir.Read("app/Wiz_Data_SALES.sql"), dir / "replay.sqlite"), "");
  EXPECT_EQ(SqliteRows(dir / "replay.sqlite", "orders"), SqliteRows(db, "orders"));
  // The tables are read, never written.
  EXPECT_EQ(dir.Read("app/tables/orders.db"), orders);
  EXPECT_FALSE(std::filesystem::exists(dir / "app/Wiz_Data_ARCHIVE.sql"));

  // The report lists every table with its rows, and keeps to its schema.
  const nlohmann::json doc = nlohmann::json::parse(dir.Read("r.json"));
  const nlohmann::json schema = nlohmann::json::parse(
      ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) + "/docs/report.schema.json"));
  EXPECT_EQ(ValidateJson(doc, schema, schema), "");
  ASSERT_EQ(doc["data"].size(), 2u);
  EXPECT_EQ(doc["data"][0]["alias"], "SALES");
  EXPECT_TRUE(doc["data"][0]["complete"]);
  ASSERT_EQ(doc["data"][0]["tables"].size(), 2u);
  const nlohmann::json& names = doc["data"][0]["tables"][0];
  EXPECT_EQ(names["table"], "names");
  EXPECT_EQ(names["rowsMoved"], 2);
  EXPECT_EQ(names["rowsDeleted"], 1);
  EXPECT_FALSE(doc["data"][1]["complete"]);

  // The to-do item of the table file names the table it became.
  const std::string todo = dir.Read("app/Wiz_Todo.txt");
  EXPECT_NE(todo.find("this run moved it into table \"orders\" of Wiz_Data_SALES.sql and "
                      "Wiz_Data_SALES.sqlite"),
            std::string::npos)
      << todo;
}

TEST(MigrateDataTest, EveryAliasMovedIsAWholeRun) {
  ScratchDir dir;
  WriteApplication(dir);
  dir.Write("old/old.dbf", DbaseFile({0x03, 0, {{"N", 'C', 4}}, {{false, {"x"}}}}));
  dir.Write("p.json", Profile(dir / "app/tables", dir / "old"));
  CommandResult r = RunTolvern(
      {"migrate", "--folder", dir / "app", "--profile", dir / "p.json", "--data", "--quiet"});
  if (!data::SqliteAvailable()) GTEST_SKIP() << "built without SQLite";
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_EQ(SqliteRows(dir / "app/Wiz_Data_ARCHIVE.sqlite", "old"),
            std::vector<std::string>{"t:x"});
  // A second run replaces the outputs of the first.
  dir.Write("old/old.dbf", DbaseFile({0x03, 0, {{"N", 'C', 4}}, {{false, {"y"}}}}));
  r = RunTolvern(
      {"migrate", "--folder", dir / "app", "--profile", dir / "p.json", "--data", "--quiet"});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_EQ(SqliteRows(dir / "app/Wiz_Data_ARCHIVE.sqlite", "old"),
            std::vector<std::string>{"t:y"});
}

TEST(MigrateDataTest, AFolderMissingOrLeftToFillIsNamedAndNothingIsWritten) {
  for (const char* folder : {"nothere", ""}) {
    SCOPED_TRACE(folder);
    ScratchDir dir;
    WriteApplication(dir);
    dir.Write("p.json", Profile(folder));
    CommandResult r = RunTolvern(
        {"migrate", "--folder", dir / "app", "--profile", dir / "p.json", "--data", "--quiet"});
    EXPECT_EQ(r.exit_code, 3) << r.out << r.err;
    EXPECT_NE(r.out.find(*folder ? "Data of alias SALES (" + (dir / "app/nothere") +
                                       "): not moved: the alias's table folder"
                                 : std::string("Data of alias SALES: not moved: the profile "
                                               "leaves the alias's table folder")),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "app/Wiz_Data_SALES.sql"));
    EXPECT_FALSE(std::filesystem::exists(dir / "app/Wiz_Data_SALES.sqlite"));
  }
}

TEST(MigrateDataTest, ADryRunMovesNoTable) {
  ScratchDir dir;
  WriteApplication(dir);
  dir.Write("p.json", Profile("tables"));
  CommandResult r = RunTolvern({"migrate", "--folder", dir / "app", "--profile", dir / "p.json",
                                "--data", "--dry-run", "--quiet"});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("Dry run: no table was moved (--data).\n"), std::string::npos) << r.out;
  EXPECT_FALSE(std::filesystem::exists(dir / "app/Wiz_Data_SALES.sql"));
}

// The passwords an alias's rule gives open its protected tables; without
// them the table is named and the run is not a whole success.
TEST(MigrateDataTest, TheAliasRulesPasswordsOpenItsProtectedTables) {
  if (!data::SqliteAvailable() || !data::ParadoxCipherAvailable())
    GTEST_SKIP() << "built without SQLite or without the Paradox cipher";
  for (const bool given : {true, false}) {
    SCOPED_TRACE(given);
    ScratchDir dir;
    WriteApplication(dir);
    PxLayout px;
    px.fields = {{0x04, 4, "Id"}};
    px.records = {{PxLong(5)}};
    px.password = "Secret";
    dir.Write("old/locked.db", ParadoxFile(px));
    dir.Write("p.json", Profile(dir / "app/tables", dir / "old"));
    std::string text = dir.Read("p.json");
    text.replace(text.find("\"secret\""), 8, given ? "\"Secret\"" : "\"wrong\"");
    dir.Write("p.json", text);
    CommandResult r = RunTolvern(
        {"migrate", "--folder", dir / "app", "--profile", dir / "p.json", "--data", "--quiet"});
    EXPECT_EQ(r.exit_code, given ? 0 : 3) << r.out << r.err;
    if (given) {
      EXPECT_EQ(SqliteRows(dir / "app/Wiz_Data_ARCHIVE.sqlite", "locked"),
                std::vector<std::string>{"i:5"});
    } else {
      EXPECT_NE(r.out.find("1 table with rows or values not moved"), std::string::npos) << r.out;
    }
  }
}

// tolvern data over a folder's aliases: the same tables as migrate --data,
// without migrating a file; --sql and --sqlite are for table folders only.
TEST(MigrateDataTest, TheDataCommandMovesTheAliasesOfAFolder) {
  if (!data::SqliteAvailable()) GTEST_SKIP() << "built without SQLite";
  ScratchDir dir;
  WriteApplication(dir);
  const std::string main_dfm = dir.Read("app/Main.dfm");
  dir.Write("p.json", Profile("tables"));
  CommandResult r = RunTolvern({"data", "--folder", dir / "app", "--profile", dir / "p.json"});
  EXPECT_EQ(r.exit_code, 3) << r.out << r.err;  // ARCHIVE has no folder
  EXPECT_NE(r.out.find("Data of alias SALES (" + (dir / "app/tables") + "): 2 tables, 4 rows"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(SqliteRows(dir / "app/Wiz_Data_SALES.sqlite", "orders"),
            (std::vector<std::string>{"i:1 | t:Ann", "i:2 | t:Bob"}));
  EXPECT_EQ(dir.Read("app/Main.dfm"), main_dfm);  // nothing migrated
  r = RunTolvern({"data", "--folder", dir / "app", "--sql", dir / "x.sql"});
  EXPECT_EQ(r.exit_code, 2) << r.out << r.err;
  r = RunTolvern({"data"});
  EXPECT_EQ(r.exit_code, 2) << r.out << r.err;
}

}  // namespace
}  // namespace tolvern::testing
