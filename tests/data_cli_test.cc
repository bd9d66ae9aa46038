// tolvern data as a user runs it: the summary, the exit codes, outputs
// never written into the table folder nor over a file without --force, and
// the rows in both outputs alike, the pxlib faults among them (a table with
// an .MB file, blank long integers and dates, bytes starting with 0).
#include <gtest/gtest.h>

#include "data/paradox_cipher.h"
#include "data/sqlite_writer.h"
#include "sqlite_rows.h"
#include "table_files.h"
#include "test_support.h"

namespace tolvern::testing {
namespace {

// A folder of one Paradox table with an .MB file and one dBASE table with a
// deleted record.
void WriteTables(const ScratchDir& dir) {
  MbFile mb;
  std::uint32_t memo = mb.AddSingle(std::string(2000, 'z'));
  PxLayout px;
  px.fields = {{0x16, 4, "Id"},  {0x04, 4, "Count"},  {0x02, 4, "Day"},
               {0x18, 3, "Raw"}, {0x0C, 15, "Notes"}, {0x01, 10, "Name"}};
  px.key_fields = 1;
  px.records = {
      {PxLong(1), PxBlank(4), PxBlank(4), std::string("\0\x07\x08", 3),
       PxBlob(15, "zzzzz", memo, 2000), PxAlpha("O'Neil", 10)},
      {PxLong(2), PxLong(-3), PxDate(2001, 2, 3), PxBlank(3), PxBlob(15, "tiny", 0, 4),
       PxBlank(10)},
  };
  dir.Write("tables/orders.db", ParadoxFile(px));
  dir.Write("tables/ORDERS.MB", mb.bytes());
  DbfLayout dbf;
  dbf.fields = {{"NAME", 'C', 8}};
  dbf.records = {{false, {"a"}}, {true, {"b"}}, {false, {"c"}}};
  dir.Write("tables/names.dbf", DbaseFile(dbf));
}

TEST(DataCliTest, MovesTablesIntoBothOutputsAlike) {
  ScratchDir dir;
  WriteTables(dir);
  const std::string tables = dir / "tables";
  const std::string sql = dir / "out.sql", db = dir / "out.sqlite";
  CommandResult r = RunTolvern({"data", "--sql", sql, "--sqlite", db, tables});
  if (!data::SqliteAvailable()) {
    EXPECT_EQ(r.exit_code, 3) << r.err;
    EXPECT_NE(r.err.find("built without SQLite"), std::string::npos) << r.err;
    return;
  }
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_EQ(r.out,
            "names.dbf: table \"names\": 2 rows moved, 1 row deleted left out\n"
            "orders.db: table \"orders\": 2 rows moved\n"
            "2 tables, 4 rows moved\n");
  const std::vector<std::string> orders = {
      "i:1 | null | null | b:000708 | t:" + std::string(2000, 'z') + " | t:O'Neil",
      "i:2 | i:-3 | t:2001-02-03 | null | t:tiny | null"};
  EXPECT_EQ(SqliteRows(db, "orders"), orders);
  EXPECT_EQ(SqliteRows(db, "names"), (std::vector<std::string>{"t:a", "t:c"}));
  ASSERT_EQ(RunSqlScript(ReadFileBytes(sql), dir / "replayed.sqlite"), "");
  EXPECT_EQ(SqliteRows(dir / "replayed.sqlite", "orders"), orders);
  EXPECT_EQ(SqliteRows(dir / "replayed.sqlite", "names"), SqliteRows(db, "names"));
  // Nothing was written beside the tables.
  EXPECT_EQ(Snapshot(tables).size(), 3u);
}

TEST(DataCliTest, RefusesToOverwriteOrToWriteIntoTheTables) {
  ScratchDir dir;
  WriteTables(dir);
  const std::string tables = dir / "tables";
  dir.Write("out.sql", "keep me");
  CommandResult r = RunTolvern({"data", "--sql", dir / "out.sql", tables});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("out.sql exists; give --force to replace it"), std::string::npos) << r.err;
  EXPECT_EQ(dir.Read("out.sql"), "keep me");
  r = RunTolvern({"data", "--sql", dir / "tables/new.sql", tables});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("tolvern data never writes there"), std::string::npos) << r.err;
  EXPECT_EQ(Snapshot(tables).size(), 3u);
  r = RunTolvern({"data", "--force", "--sql", dir / "out.sql", tables});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(dir.Read("out.sql").find("CREATE TABLE \"orders\""), std::string::npos);
  r = RunTolvern({"data", tables});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("give --sql FILE or --sqlite FILE"), std::string::npos) << r.err;
}

TEST(DataCliTest, ADamagedTableIsNamedTheOthersMoveAndTheExitSaysSo) {
  ScratchDir dir;
  WriteTables(dir);
  std::string bytes = dir.Read("tables/orders.db");
  dir.Write("tables/orders.db", bytes.substr(0, 2048 + 3));  // cut in the first block
  dir.Write("tables/Thumbs.db", std::string(512, '\xA1'));
  CommandResult r = RunTolvern({"data", "--sql", dir / "out.sql", dir / "tables"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_NE(r.out.find("names.dbf: table \"names\": 2 rows moved"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("orders.db: table \"orders\": 0 rows moved\n  problem: orders.db: offset "
                       "2048: block 1 lies past the end of the file"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Thumbs.db: not a Paradox table"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 with rows or values not moved"), std::string::npos) << r.out;
}

// A password-protected table moves with its password, given among others;
// without it the table is named with what to do and the others still move.
TEST(DataCliTest, APasswordProtectedTableMovesWithItsPassword) {
  if (!data::ParadoxCipherAvailable()) GTEST_SKIP() << "built without pxlib";
  ScratchDir dir;
  WriteTables(dir);
  PxLayout px;
  px.fields = {{0x04, 4, "Id"}, {0x01, 10, "Name"}};
  px.records = {{PxLong(7), PxAlpha("Kept", 10)}};
  px.password = "s3cret";
  dir.Write("tables/locked.db", ParadoxFile(px));
  CommandResult r = RunTolvern({"data", "--sql", dir / "out.sql", dir / "tables"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_NE(
      r.out.find("locked.db: not moved: the table is password-protected: give its password with "
                 "--password (or in the profile's alias), or remove it in Paradox or "
                 "Database Desktop (Restructure)"),
      std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("orders.db: table \"orders\": 2 rows moved"), std::string::npos) << r.out;
  EXPECT_EQ(dir.Read("out.sql").find("locked"), std::string::npos);
  r = RunTolvern({"data", "--force", "--password", "wrong", "--password", "s3cret", "--sql",
                  dir / "out.sql", dir / "tables"});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("locked.db: table \"locked\": 1 row moved"), std::string::npos) << r.out;
  EXPECT_NE(dir.Read("out.sql").find("(7, 'Kept')"), std::string::npos) << dir.Read("out.sql");
}

}  // namespace
}  // namespace tolvern::testing
