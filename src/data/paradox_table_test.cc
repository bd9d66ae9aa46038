// Paradox tables written byte by byte by the tests (tests/table_files.h),
// read back value by value: every field type, blanks, negative numbers, code
// pages, memos inline and in the .MB file, the block chain, damage.
#include "data/paradox_table.h"

#include <gtest/gtest.h>

#include "base/paths.h"
#include "platform/memory_disk.h"
#include "table_files.h"

namespace tolvern::data {
namespace {

using namespace tolvern::testing;

class ParadoxTableTest : public ::testing::Test {
 protected:
  ParadoxTableTest() {
    bool exists = false;
    disk_.CreateDir("/t", &exists);
  }
  void Write(const std::string& name, const std::string& bytes) {
    std::string error;
    ASSERT_TRUE(disk_.WriteFile(PathJoin("/t", name), bytes, &error)) << error;
  }
  std::unique_ptr<ParadoxTable> Open(const PxLayout& layout, ReadOptions options = {}) {
    Write("table.db", ParadoxFile(layout));
    error_.clear();
    return ParadoxTable::Open(disk_, PathJoin("/t", "table.db"), options, &error_);
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

// Every type but the blobs, one record of values and one of blanks.
TEST_F(ParadoxTableTest, EveryFixedTypeReadsItsValueAndItsBlank) {
  struct Case {
    PxField field;
    std::string bytes;
    Value expected;
    SqlType sql;
  };
  const std::vector<Case> cases = {
      {{0x01, 10, "A"}, PxAlpha("abc", 10), Value::Text("abc"), SqlType::kVarchar},
      {{0x02, 4, "D"}, PxDate(1997, 11, 19), Value::Text("1997-11-19"), SqlType::kDate},
      {{0x03, 2, "S"}, PxShort(-5), Value::Integer(-5), SqlType::kSmallint},
      {{0x04, 4, "L"}, PxLong(-100000), Value::Integer(-100000), SqlType::kInteger},
      {{0x05, 8, "M"}, PxDouble(-12.25), Value::Decimal("-12.25"), SqlType::kDecimal},
      {{0x06, 8, "N"}, PxDouble(0.1), Value::Real(0.1), SqlType::kDouble},
      {{0x09, 1, "B"}, PxLogical(false), Value::Boolean(false), SqlType::kBoolean},
      {{0x14, 4, "T"},
       PxTime(13 * 3600000 + 5 * 60000 + 7 * 1000 + 250),
       Value::Text("13:05:07.250"),
       SqlType::kTime},
      {{0x15, 8, "TS"},
       PxDouble((730348.0) * 86400000.0 + 62501000.0),
       Value::Text("2000-08-16 17:21:41"),
       SqlType::kTimestamp},
      {{0x16, 4, "AI"}, PxLong(7), Value::Integer(7), SqlType::kInteger},
      {{0x17, 2, "BCD"}, PxBcd("123450", true, 2), Value::Decimal("-1234.5"), SqlType::kDecimal},
      {{0x18, 4, "BY"},
       std::string("\0\x01\0\x02", 4),
       Value::Blob(std::string("\0\x01\0\x02", 4)),
       SqlType::kBinary},
  };
  PxLayout layout;
  std::vector<std::string> values, blanks;
  for (const Case& c : cases) {
    layout.fields.push_back(c.field);
    values.push_back(c.bytes);
    blanks.push_back(PxBlank(c.field.type == 0x17 ? 17 : c.field.size));
  }
  layout.records = {values, blanks};
  auto table = Open(layout);
  ASSERT_TRUE(table) << error_;
  std::vector<Row> rows = All(*table);
  ASSERT_EQ(rows.size(), 2u);
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].field.name);
    EXPECT_EQ(rows[0][i], cases[i].expected);
    // Blank is NULL, never the bytes read as a number (-2147483648 for a
    // long integer, 0001-01-01 for a date).
    EXPECT_EQ(rows[1][i], Value::Null());
    EXPECT_EQ(table->Schema().columns[i].type, cases[i].sql);
    EXPECT_EQ(table->Schema().columns[i].name, cases[i].field.name);
  }
  EXPECT_TRUE(table->Account().problems.empty());
}

TEST_F(ParadoxTableTest, NumbersKeepTheirSignAndEdges) {
  PxLayout layout;
  layout.fields = {{0x04, 4, "L"}, {0x03, 2, "S"}, {0x17, 4, "BCD"}, {0x02, 4, "D"}};
  // The field's size is the BCD's scale: four digits after the point.
  layout.records = {
      {PxLong(2147483647), PxShort(32767), PxBcd("1", false, 4), PxDate(1899, 12, 30)},
      {PxLong(-2147483647), PxShort(-32767), PxBcd("0", true, 4), PxDate(1900, 1, 1)},
      {PxLong(0), PxShort(0), PxBcd("99999", false, 4), PxDate(9999, 12, 31)}};
  auto table = Open(layout);
  ASSERT_TRUE(table) << error_;
  std::vector<Row> rows = All(*table);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (Row{Value::Integer(2147483647), Value::Integer(32767),
                          Value::Decimal("0.0001"), Value::Null()}));  // before 1900: NULL
  EXPECT_EQ(rows[1], (Row{Value::Integer(-2147483647), Value::Integer(-32767), Value::Decimal("0"),
                          Value::Text("1900-01-01")}));
  EXPECT_EQ(rows[2], (Row{Value::Integer(0), Value::Integer(0), Value::Decimal("9.9999"),
                          Value::Text("9999-12-31")}));
}

// Memos inline (shorter than the leader), memos and blobs in the .MB file
// (a block of one and a block of small ones), and a blank blob.
TEST_F(ParadoxTableTest, MemosAndBlobsInlineAndInTheMbFile) {
  MbFile mb;
  const std::string big(5000, 'x');
  const std::string graphic("\0\x01\x02\xFF", 4);
  std::uint32_t single = mb.AddSingle(big);
  std::vector<std::uint32_t> small = mb.AddSmall({"small memo text in a shared block", graphic});
  Write("TABLE.MB", mb.bytes());  // found in any letter case
  PxLayout layout;
  layout.fields = {{0x0C, 20, "Memo"}, {0x10, 10, "Pic"}, {0x0D, 10, "Bin"}};
  layout.records = {
      {PxBlob(20, "short", 0, 5), PxBlob(10, "", small[1], 4), PxBlob(10, "", single, 5000)},
      {PxBlob(20, "small memo", small[0], 33), PxBlank(10), PxBlank(10)},
  };
  auto table = Open(layout);
  ASSERT_TRUE(table) << error_;
  std::vector<Row> rows = All(*table);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (Row{Value::Text("short"), Value::Blob(graphic), Value::Blob(big)}));
  EXPECT_EQ(rows[1],
            (Row{Value::Text("small memo text in a shared block"), Value::Null(), Value::Null()}));
  EXPECT_TRUE(table->Account().problems.empty());
  EXPECT_EQ(table->Schema().columns[0].type, SqlType::kClob);
  EXPECT_EQ(table->Schema().columns[1].type, SqlType::kBlob);
}

TEST_F(ParadoxTableTest, AMissingOrCutMbFileNamesTheBlobAndKeepsTheRows) {
  MbFile mb;
  std::uint32_t single = mb.AddSingle(std::string(3000, 'y'));
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}, {0x0C, 11, "Memo"}};
  layout.records = {{PxLong(1), PxBlob(11, "y", single, 3000)}, {PxLong(2), PxBlank(11)}};
  auto table = Open(layout);  // no .MB yet
  ASSERT_TRUE(table) << error_;
  EXPECT_EQ(All(*table).size(), 2u);
  ASSERT_EQ(table->Account().problems.size(), 1u);
  EXPECT_NE(table->Account().problems[0].find("the .MB file, which is missing"), std::string::npos)
      << table->Account().problems[0];
  Write("table.mb", mb.bytes().substr(0, 4096 + 1000));
  table = Open(layout);
  ASSERT_TRUE(table) << error_;
  std::vector<Row> rows = All(*table);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][1], Value::Null());
  ASSERT_EQ(table->Account().problems.size(), 1u);
  EXPECT_NE(table->Account().problems[0].find("MB offset 4105: the blob of 3000 bytes runs past"),
            std::string::npos)
      << table->Account().problems[0];
}

TEST_F(ParadoxTableTest, TextDecodesFromTheHeadersCodePage) {
  struct Case {
    int code_page;
    std::string bytes;
    std::string utf8;
  };
  const std::vector<Case> cases = {
      {1251, "\xCF\xF0\xE8\xE2\xE5\xF2", "Привет"},
      {1252, "Caf\xE9 \x80", "Café €"},
      {850, "Caf\x82 \x9C", "Café £"},
      {866, "\x8F\xE0\xA8", "При"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code_page);
    PxLayout layout;
    layout.code_page = c.code_page;
    layout.fields = {{0x01, 20, "N\xE9" + std::string(c.code_page == 1252 ? "" : "x")}};
    layout.records = {{PxAlpha(c.bytes, 20)}};
    auto table = Open(layout);
    ASSERT_TRUE(table) << error_;
    EXPECT_EQ(table->CodePage(), c.code_page);
    Row row;
    ASSERT_TRUE(table->Next(&row));
    EXPECT_EQ(row[0], Value::Text(c.utf8));
  }
}

TEST_F(ParadoxTableTest, AnOldHeaderTakesTheCodePageGiven) {
  PxLayout layout;
  layout.version = 4;  // Paradox 3.5: no code page in the header
  layout.fields = {{0x01, 8, "A"}};
  layout.records = {{PxAlpha("\xE0\xE1", 8)}};
  ReadOptions options;
  options.code_page = 1251;
  auto table = Open(layout, options);
  ASSERT_TRUE(table) << error_;
  Row row;
  ASSERT_TRUE(table->Next(&row));
  EXPECT_EQ(row[0], Value::Text("аб"));
}

// The chain, not the file's order nor the header's count, gives the records.
TEST_F(ParadoxTableTest, TheChainGivesTheRecordsAndADifferentCountIsNoted) {
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}};
  layout.records_per_block = 3;
  layout.reverse_blocks = true;
  layout.header_count = 4;
  layout.key_fields = 1;
  for (int i = 1; i <= 10; ++i) layout.records.push_back({PxLong(i)});
  auto table = Open(layout);
  ASSERT_TRUE(table) << error_;
  std::vector<Row> rows = All(*table);
  ASSERT_EQ(rows.size(), 10u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(rows[i][0], Value::Integer(i + 1));
  EXPECT_TRUE(table->Account().problems.empty());
  ASSERT_EQ(table->Account().notes.size(), 1u);
  EXPECT_EQ(table->Account().notes[0],
            "table.db: the header counts 4 records, the block chain holds 10; the chain's "
            "records are moved");
  EXPECT_EQ(table->Schema().primary_key, std::vector<int>{0});
}

TEST_F(ParadoxTableTest, ALoopInTheChainIsNamedNotFollowed) {
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}};
  layout.records_per_block = 2;
  for (int i = 1; i <= 4; ++i) layout.records.push_back({PxLong(i)});
  std::string file = ParadoxFile(layout);
  file[ParadoxBlockOffset(layout, 2)] = 1;  // block 2 points back at block 1
  Write("table.db", file);
  auto table = ParadoxTable::Open(disk_, PathJoin("/t", "table.db"), {}, &error_);
  ASSERT_TRUE(table) << error_;
  EXPECT_EQ(All(*table).size(), 4u);
  ASSERT_EQ(table->Account().problems.size(), 1u);
  EXPECT_EQ(table->Account().problems[0],
            "table.db: offset 2048: the block chain comes back to block 1");
}

TEST_F(ParadoxTableTest, EncryptedAndForeignFilesAreNamed) {
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}};
  layout.encrypted = true;
  layout.records = {{PxLong(1)}};
  EXPECT_FALSE(Open(layout));
  EXPECT_NE(error_.find("table.db: the table is password-protected"), std::string::npos) << error_;
  Write("Thumbs.db", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0'));
  EXPECT_FALSE(ParadoxTable::Open(disk_, PathJoin("/t", "Thumbs.db"), {}, &error_));
  EXPECT_EQ(error_, "Thumbs.db: not a Paradox table: file type 161, block size 177 KB");
}

}  // namespace
}  // namespace tolvern::data
