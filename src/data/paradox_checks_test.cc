// .VAL files written by the tests beside a Paradox table: the required
// fields and defaults the columns get, the checks noted as not enforced,
// and the notes for .VAL files that are damaged or belong to other fields.
#include "data/paradox_checks.h"

#include <gtest/gtest.h>

#include "base/paths.h"
#include "data/paradox_table.h"
#include "platform/memory_disk.h"
#include "table_files.h"

namespace tolvern::data {
namespace {

using namespace tolvern::testing;

PxLayout Stock() {
  PxLayout layout;
  layout.fields = {{0x04, 4, "Id"},     {0x01, 20, "Name"}, {0x03, 2, "Count"},
                   {0x06, 8, "Amount"}, {0x02, 4, "Born"},  {0x09, 1, "Ok"}};
  layout.key_fields = 1;
  layout.records = {{PxLong(1), PxAlpha("bolt", 20), PxShort(3), PxDouble(1.5), PxDate(2001, 2, 3),
                     PxLogical(true)}};
  return layout;
}

const std::vector<PxCheck> kChecks = {
    {1, true, "", "", PxAlpha("none", 20), ""},
    {2, false, PxShort(0), PxShort(10), PxShort(1), ""},
    {3, false, "", "", "", "#.##"},
    {4, true, "", "", PxDate(1999, 12, 31), ""},
    {5, false, "", "", PxLogical(false), ""},
};

class ParadoxChecksTest : public ::testing::Test {
 protected:
  ParadoxChecksTest() {
    bool exists = false;
    disk_.CreateDir("/t", &exists);
  }
  void Write(const std::string& name, const std::string& bytes) {
    std::string error;
    ASSERT_TRUE(disk_.WriteFile(PathJoin("/t", name), bytes, &error)) << error;
  }
  std::unique_ptr<ParadoxTable> Open(const PxLayout& layout) {
    Write("stock.db", ParadoxFile(layout));
    std::string error;
    auto table = ParadoxTable::Open(disk_, PathJoin("/t", "stock.db"), {}, &error);
    EXPECT_TRUE(table) << error;
    return table;
  }
  MemoryDisk disk_;
};

TEST_F(ParadoxChecksTest, RequiredAndDefaultsGoToTheColumnsTheRestIsNoted) {
  const PxLayout layout = Stock();
  Write("STOCK.val", ParadoxValFile(layout, kChecks));
  auto table = Open(layout);
  ASSERT_TRUE(table);
  const std::vector<Column>& columns = table->Schema().columns;
  const std::vector<bool> required = {false, true, false, false, true, false};
  const std::vector<std::optional<Value>> defaults = {
      std::nullopt, Value::Text("none"),       Value::Integer(1),
      std::nullopt, Value::Text("1999-12-31"), Value::Boolean(false)};
  for (size_t i = 0; i < columns.size(); ++i) {
    SCOPED_TRACE(columns[i].name);
    EXPECT_EQ(columns[i].required, required[i]);
    EXPECT_FALSE(columns[i].not_null);  // the mover decides, from the rows
    EXPECT_EQ(columns[i].default_value, defaults[i]);
  }
  EXPECT_EQ(table->Account().notes,
            (std::vector<std::string>{"STOCK.val: field Count: not enforced: minimum and maximum",
                                      "STOCK.val: field Amount: not enforced: picture"}));
}

TEST_F(ParadoxChecksTest, ADamagedValOrOneOfOtherFieldsIsNotedAndNothingIsApplied) {
  const PxLayout layout = Stock();
  const std::string val = ParadoxValFile(layout, kChecks);
  PxLayout other = layout;
  other.fields[2].type = 0x04;  // Count as a long integer
  other.fields[2].size = 4;
  std::string beyond = val;
  beyond[0x35 + 0x1C + 20] = 9;  // the second check names field 10
  PxLayout one;
  one.fields = {{0x04, 4, "Id"}};
  std::string no_end = val;
  no_end[9] = 0x10, no_end[10] = 0;
  struct Case {
    std::string bytes, note;
  };
  const std::vector<Case> cases = {
      {val.substr(0, 40),
       "stock.VAL: the file is cut short at 40 bytes; its checks are not written"},
      {val.substr(0, 200),
       "stock.VAL: offset 229: the file is cut short; its checks are not written"},
      {ParadoxValFile(other, {}),
       "stock.VAL: its field 3 is not the table's; its checks are not written"},
      {ParadoxValFile(one, {}),
       "stock.VAL: it describes 1 fields, the table has 6; its checks are not written"},
      {beyond,
       "stock.VAL: offset 101: a check names field number 10, which the table does not have; its "
       "checks are not written"},
      {no_end, "stock.VAL: offset 9: the checks' end 16 is no place; its checks are not written"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note);
    Write("stock.VAL", c.bytes);
    auto table = Open(layout);
    ASSERT_TRUE(table);
    for (const Column& column : table->Schema().columns) {
      EXPECT_FALSE(column.required);
      EXPECT_FALSE(column.default_value);
    }
    ASSERT_EQ(table->Account().notes.size(), 1u);
    EXPECT_EQ(table->Account().notes[0], c.note);
    Row row;
    EXPECT_TRUE(table->Next(&row));
  }
}

}  // namespace
}  // namespace tolvern::data
