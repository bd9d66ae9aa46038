// Password-protected Paradox tables: read with the password that opens them
// they give exactly the rows of the same table unencrypted (every field
// type, memos inline and in the .MB file, blocks out of chain order); a
// wrong password or none names the table and what to do, and never gives a
// row. The encrypted files come from the tests' writer with pxlib's cipher
// and from pxlib's own writer.
#include <gtest/gtest.h>

#include "base/paths.h"
#include "data/paradox_cipher.h"
#include "data/paradox_table.h"
#include "platform/disk.h"
#include "platform/memory_disk.h"
#include "pxlib_tables.h"
#include "table_files.h"
#include "test_support.h"

namespace tolvern::data {
namespace {

using namespace tolvern::testing;

constexpr char kPassword[] = "Geheim7";

std::vector<Row> All(TableReader& table) {
  std::vector<Row> rows;
  Row row;
  while (table.Next(&row)) rows.push_back(row);
  return rows;
}

class ParadoxPasswordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ParadoxCipherAvailable()) GTEST_SKIP() << "built without pxlib: tables are not decrypted";
    bool exists = false;
    disk_.CreateDir("/t", &exists);
  }
  void Write(const std::string& name, const std::string& bytes) {
    std::string error;
    ASSERT_TRUE(disk_.WriteFile(PathJoin("/t", name), bytes, &error)) << error;
  }
  std::unique_ptr<ParadoxTable> Open(std::vector<std::string> passwords) {
    ReadOptions options;
    options.passwords = std::move(passwords);
    error_.clear();
    return ParadoxTable::Open(disk_, "/t/table.db", options, &error_);
  }
  MemoryDisk disk_;
  std::string error_;
};

// Every field type the writer knows, values and blanks, memos inline and in
// the .MB file, several blocks whose numbers differ from their chain order.
PxLayout EveryType(std::uint32_t single, const std::vector<std::uint32_t>& small) {
  PxLayout layout;
  layout.fields = {{0x01, 10, "A"},  {0x02, 4, "D"},   {0x03, 2, "S"},   {0x04, 4, "L"},
                   {0x05, 8, "M"},   {0x06, 8, "N"},   {0x09, 1, "B"},   {0x14, 4, "T"},
                   {0x15, 8, "TS"},  {0x16, 4, "AI"},  {0x17, 2, "BCD"}, {0x18, 4, "BY"},
                   {0x0C, 20, "Me"}, {0x10, 10, "Gr"}, {0x0D, 10, "Bi"}, {0x0E, 12, "FM"}};
  layout.records_per_block = 2;
  layout.reverse_blocks = true;
  layout.key_fields = 1;
  for (int i = 0; i < 7; ++i) {
    std::vector<std::string> r = {PxAlpha("row" + std::to_string(i), 10),
                                  PxDate(1990 + i, 1 + i, 2 + i),
                                  PxShort(-i),
                                  PxLong(100000 * i - 7),
                                  PxDouble(-12.25 * i),
                                  PxDouble(0.1 * i),
                                  PxLogical(i % 2),
                                  PxTime(i * 3600000),
                                  PxDouble(730348.0 * 86400000.0 + i),
                                  PxLong(i + 1),
                                  PxBcd(std::to_string(12345 * (i + 1)), i % 2, 2),
                                  std::string("\0\x01\0", 3) + static_cast<char>(i),
                                  PxBlob(20, "inline " + std::to_string(i), 0, 8),
                                  PxBlob(10, "", small[1], 4),
                                  PxBlob(10, "", single, 5000),
                                  PxBlob(12, "", small[0], 33)};
    if (i == 3)  // blanks
      for (size_t f = 1; f < r.size(); ++f) r[f] = PxBlank(f == 10 ? 17 : layout.fields[f].size);
    layout.records.push_back(r);
  }
  return layout;
}

TEST_F(ParadoxPasswordTest, TheRightPasswordGivesTheRowsOfThePlainTable) {
  MbFile mb;
  std::uint32_t single = mb.AddSingle(std::string(5000, 'q'));
  std::vector<std::uint32_t> small =
      mb.AddSmall({"a formatted memo in a shared block!", std::string("\x01\x02\0\xFF", 4)});
  PxLayout layout = EveryType(single, small);
  Write("table.db", ParadoxFile(layout));
  Write("table.mb", mb.bytes());
  auto plain = Open({});
  ASSERT_TRUE(plain) << error_;
  std::vector<Row> expected = All(*plain);
  ASSERT_EQ(expected.size(), 7u);
  ASSERT_TRUE(plain->Account().problems.empty()) << plain->Account().problems[0];

  layout.password = kPassword;
  std::string encrypted = ParadoxFile(layout);
  ASSERT_NE(encrypted.substr(2048), ParadoxFile(EveryType(single, small)).substr(2048));
  Write("table.db", encrypted);
  Write("table.mb", EncryptedMb(mb.bytes(), kPassword));
  // The first password that opens the table is taken; the others are tried
  // in vain.
  auto table = Open({"geheim7", "", kPassword, "other"});
  ASSERT_TRUE(table) << error_;
  EXPECT_EQ(All(*table), expected);
  EXPECT_TRUE(table->Account().problems.empty()) << table->Account().problems[0];
  EXPECT_EQ(table->Account().rows_read, 7u);
  EXPECT_TRUE(table->Header().encrypted);
}

TEST_F(ParadoxPasswordTest, AWrongPasswordOrNoneNamesTheTableAndGivesNoRow) {
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}};
  layout.records = {{PxLong(1)}};
  layout.password = kPassword;
  Write("table.db", ParadoxFile(layout));
  const std::string what =
      ": give its password with --password (or in the profile's alias), or remove it in Paradox "
      "or Database Desktop (Restructure)";
  struct Case {
    std::vector<std::string> passwords;
    std::string error;
  };
  const std::vector<Case> cases = {
      {{}, "table.db: the table is password-protected" + what},
      {{"Geheim8"},
       "table.db: the table is password-protected, and the password given is not its "
       "password" +
           what},
      // Passwords are told apart by letter case, and none may be too long.
      {{"GEHEIM7", std::string(300, 'x'), "Geheim7 "},
       "table.db: the table is password-protected, and none of the 3 passwords given is its "
       "password" +
           what},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    EXPECT_FALSE(Open(c.passwords));
    EXPECT_EQ(error_, c.error);
  }
}

// Paradox keeps a password typed with letters beyond ASCII in the table's
// code page; the user gives it in UTF-8.
TEST_F(ParadoxPasswordTest, APasswordIsAlsoTriedInTheTablesCodePage) {
  PxLayout layout;
  layout.code_page = 1251;
  layout.fields = {{0x01, 6, "Name"}};
  layout.records = {{PxAlpha("\xCF\xF0\xE8", 6)}};
  layout.password = "\xEF\xE0\xF0\xEE\xEB\xFC";  // "пароль" in code page 1251
  Write("table.db", ParadoxFile(layout));
  auto table = Open({"пароль"});
  ASSERT_TRUE(table) << error_;
  std::vector<Row> rows = All(*table);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], Value::Text("При"));
}

// A block cut short keeps the records of its whole pieces of the cipher and
// names the rest; no record is read out of half-deciphered bytes.
TEST_F(ParadoxPasswordTest, ACutBlockGivesOnlyWhatCanBeDeciphered) {
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"}, {0x01, 46, "Name"}};  // 50-byte records
  for (int i = 1; i <= 30; ++i) layout.records.push_back({PxLong(i), PxAlpha("n", 46)});
  layout.password = kPassword;
  Write("table.db", ParadoxFile(layout).substr(0, 2048 + 600));
  auto table = Open({kPassword});
  ASSERT_TRUE(table) << error_;
  std::vector<Row> rows = All(*table);
  // 512 bytes can be deciphered: the block's 6 bytes, then 10 records.
  ASSERT_EQ(rows.size(), 10u);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(rows[i][0], Value::Integer(i + 1));
  ASSERT_EQ(table->Account().problems.size(), 1u);
  EXPECT_EQ(table->Account().problems[0],
            "table.db: offset 2048: block 1 is cut short: 20 of its 30 records are missing");
}

// pxlib's own writer is an encoder independent of the tests' one: its header
// and its blocks, encrypted by it, read as the records written.
TEST(ParadoxPxlibTableTest, ATableEncryptedByPxlibReadsWithItsPassword) {
  if (!PxlibAvailable()) GTEST_SKIP() << "built without pxlib";
  ScratchDir dir;
  std::vector<PxField> fields = {{0x04, 4, "Id"},   {0x01, 12, "Name"}, {0x02, 4, "Day"},
                                 {0x06, 8, "Sum"},  {0x03, 2, "Small"}, {0x09, 1, "Flag"},
                                 {0x14, 4, "Time"}, {0x15, 8, "Stamp"}};
  std::vector<std::vector<std::string>> records;
  std::vector<Row> expected;
  for (int i = 0; i < 300; ++i) {  // several blocks
    records.push_back({PxLong(i - 100), PxAlpha("name " + std::to_string(i), 12),
                       PxDate(2000, 1 + i % 12, 1 + i % 28), PxDouble(i * 0.5), PxShort(i % 7),
                       PxLogical(i % 2), PxTime(i * 1000), PxDouble(730348.0 * 86400000.0)});
  }
  std::string error;
  ASSERT_TRUE(PxlibWriteTable(dir / "enc.db", fields, records, kPassword, &error)) << error;
  RealDisk disk;
  ReadOptions options;
  EXPECT_FALSE(ParadoxTable::Open(disk, dir / "enc.db", options, &error));
  EXPECT_NE(error.find("enc.db: the table is password-protected"), std::string::npos) << error;
  options.passwords = {kPassword};
  error.clear();
  auto table = ParadoxTable::Open(disk, dir / "enc.db", options, &error);
  ASSERT_TRUE(table) << error;
  std::vector<Row> rows = All(*table);
  ASSERT_EQ(rows.size(), 300u);
  for (int i = 0; i < 300; i += 37) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i][0], Value::Integer(i - 100));
    EXPECT_EQ(rows[i][1], Value::Text("name " + std::to_string(i)));
    EXPECT_EQ(rows[i][3], Value::Real(i * 0.5));
    EXPECT_EQ(rows[i][4], Value::Integer(i % 7));
    EXPECT_EQ(rows[i][5], Value::Boolean(i % 2));
  }
  EXPECT_TRUE(table->Account().problems.empty()) << table->Account().problems[0];
}

}  // namespace
}  // namespace tolvern::data
