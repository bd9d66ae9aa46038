// Indexes, required fields and defaults as the outputs hold them: tables
// written by the tests (tests/table_files.h) with their index and check
// files are moved into a SQLite database and a script, and both are read
// back through SQLite. No row is ever lost to a constraint.
#include <gtest/gtest.h>

#include <algorithm>

#include "base/paths.h"
#include "data/sql_script_writer.h"
#include "data/sqlite_writer.h"
#include "data/table_mover.h"
#include "platform/disk.h"
#include "sqlite_rows.h"
#include "table_files.h"
#include "test_support.h"

namespace tolvern::data {
namespace {

using namespace tolvern::testing;

class TableConstraintsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!SqliteAvailable()) GTEST_SKIP() << "built without SQLite";
  }
  void Write(const std::string& name, const std::string& bytes) { dir_.Write("in/" + name, bytes); }
  // Moves the tables of the folder into db and the script; the script is
  // then run into replayed.
  MoveResult Move() {
    std::string error;
    SqlScriptWriter script(disk_, sql_);
    EXPECT_TRUE(script.Open(&error)) << error;
    auto database = OpenSqliteWriter(disk_, db_, &error);
    EXPECT_TRUE(database) << error;
    MoveResult result = MoveTables(disk_, FindTableFiles(disk_, dir_ / "in", &error), {},
                                   {&script, database.get()});
    EXPECT_EQ(result.output_error, "");
    EXPECT_EQ(RunSqlScript(ReadFileBytes(sql_), replayed_), "");
    return result;
  }
  // The database's schema as SQLite keeps it: every table's and index's
  // statement.
  static std::vector<std::string> Schema(const std::string& db) {
    return SqliteQuery(db, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name");
  }
  RealDisk disk_;
  ScratchDir dir_;
  const std::string db_ = dir_ / "out.sqlite";
  const std::string sql_ = dir_ / "out.sql";
  const std::string replayed_ = dir_ / "replayed.sqlite";
};

PxLayout People() {
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}, {0x01, 20, "Name"}, {0x01, 20, "City"}, {0x06, 8, "Amount"}};
  layout.key_fields = 1;
  for (int i = 1; i <= 5; ++i)
    layout.records.push_back({PxLong(i), PxAlpha("name " + std::to_string(i), 20),
                              PxAlpha(i % 2 ? "Oslo" : "Bergen", 20), PxDouble(i * 1.5)});
  return layout;
}

TEST_F(TableConstraintsTest, ParadoxIndexesBecomeIndexesAfterTheRows) {
  const PxLayout people = People();
  Write("people.db", ParadoxFile(people));
  Write("people.X02", ParadoxIndexFile(people, {1}));
  Write("people.XG0", ParadoxIndexFile(people, {2, 3}, "ByCity", {false, true}));
  MoveResult result = Move();
  ASSERT_EQ(result.tables.size(), 1u);
  EXPECT_EQ(result.tables[0].rows_moved, 5u);
  EXPECT_TRUE(result.Complete());
  EXPECT_EQ(SqliteQuery(db_,
                        "SELECT name, \"unique\" FROM pragma_index_list('people') "
                        "WHERE origin = 'c' ORDER BY name"),
            (std::vector<std::string>{"t:people_ByCity | i:0", "t:people_Name | i:0"}));
  EXPECT_EQ(SqliteQuery(db_,
                        "SELECT name, \"desc\" FROM pragma_index_xinfo('people_ByCity') "
                        "WHERE key = 1 ORDER BY seqno"),
            (std::vector<std::string>{"t:City | i:0", "t:Amount | i:1"}));
  EXPECT_EQ(Schema(replayed_), Schema(db_));
  // The indexes are built once, after the rows.
  const std::string script = ReadFileBytes(sql_);
  EXPECT_LT(script.rfind("INSERT INTO"), script.find("CREATE INDEX \"people_ByCity\""));
}

// Index names share the database's name space with tables: people_x of
// the table "people" and x of the table "people_x"... each is made unique.
TEST_F(TableConstraintsTest, IndexNamesAreUniqueInTheDatabase) {
  PxLayout a = People();
  Write("a.db", ParadoxFile(a));
  Write("a.XG0", ParadoxIndexFile(a, {1}, "b_c"));
  Write("a_b.db", ParadoxFile(a));
  Write("a_b.XG0", ParadoxIndexFile(a, {2}, "c"));
  Write("a_b_c_2.db", ParadoxFile(a));
  MoveResult result = Move();
  ASSERT_EQ(result.tables.size(), 3u);
  EXPECT_TRUE(result.Complete());
  EXPECT_EQ(SqliteQuery(db_,
                        "SELECT name, tbl_name FROM sqlite_master WHERE type = 'index' AND "
                        "sql IS NOT NULL ORDER BY name"),
            (std::vector<std::string>{"t:a_b_c | t:a", "t:a_b_c_2 | t:a_b"}));
  EXPECT_EQ(result.tables[2].table, "a_b_c_2_2");
  EXPECT_EQ(Schema(replayed_), Schema(db_));
}

TEST_F(TableConstraintsTest, ADamagedIndexFileIsNotedAndEveryRowMoves) {
  const PxLayout people = People();
  Write("people.db", ParadoxFile(people));
  Write("people.XG0", ParadoxIndexFile(people, {1}, "ByName").substr(0, 300));
  MoveResult result = Move();
  ASSERT_EQ(result.tables.size(), 1u);
  EXPECT_EQ(result.tables[0].rows_moved, 5u);
  EXPECT_TRUE(result.Complete());
  ASSERT_EQ(result.tables[0].account.notes.size(), 1u);
  EXPECT_EQ(result.tables[0].account.notes[0].rfind("people.XG0: the header is damaged", 0), 0u);
  EXPECT_EQ(SqliteRows(db_, "people").size(), 5u);
  EXPECT_EQ(SqliteQuery(db_, "SELECT count(*) FROM sqlite_master WHERE type = 'index'"),
            std::vector<std::string>{"i:0"});  // the key "Id" is the rowid
}

// Index and check files no table reads are named, none passed over.
TEST_F(TableConstraintsTest, IndexAndCheckFilesOfNoTableAreNoted) {
  const PxLayout people = People();
  Write("people.db", ParadoxFile(people));
  Write("people.mdx", MdxFile({{"BYNAME", "NAME"}}));  // a dBASE index beside a Paradox table
  Write("byname.ndx", NdxFile("NAME"));                // SET INDEX TO names it, no file does
  Write("gone.XG0", ParadoxIndexFile(people, {1}, "ByName"));
  Write("gone.VAL", ParadoxValFile(people, {}));
  Write("people.XG0", ParadoxIndexFile(people, {1}, "ByName"));
  MoveResult result = Move();
  ASSERT_EQ(result.tables.size(), 1u);
  std::vector<std::string> notes = result.notes;
  std::sort(notes.begin(), notes.end());
  const std::string in = dir_ / "in";
  EXPECT_EQ(notes, (std::vector<std::string>{
                       PathJoin(in, "byname.ndx") + ": no dBASE table here has its name, so it is "
                                                    "not read",
                       PathJoin(in, "gone.VAL") + ": no Paradox table here has its name, so it is "
                                                  "not read",
                       PathJoin(in, "gone.XG0") + ": no Paradox table here has its name, so it is "
                                                  "not read",
                       PathJoin(in, "people.mdx") + ": no dBASE table here has its name, so it is "
                                                    "not read"}));
  EXPECT_TRUE(result.tables[0].account.notes.empty());
  EXPECT_EQ(SqliteQuery(db_, "SELECT name FROM sqlite_master WHERE type = 'index'"),
            std::vector<std::string>{"t:people_ByName"});
}

PxLayout Stock() {
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}, {0x01, 20, "Name"}, {0x03, 2, "Count"}, {0x02, 4, "Born"}};
  layout.key_fields = 1;
  for (int i = 1; i <= 4; ++i)
    layout.records.push_back({PxLong(i), PxAlpha("item " + std::to_string(i), 20),
                              i == 2 ? PxBlank(2) : PxShort(i), PxDate(2000, 1, i)});
  return layout;
}

TEST_F(TableConstraintsTest, RequiredFieldsAreNotNullAndDefaultsAreWritten) {
  const PxLayout stock = Stock();
  Write("stock.db", ParadoxFile(stock));
  Write("stock.VAL", ParadoxValFile(stock, {{1, true, "", "", PxAlpha("none", 20)},
                                            {2, false, "", "", PxShort(7)},
                                            {3, true, "", "", PxDate(1999, 12, 31)}}));
  MoveResult result = Move();
  ASSERT_EQ(result.tables.size(), 1u);
  EXPECT_EQ(result.tables[0].rows_moved, 4u);
  EXPECT_TRUE(result.tables[0].account.notes.empty()) << result.tables[0].account.notes[0];
  EXPECT_EQ(
      SqliteQuery(db_, "SELECT name, \"notnull\", dflt_value FROM pragma_table_info('stock')"),
      (std::vector<std::string>{"t:Id | i:0 | null", "t:Name | i:1 | t:'none'",
                                "t:Count | i:0 | t:7", "t:Born | i:1 | t:'1999-12-31'"}));
  EXPECT_EQ(Schema(replayed_), Schema(db_));
  EXPECT_NE(SqliteExec(db_, "INSERT INTO stock (Id, Name, Born) VALUES (9, NULL, '2001-01-01')"),
            "");
  EXPECT_EQ(SqliteExec(db_, "INSERT INTO stock (Id) VALUES (10)"), "");
  EXPECT_EQ(SqliteQuery(db_, "SELECT Name, Count, Born FROM stock WHERE Id = 10"),
            std::vector<std::string>{"t:none | i:7 | t:1999-12-31"});
}

// A required field that rows already leave empty is written without NOT
// NULL, so that every row arrives; the note says how many rows.
TEST_F(TableConstraintsTest, ARequiredFieldWithEmptyRowsKeepsEveryRow) {
  const PxLayout stock = Stock();
  Write("stock.db", ParadoxFile(stock));
  Write("stock.VAL", ParadoxValFile(stock, {{1, true}, {2, true}}));
  MoveResult result = Move();
  ASSERT_EQ(result.tables.size(), 1u);
  EXPECT_EQ(result.tables[0].rows_moved, 4u);
  EXPECT_EQ(result.tables[0].rows_rejected, 0u);
  EXPECT_TRUE(result.Complete());
  EXPECT_EQ(result.tables[0].account.notes,
            std::vector<std::string>{"stock.db: field Count is required, but 1 rows hold no value "
                                     "in it: written without NOT NULL"});
  EXPECT_EQ(
      SqliteQuery(db_, "SELECT name, \"notnull\" FROM pragma_table_info('stock')"),
      (std::vector<std::string>{"t:Id | i:0", "t:Name | i:1", "t:Count | i:0", "t:Born | i:0"}));
  EXPECT_EQ(SqliteRows(db_, "stock").size(), 4u);
  EXPECT_EQ(SqliteRows(replayed_, "stock"), SqliteRows(db_, "stock"));
}

TEST_F(TableConstraintsTest, ADamagedValIsNotedAndTheTableMovesWhole) {
  const PxLayout stock = Stock();
  Write("stock.db", ParadoxFile(stock));
  Write("stock.VAL", ParadoxValFile(stock, {{1, true}}).substr(0, 60));
  MoveResult result = Move();
  ASSERT_EQ(result.tables.size(), 1u);
  EXPECT_EQ(result.tables[0].rows_moved, 4u);
  EXPECT_TRUE(result.Complete());
  ASSERT_EQ(result.tables[0].account.notes.size(), 1u);
  EXPECT_EQ(result.tables[0].account.notes[0].rfind("stock.VAL: ", 0), 0u);
  EXPECT_EQ(SqliteQuery(db_, "SELECT sum(\"notnull\") FROM pragma_table_info('stock')"),
            std::vector<std::string>{"i:0"});
}

// A unique tag is a constraint only where the rows keep it: dBASE's
// UNIQUE keeps the first record of each key in the index and allows any
// number in the table.
TEST_F(TableConstraintsTest, AUniqueTagIsUniqueOnlyWhereTheRowsAllowIt) {
  DbfLayout layout;
  layout.fields = {{"ID", 'N', 6}, {"NAME", 'C', 20}, {"CITY", 'C', 20}};
  layout.records = {{false, {"1", "Ann", "Oslo"}},
                    {false, {"2", "Bob", "Oslo"}},
                    {true, {"3", "Ann", "Rome"}},  // deleted: not moved, no clash
                    {false, {"4", "", "Rome"}},
                    {false, {"4.0", "", "Bergen"}}};
  Write("people.dbf", DbaseFile(layout));
  Write("people.mdx", MdxFile({{"BYNAME", "NAME", true},
                               {"BYCITY", "CITY", true},
                               {"BYID", "ID", true},
                               {"NAMECITY", "NAME+CITY", true}}));
  MoveResult result = Move();
  ASSERT_EQ(result.tables.size(), 1u);
  EXPECT_EQ(result.tables[0].rows_moved, 4u);
  EXPECT_TRUE(result.Complete());
  // Blank names are NULL, and NULLs never clash; 4 and 4.0 are one number.
  EXPECT_EQ(
      SqliteQuery(db_, "SELECT name, \"unique\" FROM pragma_index_list('people') ORDER BY name"),
      (std::vector<std::string>{"t:people_BYCITY | i:0", "t:people_BYID | i:0",
                                "t:people_BYNAME | i:1", "t:people_NAMECITY | i:1"}));
  EXPECT_EQ(result.tables[0].account.notes,
            (std::vector<std::string>{
                "people.dbf: index people_BYCITY is unique, but rows share a key: written as an "
                "index that is not unique",
                "people.dbf: index people_BYID is unique, but rows share a key: written as an "
                "index that is not unique"}));
  EXPECT_EQ(Schema(replayed_), Schema(db_));
  EXPECT_NE(SqliteExec(db_, "INSERT INTO people (ID, NAME) VALUES (9, 'Ann')"), "");
  EXPECT_EQ(SqliteExec(db_, "INSERT INTO people (ID, CITY) VALUES (9, 'Oslo')"), "");
}

}  // namespace
}  // namespace tolvern::data
