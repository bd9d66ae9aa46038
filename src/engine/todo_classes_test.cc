// The class tables of the to-do list: the names one unit declares are
// known in the units scanned after it.
#include "engine/todo_classes.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/nx_replacer.h"
#include "engine/todo_list.h"
#include "parsing/pascal_scanner.h"

namespace tolvern {
namespace {

class TodoClassesTest : public ::testing::Test {
  NXReplacerScope library_;
};

void Learn(TodoClasses& classes, const std::string& unit) {
  classes.LearnNames(classes.DeclaredNames(unit, SignificantTokens(unit)));
}

TEST_F(TodoClassesTest, NamesOneUnitDeclaresAreKnownInTheNext) {
  TodoClasses classes = TodoClasses::Of(*BdeReplacer);
  Learn(classes, "var qryOrders, qryItems: TQuery; dbMain: DBTables.TDatabase; Count: Integer;");
  // Only the names of mapped classes, each with its target class.
  EXPECT_EQ(classes.names.size(), 3u);
  EXPECT_EQ(classes.names["QRYORDERS"], "TNXQuery");
  EXPECT_EQ(classes.names["dbmain"], "TNXConnection");
  // A member of a learnt name, reached through the data module.
  const std::string unit = "dmOrders.qryOrders.RequestLive := True;";
  const std::vector<TodoItem> items = ScanUnitTodo(unit, "U.pas", classes);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].text, "qryOrders.RequestLive");
  EXPECT_EQ(items[0].col, 20);
  // A later unit that declares the name again decides its class.
  Learn(classes, "var qryOrders: TTable;");
  EXPECT_EQ(classes.names["qryOrders"], "TNXTable");
}

// A form class that descends from a form class of another unit has its
// ancestors' objects: their members are checked in the descendant's code,
// through every generation the units of the run declare.
TEST_F(TodoClassesTest, FieldsOfAncestorFormsAreKnownInTheDescendant) {
  TodoClasses classes = TodoClasses::Of(*AdoReplacer);
  Learn(classes, "type TfrmBase = class(TForm) qryList: TADOQuery; end;");
  Learn(classes, "type TfrmMid = class(Base.TfrmBase) end; TOther = class(TForm) end;");
  const std::string unit =
      "type TfrmCust = class(TfrmMid) procedure Load; end;\n"
      "procedure TfrmCust.Load; begin qryList.Parameters[0].Value := 1; end;";
  Learn(classes, unit);
  std::vector<std::string> found;
  for (const TodoItem& i : ScanUnitTodo(unit, "U.pas", classes)) found.push_back(i.text);
  EXPECT_EQ(found, std::vector<std::string>{"qryList.Parameters[0].Value"});
  // A class of another line has no such field: its qryList is its own affair.
  EXPECT_EQ(ScanUnitTodo("type TfrmOther = class(TOther) end;\n"
                         "procedure TfrmOther.Load; begin qryList.Parameters.Clear; end;",
                         "U.pas", classes)
                .size(),
            0u);
}

}  // namespace
}  // namespace tolvern
