// The summary's lines for what a move noted: a table's notes under it, and
// the index and check files of no table after the tables.
#include "data/move_summary.h"

#include <gtest/gtest.h>

#include "base/paths.h"

namespace tolvern::data {
namespace {

TEST(MoveSummaryTest, NotesOfTablesAndOfFilesOfNoTable) {
  MoveResult result;
  TableOutcome& t = result.tables.emplace_back();
  t.file = PathJoin("base", "stock.db");
  t.table = "stock";
  t.rows_moved = 4;
  t.account.rows_read = 4;
  t.account.notes = {"stock.VAL: field Count: not enforced: minimum and maximum"};
  result.notes = {PathJoin("base", "byname.ndx") +
                  ": no dBASE table here has its name, so it is not read"};
  EXPECT_EQ(MoveSummary(result, "base"),
            "stock.db: table \"stock\": 4 rows moved\n"
            "  note: stock.VAL: field Count: not enforced: minimum and maximum\n"
            "note: byname.ndx: no dBASE table here has its name, so it is not read\n"
            "1 table, 4 rows moved\n");
  EXPECT_TRUE(result.Complete());  // notes lose nothing
}

}  // namespace
}  // namespace tolvern::data
