// dBASE tables of each family written by the tests, read back value by
// value: every field type, deleted records, language drivers, memo files.
#include "data/dbase_table.h"

#include <gtest/gtest.h>

#include <bit>

#include "base/paths.h"
#include "platform/memory_disk.h"
#include "table_files.h"

namespace tolvern::data {
namespace {

using namespace tolvern::testing;

std::string BigEndianBytes(std::uint64_t v, int n) {
  std::string b(n, '\0');
  for (int i = n - 1; i >= 0; --i, v >>= 8) b[i] = static_cast<char>(v & 0xFF);
  return b;
}

class DbaseTableTest : public ::testing::Test {
 protected:
  DbaseTableTest() {
    bool exists = false;
    disk_.CreateDir("/t", &exists);
  }
  void Write(const std::string& name, const std::string& bytes) {
    std::string error;
    ASSERT_TRUE(disk_.WriteFile(PathJoin("/t", name), bytes, &error)) << error;
  }
  std::unique_ptr<DbaseTable> Open(const DbfLayout& layout, ReadOptions options = {}) {
    Write("people.dbf", DbaseFile(layout));
    error_.clear();
    return DbaseTable::Open(disk_, PathJoin("/t", "people.dbf"), options, &error_);
  }
  static std::vector<Row> All(TableReader& table) {
    std::vector<Row> rows;
    Row row;
    while (table.Next(&row)) rows.push_back(row);
    return rows;
  }
  MemoryDisk disk_;
  std::string error_;
};

TEST_F(DbaseTableTest, DbaseThreeTypesBlanksAndDeletedRecords) {
  const std::vector<std::string> memos = {"first memo", std::string(700, 'm')};
  Write("PEOPLE.DBT", Dbt3File(memos));
  DbfLayout layout;
  layout.version = 0x83;
  layout.fields = {{"NAME", 'C', 10}, {"AMOUNT", 'N', 8, 2}, {"RATE", 'F', 10, 3},
                   {"OK", 'L', 1},    {"BORN", 'D', 8},      {"NOTES", 'M', 10}};
  layout.records = {
      {false,
       {"Ann", "  -12.50", "     1.125", "T", "19701231", std::to_string(Dbt3Block(memos, 0))}},
      {true, {"Gone", "1", "1", "F", "20000101", ""}},
      {false, {"", "", "", "?", "", ""}},
      {false, {"Bob", "       3", "1e3", "n", "18991231", std::to_string(Dbt3Block(memos, 1))}},
  };
  auto table = Open(layout);
  ASSERT_TRUE(table) << error_;
  std::vector<Row> rows = All(*table);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0],
            (Row{Value::Text("Ann"), Value::Decimal("-12.50"), Value::Decimal("1.125"),
                 Value::Boolean(true), Value::Text("1970-12-31"), Value::Text("first memo")}));
  EXPECT_EQ(rows[1], Row(6, Value::Null()));
  EXPECT_EQ(rows[2], (Row{Value::Text("Bob"), Value::Decimal("3"), Value::Decimal("1e3"),
                          Value::Boolean(false), Value::Null(), Value::Text(memos[1])}));
  EXPECT_EQ(table->Account().rows_deleted, 1u);
  EXPECT_TRUE(table->Account().problems.empty());
  EXPECT_EQ(table->Schema().columns[1].type, SqlType::kDecimal);
  EXPECT_EQ(table->Schema().columns[1].length, 8);
  EXPECT_EQ(table->Schema().columns[1].scale, 2);
}

TEST_F(DbaseTableTest, FoxProBinaryFieldsAndFptMemos) {
  const std::vector<std::string> memos = {"fox memo", std::string("\0\x01pic", 5)};
  Write("people.FPT", FptFile(memos));
  DbfLayout layout;
  layout.version = 0x30;
  layout.language_driver = 0x03;
  layout.fields = {{"I", 'I', 4}, {"Y", 'Y', 8}, {"T", 'T', 8},
                   {"B", 'B', 8}, {"M", 'M', 4}, {"G", 'G', 4}};
  layout.records = {{{false,
                      {Le32Bytes(static_cast<std::uint32_t>(-7)),
                       Le32Bytes(static_cast<std::uint32_t>(-123456)) + Le32Bytes(0xFFFFFFFF),
                       Le32Bytes(2451773) + Le32Bytes(62501000),
                       BigEndianBytes(0, 0) + Le32Bytes(0) + Le32Bytes(0x3FF80000),
                       Le32Bytes(FptBlock(memos, 0)), Le32Bytes(FptBlock(memos, 1))}}}};
  auto table = Open(layout);
  ASSERT_TRUE(table) << error_;
  std::vector<Row> rows = All(*table);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0],
            (Row{Value::Integer(-7), Value::Decimal("-12.3456"), Value::Text("2000-08-16 17:21:41"),
                 Value::Real(1.5), Value::Text("fox memo"), Value::Blob(memos[1])}));
  EXPECT_EQ(table->CodePage(), 1252);
}

TEST_F(DbaseTableTest, DbaseSevenIntegersDoublesTimestampsAndDbtMemos) {
  const std::vector<std::string> memos = {"seven", std::string(600, 's')};
  Write("people.dbt", Dbt4File(memos));
  DbfLayout layout;
  layout.version = 0x8C;
  layout.fields = {{"ID", '+', 4}, {"N", 'I', 4},   {"D", 'O', 8},
                   {"AT", '@', 8}, {"M1", 'M', 10}, {"M2", 'M', 10}};
  const std::uint64_t at_ms = std::bit_cast<std::uint64_t>(63102129701000.0);
  layout.records = {{false,
                     {BigEndianBytes(0x80000001, 4), BigEndianBytes(0x7FFFFFFE, 4),
                      BigEndianBytes(std::bit_cast<std::uint64_t>(2.5) | (1ull << 63), 8),
                      BigEndianBytes(at_ms, 8), std::to_string(Dbt4Block(memos, 0)),
                      std::to_string(Dbt4Block(memos, 1))}}};
  auto table = Open(layout);
  ASSERT_TRUE(table) << error_;
  std::vector<Row> rows = All(*table);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0],
            (Row{Value::Integer(1), Value::Integer(-2), Value::Real(2.5),
                 Value::Text("2000-08-16 17:21:41"), Value::Text("seven"), Value::Text(memos[1])}));
  EXPECT_TRUE(table->Schema().columns[0].not_null);
}

TEST_F(DbaseTableTest, TheLanguageDriverGivesTheCodePage) {
  struct Case {
    int driver;
    std::string bytes, utf8;
  };
  const std::vector<Case> cases = {{0x26, "\x8F\xE0\xA8", "При"},
                                   {0xC9, "\xCF\xF0\xE8", "При"},
                                   {0x02, "\x82\x9C", "é£"},
                                   {0x03, "\xE9\x80", "é€"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.driver);
    DbfLayout layout;
    layout.language_driver = c.driver;
    layout.fields = {{"T", 'C', 10}};
    layout.records = {{false, {c.bytes}}};
    auto table = Open(layout);
    ASSERT_TRUE(table) << error_;
    Row row;
    ASSERT_TRUE(table->Next(&row));
    EXPECT_EQ(row[0], Value::Text(c.utf8));
  }
}

TEST_F(DbaseTableTest, BadValuesAndAMissingMemoFileAreNamedOnce) {
  DbfLayout layout;
  layout.version = 0x83;
  layout.fields = {{"N", 'N', 5}, {"M", 'M', 10}};
  layout.records = {{false, {"*****", "1"}}, {false, {"12x", "2"}}, {false, {"7", ""}}};
  auto table = Open(layout);
  ASSERT_TRUE(table) << error_;
  std::vector<Row> rows = All(*table);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2], (Row{Value::Decimal("7"), Value::Null()}));
  const auto& problems = table->Account().problems;
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0],
            "people.dbf: offset 98: field N: \"*****\" is no N value (this and any later such "
            "values are NULL)");
  EXPECT_EQ(problems[1],
            "people.dbf: offset 103: field M: the memo file .DBT is missing (this and any later "
            "such values are NULL)");
}

TEST_F(DbaseTableTest, ForeignBytesAreNoTable) {
  Write("x.dbf", "SQLite format 3" + std::string(100, '\0'));
  EXPECT_FALSE(DbaseTable::Open(disk_, PathJoin("/t", "x.dbf"), {}, &error_));
  EXPECT_EQ(error_, "x.dbf: not a dBASE table: version byte 83");
}

}  // namespace
}  // namespace tolvern::data
