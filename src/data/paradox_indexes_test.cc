// Secondary index files written by the tests (tests/table_files.h) beside a
// Paradox table: the indexes the table's schema gets from them, and the
// notes for the files that are damaged or do not fit the table.
#include "data/paradox_indexes.h"

#include <gtest/gtest.h>

#include "base/paths.h"
#include "data/paradox_table.h"
#include "platform/memory_disk.h"
#include "table_files.h"

namespace tolvern::data {
namespace {

using namespace tolvern::testing;

PxLayout People() {
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}, {0x01, 20, "Name"}, {0x01, 20, "City"}, {0x06, 8, "Amount"}};
  layout.key_fields = 1;
  for (int i = 1; i <= 5; ++i)
    layout.records.push_back({PxLong(i), PxAlpha("name " + std::to_string(i), 20),
                              PxAlpha(i % 2 ? "Oslo" : "Bergen", 20), PxDouble(i * 1.5)});
  return layout;
}

class ParadoxIndexesTest : public ::testing::Test {
 protected:
  ParadoxIndexesTest() {
    bool exists = false;
    disk_.CreateDir("/t", &exists);
  }
  void Write(const std::string& name, const std::string& bytes) {
    std::string error;
    ASSERT_TRUE(disk_.WriteFile(PathJoin("/t", name), bytes, &error)) << error;
  }
  // Opens the table and reads it to its end.
  std::unique_ptr<ParadoxTable> Read(const PxLayout& layout) {
    Write("people.db", ParadoxFile(layout));
    std::string error;
    auto table = ParadoxTable::Open(disk_, PathJoin("/t", "people.db"), {}, &error);
    EXPECT_TRUE(table) << error;
    Row row;
    size_t rows = 0;
    while (table && table->Next(&row)) ++rows;
    EXPECT_EQ(rows, layout.records.size());
    return table;
  }
  MemoryDisk disk_;
};

TEST_F(ParadoxIndexesTest, SingleAndCompositeIndexesNameTheirFields) {
  const PxLayout layout = People();
  Write("people.X02", ParadoxIndexFile(layout, {1}));
  Write("PEOPLE.xg0", ParadoxIndexFile(layout, {2, 3}, "ByCityAmount", {false, true}));
  Write("people.YG0", "the index of the index: not read");
  Write("other.XG1", ParadoxIndexFile(layout, {2}, "NotThisTable"));
  auto table = Read(layout);
  ASSERT_TRUE(table);
  const std::vector<TableIndex>& indexes = table->Schema().indexes;
  ASSERT_EQ(indexes.size(), 2u);
  EXPECT_EQ(indexes[0].name, "ByCityAmount");
  EXPECT_EQ(indexes[0].columns, (std::vector<int>{2, 3}));
  EXPECT_EQ(indexes[0].descending, (std::vector<bool>{false, true}));
  EXPECT_EQ(indexes[1].name, "Name");
  EXPECT_EQ(indexes[1].columns, std::vector<int>{1});
  EXPECT_EQ(indexes[1].descending, std::vector<bool>{false});
  EXPECT_FALSE(indexes[0].unique || indexes[1].unique);
  EXPECT_TRUE(table->Account().notes.empty()) << table->Account().notes[0];
}

TEST_F(ParadoxIndexesTest, TheExtensionsOfIndexFiles) {
  for (const char* ext : {".X02", ".x0a", ".XG0", ".xg9", ".XFF"})
    EXPECT_TRUE(IsParadoxIndexExt(ext));
  for (const char* ext : {".Y02", ".YG0", ".XGA", ".X0", ".X012", ".PX", ".MB", ".XG"})
    EXPECT_FALSE(IsParadoxIndexExt(ext)) << ext;
}

// Every kind of damage is noted, naming the file, and the table still
// moves whole with the indexes that could be read.
TEST_F(ParadoxIndexesTest, DamagedOrUnclearIndexFilesAreNotedAndLeftOut) {
  PxLayout layout = People();
  const std::string good = ParadoxIndexFile(layout, {1}, "ByName");
  PxLayout renamed = layout, retyped = layout, other_key = layout;
  renamed.fields[2].name = "Town";
  retyped.fields[2] = {0x04, 4, "City"};
  other_key.fields[0].name = "Code";
  // The number says Amount, the name City: a file from before a restructure.
  std::string moved = ParadoxIndexFile(layout, {2}, "ByCity");
  ParadoxHeader header;
  std::string why;
  ASSERT_TRUE(ReadParadoxFileHeader(moved, true, &header, &why)) << why;
  moved[header.names_end] = 4;
  struct Case {
    std::string bytes;
    std::string note;
  };
  const std::vector<Case> cases = {
      {good.substr(0, 100),
       "people.XG1: the header is damaged: the file is cut short at 100 bytes; the index is not "
       "written"},
      {good.substr(0, 1000),
       "people.XG1: the header is damaged: the file is shorter than its header (2048 bytes); the "
       "index is not written"},
      {ParadoxIndexFile(renamed, {2}, "ByTown"),
       "people.XG1: its field Town (number 3) is not that field of the table: the indexed fields "
       "are unclear; the index is not written"},
      {moved,
       "people.XG1: its field City (number 4) is not that field of the table: the indexed fields "
       "are unclear; the index is not written"},
      {ParadoxIndexFile(other_key, {2}, "ByCity"),
       "people.XG1: its key does not end with the table's key fields: the indexed fields are "
       "unclear; the index is not written"},
      {ParadoxIndexFile(retyped, {2}, "ByCity"),
       "people.XG1: its field City (number 3) is not that field of the table: the indexed fields "
       "are unclear; the index is not written"},
      {ParadoxFile(layout),
       "people.XG1: not a Paradox index file: file type 0, block size 2 KB; the index is not "
       "written"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    Write("people.XG0", good);
    Write("people.XG1", c.bytes);
    auto table = Read(layout);
    ASSERT_TRUE(table);
    ASSERT_EQ(table->Schema().indexes.size(), 1u);
    EXPECT_EQ(table->Schema().indexes[0].name, "ByName");
    ASSERT_EQ(table->Account().notes.size(), 1u);
    EXPECT_EQ(table->Account().notes[0], c.note);
    EXPECT_TRUE(table->Account().problems.empty());
  }
}

TEST_F(ParadoxIndexesTest, AnIndexOfATableWithoutKeyIsUnclear) {
  PxLayout keyed = People();
  Write("people.XG0", ParadoxIndexFile(keyed, {1}, "ByName"));
  PxLayout layout = keyed;
  layout.key_fields = 0;
  auto table = Read(layout);
  ASSERT_TRUE(table);
  EXPECT_TRUE(table->Schema().indexes.empty());
  ASSERT_EQ(table->Account().notes.size(), 1u);
  EXPECT_EQ(table->Account().notes[0],
            "people.XG0: its 2 key fields do not match the table's 0: the indexed fields are "
            "unclear; the index is not written");
}

}  // namespace
}  // namespace tolvern::data
