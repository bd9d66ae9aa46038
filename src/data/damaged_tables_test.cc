// Tables cut short at every block and at points between, and tables with
// bytes overwritten: the reader never crashes, never makes up a row, names
// the file and the offset, and gives every whole record before the damage.
#include <gtest/gtest.h>

#include <random>

#include "base/paths.h"
#include "data/dbase_table.h"
#include "data/paradox_table.h"
#include "platform/memory_disk.h"
#include "table_files.h"

namespace tolvern::data {
namespace {

using namespace tolvern::testing;

std::vector<Row> ReadAll(TableReader& table) {
  std::vector<Row> rows;
  Row row;
  while (table.Next(&row)) rows.push_back(row);
  return rows;
}

class DamagedTablesTest : public ::testing::Test {
 protected:
  DamagedTablesTest() {
    bool exists = false;
    disk_.CreateDir("/t", &exists);
  }
  // Opens the table of bytes with the reader of its kind; rows and account
  // when it opened, the error otherwise.
  std::unique_ptr<TableReader> Open(const std::string& name, const std::string& bytes) {
    std::string error;
    EXPECT_TRUE(disk_.WriteFile(PathJoin("/t", name), bytes, &error)) << error;
    error_.clear();
    if (name.ends_with(".db")) return ParadoxTable::Open(disk_, PathJoin("/t", name), {}, &error_);
    return DbaseTable::Open(disk_, PathJoin("/t", name), {}, &error_);
  }
  // Checks a cut or damaged copy against the whole table's rows.
  void Check(const std::string& name, const std::string& bytes, const std::vector<Row>& whole,
             bool cut) {
    auto table = Open(name, bytes);
    if (!table) {
      EXPECT_EQ(error_.rfind(name + ": ", 0), 0u) << error_;
      return;
    }
    std::vector<Row> rows = ReadAll(*table);
    ASSERT_LE(rows.size(), whole.size());
    if (!cut) return;  // overwritten bytes may change values, never add rows
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], whole[i]) << "row " << i;
    if (rows.size() < whole.size()) {
      ASSERT_FALSE(table->Account().problems.empty()) << bytes.size() << " bytes";
      EXPECT_TRUE(table->Account().incomplete);
      EXPECT_NE(table->Account().problems[0].find(name + ": offset "), std::string::npos)
          << table->Account().problems[0];
    }
  }
  MemoryDisk disk_;
  std::string error_;
};

PxLayout FiveBlocks() {
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}, {0x01, 30, "Name"}, {0x06, 8, "Amount"}};
  layout.block_kb = 1;
  layout.records_per_block = 20;
  for (int i = 0; i < 100; ++i)
    layout.records.push_back(
        {PxLong(i), PxAlpha("name " + std::to_string(i), 30), PxDouble(i / 4.0)});
  return layout;
}

DbfLayout DbaseRows() {
  DbfLayout layout;
  layout.fields = {{"ID", 'N', 6}, {"NAME", 'C', 30}, {"BORN", 'D', 8}};
  for (int i = 0; i < 100; ++i)
    layout.records.push_back(
        {i % 7 == 3, {std::to_string(i), "name " + std::to_string(i), "19800101"}});
  return layout;
}

TEST_F(DamagedTablesTest, AParadoxTableCutAtEachBlockAndBetween) {
  const PxLayout layout = FiveBlocks();
  const std::string file = ParadoxFile(layout);
  auto whole_table = Open("cut.db", file);
  ASSERT_TRUE(whole_table) << error_;
  const std::vector<Row> whole = ReadAll(*whole_table);
  ASSERT_EQ(whole.size(), 100u);
  std::vector<size_t> cuts = {0, 5, 6, 0x40, 0x77, 0x78, 0x100, 0x7FF};
  for (int n = 1; n <= 5; ++n)
    for (long d : {-1L, 0L, 1L, 7L, 500L}) cuts.push_back(ParadoxBlockOffset(layout, n) + d);
  for (size_t cut : cuts) {
    SCOPED_TRACE(cut);
    Check("cut.db", file.substr(0, std::min(cut, file.size())), whole, true);
  }
}

TEST_F(DamagedTablesTest, ADbaseTableCutAtEachRecordStretch) {
  const std::string file = DbaseFile(DbaseRows());
  auto whole_table = Open("cut.dbf", file);
  ASSERT_TRUE(whole_table) << error_;
  const std::vector<Row> whole = ReadAll(*whole_table);
  ASSERT_EQ(whole.size(), 86u);
  EXPECT_EQ(whole_table->Account().rows_deleted, 14u);
  for (size_t cut = 0; cut < file.size(); cut += 97) {
    SCOPED_TRACE(cut);
    Check("cut.dbf", file.substr(0, cut), whole, true);
  }
}

// A bounded walk of overwritten bytes: whatever they say, reading ends.
TEST_F(DamagedTablesTest, OverwrittenBytesNeverCrashTheReaders) {
  std::mt19937 random(20261209);
  const std::string paradox = ParadoxFile(FiveBlocks());
  const std::string dbase = DbaseFile(DbaseRows());
  for (int round = 0; round < 300; ++round) {
    bool px = round % 2 == 0;
    std::string bytes = px ? paradox : dbase;
    for (int k = 0; k < 4; ++k) {
      size_t at = random() % (px ? 0x800 + 200 : bytes.size());
      bytes[at] = static_cast<char>(random() & 0xFF);
    }
    SCOPED_TRACE(round);
    // At most the records the blocks and the file have room for.
    Check(px ? "hit.db" : "hit.dbf", bytes, std::vector<Row>(200), false);
  }
}

}  // namespace
}  // namespace tolvern::data
