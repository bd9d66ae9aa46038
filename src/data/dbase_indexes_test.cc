// dBASE index files written by the tests beside a table: which key
// expressions become indexes, and the notes for the rest and for damage.
#include "data/dbase_indexes.h"

#include <gtest/gtest.h>

#include "base/paths.h"
#include "data/dbase_table.h"
#include "platform/memory_disk.h"
#include "table_files.h"

namespace tolvern::data {
namespace {

using namespace tolvern::testing;

const std::vector<Column> kColumns = {{"ID", "N", SqlType::kDecimal, 6},
                                      {"Name", "C", SqlType::kVarchar, 20},
                                      {"CITY", "C", SqlType::kVarchar, 20},
                                      {"BORN", "D", SqlType::kDate}};

TEST(DbaseKeyColumnsTest, FieldsUpperAndJoinedTextFieldsOnly) {
  struct Case {
    std::string expression;
    std::vector<int> columns;  // empty: not the table's fields
  };
  const std::vector<Case> cases = {
      {"NAME", {1}},         {" upper( name ) ", {1}},
      {"CITY+NAME", {2, 1}}, {"UPPER(CITY) + Name", {2, 1}},
      {"ID", {0}},           {"BORN", {3}},
      {"ID+NAME", {}},  // "+" adds numbers
      {"NAME+ID", {}},       {"STR(ID,6)+NAME", {}},
      {"DTOS(BORN)", {}},    {"UPPER(ID)", {}},
      {"NOSUCH", {}},        {"", {}},
      {"NAME+", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    std::vector<int> columns;
    std::string why;
    EXPECT_EQ(KeyColumns(c.expression, kColumns, &columns, &why), !c.columns.empty());
    if (c.columns.empty())
      EXPECT_EQ(why, "the key expression \"" + c.expression + "\" is not the table's fields");
    else
      EXPECT_EQ(columns, c.columns);
  }
}

class DbaseIndexesTest : public ::testing::Test {
 protected:
  DbaseIndexesTest() {
    bool exists = false;
    disk_.CreateDir("/t", &exists);
  }
  void Write(const std::string& name, const std::string& bytes) {
    std::string error;
    ASSERT_TRUE(disk_.WriteFile(PathJoin("/t", name), bytes, &error)) << error;
  }
  std::unique_ptr<DbaseTable> Open() {
    DbfLayout layout;
    layout.fields = {{"ID", 'N', 6}, {"NAME", 'C', 20}, {"CITY", 'C', 20}};
    layout.records = {{false, {"1", "Ann", "Oslo"}}, {false, {"2", "Bob", "Oslo"}}};
    Write("people.dbf", DbaseFile(layout));
    std::string error;
    auto table = DbaseTable::Open(disk_, PathJoin("/t", "people.dbf"), {}, &error);
    EXPECT_TRUE(table) << error;
    return table;
  }
  MemoryDisk disk_;
};

TEST_F(DbaseIndexesTest, TagsOfTheMdxAndTheNdxNamedAsTheTable) {
  Write("PEOPLE.MDX", MdxFile({{"BYNAME", "NAME", true, false},
                               {"COMBO", "UPPER(CITY)+NAME", false, true},
                               {"NUMNAME", "STR(ID,6)+NAME"}}));
  Write("people.ndx", NdxFile("CITY"));
  Write("other.ndx", NdxFile("NAME"));
  auto table = Open();
  ASSERT_TRUE(table);
  const std::vector<TableIndex>& indexes = table->Schema().indexes;
  ASSERT_EQ(indexes.size(), 3u);
  EXPECT_EQ(indexes[0].name, "BYNAME");
  EXPECT_EQ(indexes[0].columns, std::vector<int>{1});
  EXPECT_TRUE(indexes[0].unique);
  EXPECT_EQ(indexes[1].name, "COMBO");
  EXPECT_EQ(indexes[1].columns, (std::vector<int>{2, 1}));
  EXPECT_EQ(indexes[1].descending, (std::vector<bool>{true, true}));
  EXPECT_FALSE(indexes[1].unique);
  EXPECT_EQ(indexes[2].name, "people");
  EXPECT_EQ(indexes[2].columns, std::vector<int>{2});
  ASSERT_EQ(table->Account().notes.size(), 1u);
  EXPECT_EQ(table->Account().notes[0],
            "PEOPLE.MDX: tag NUMNAME: the key expression \"STR(ID,6)+NAME\" is not the table's "
            "fields; the index is not written");
  EXPECT_TRUE(table->Account().problems.empty());
}

TEST_F(DbaseIndexesTest, DamagedAndUnreadIndexFilesAreNoted) {
  const std::string mdx = MdxFile({{"BYNAME", "NAME"}, {"BYCITY", "CITY"}});
  struct Case {
    std::string name, bytes, note;
  };
  const std::vector<Case> cases = {
      {"people.mdx", mdx.substr(0, 300),
       "people.mdx: the file is cut short at 300 bytes; its indexes are not written"},
      {"people.mdx", mdx.substr(0, 2048),
       "people.mdx: offset 576: tag BYCITY has its header past the end of the file; its indexes "
       "are not written"},
      {"people.mdx", std::string(1, '\3') + mdx.substr(1),
       "people.mdx: not a dBASE IV production index (version byte 3); its indexes are not "
       "written"},
      {"people.ndx", "short",
       "people.ndx: the file is cut short at 5 bytes; its indexes are not written"},
      {"people.cdx", mdx,
       "people.cdx: FoxPro compound indexes are not read; its indexes are not written"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    Write(c.name, c.bytes);
    auto table = Open();
    ASSERT_TRUE(table);
    EXPECT_TRUE(table->Schema().indexes.empty());
    ASSERT_EQ(table->Account().notes.size(), 1u);
    EXPECT_EQ(table->Account().notes[0], c.note);
    std::string ignored;
    disk_.DeleteFile(PathJoin("/t", c.name), &ignored);
  }
}

}  // namespace
}  // namespace tolvern::data
