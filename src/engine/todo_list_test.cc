// The to-do list: the unit scanner on the cases that decide it, and the
// whole list over a small example, before, during and after a run.
#include "engine/todo_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "engine/nx_replacer.h"
#include "json_schema.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::RunTolvern;
using testing::ScratchDir;
namespace fs = std::filesystem;

const std::string kTodoExample = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/todo";

// "line:col kind text" of each item, in order.
std::vector<std::string> Places(const std::vector<TodoItem>& items) {
  std::vector<std::string> out;
  for (const TodoItem& i : items)
    out.push_back(std::to_string(i.line) + ":" + std::to_string(i.col) + " " + i.kind + " " +
                  i.text);
  return out;
}

std::vector<std::string> ScanBde(std::string_view text, bool ado = false) {
  return Places(ScanUnitTodo(text, "U.pas", TodoClasses::Of(ado ? *AdoReplacer : *BdeReplacer)));
}

class TodoListTest : public ::testing::Test {
  NXReplacerScope library_;
};

TEST_F(TodoListTest, UnitScannerFindsWhatTheNexaClassesLackAndNothingElse) {
  struct Case {
    const char* text;
    std::vector<std::string> places;
  };
  const Case cases[] = {
      // Declared names, before and after their class is replaced; methods
      // and published members of the target are fine.
      {"var Q: TQuery;\nbegin Q.Open; Q.SQL.Text := ''; Q.DatabaseName := 'A'; end;",
       {"2:35 member Q.DatabaseName"}},
      {"var A, Q: TNXQuery;\nbegin Q.DatabaseName := 'A'; end;", {"2:9 member Q.DatabaseName"}},
      // Strings and comments are never looked into.
      {"S := 'Session.Open Q.DatabaseName DbiInit'; { Session DbiInit } // Session\n(* TSession *)",
       {}},
      // A name the unit declares itself is its own; a member of another
      // object is not the BDE session; the unit's qualifier is.
      {"procedure P(Session: TObject); begin Session.Free; end;", {}},
      {"X.Session.Free; DBTables.Session.Free; Session.Free;",
       {"1:26 interface Session", "1:40 interface Session"}},
      {"Check(DbiInit(nil)); DBIndexDefs; uses BDE, bde;",
       {"1:7 interface DbiInit", "1:40 interface BDE", "1:45 interface bde"}},
      // with: a single statement, and a block up to its own end.
      {"var T: TTable;\nwith T do Exclusive := True; Exclusive := False;",
       {"2:11 member Exclusive"}},
      {"var T: TTable;\nwith T do begin if A then begin Open end; TableType := ttDBase end; "
       "TableType := 1;",
       {"2:43 member TableType"}},
      {"with TTable.Create(nil) do TableType := ttDBase;", {"1:28 member TableType"}},
      // Casts, and the login entries of a database.
      {"TQuery(Sender).RequestLive := True;", {"1:16 member TQuery(Sender).RequestLive"}},
      {"var D: TDatabase;\nU := D.Params.Values['PASSWORD']; D.Params.Values['X'] := '';",
       {"2:8 member D.Params.Values['PASSWORD']", "2:37 member D.Params"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ScanBde(c.text), c.places) << c.text;
  // The ADO family has its own members and interfaces.
  EXPECT_EQ(
      ScanBde("uses ADOInt; var C: TADOConnection; begin C.ConnectionString := ''; Session.Free;",
              true),
      (std::vector<std::string>{"1:6 interface ADOInt", "1:45 member C.ConnectionString"}));
  EXPECT_EQ(TodoClasses::Of(*AdoReplacer).MemberAdvice("TNXConnection", "ConnectionString"),
            "use ConnectString");
  // A member the target class publishes is never listed, table or not.
  EXPECT_EQ(TodoClasses::Of(*BdeReplacer).MemberAdvice("TNXTable", "TableName"), "");
}

TEST_F(TodoListTest, AnyCutOfAUnitScansWithinItsText) {
  // Every prefix of the example unit: unterminated strings, comments, with
  // statements and casts cut anywhere give items inside the text, or none.
  const std::string unit = testing::ReadFileBytes(kTodoExample + "/Customers.pas");
  const TodoClasses classes = TodoClasses::Of(*BdeReplacer);
  size_t items = 0;
  for (size_t n = 0; n <= unit.size(); ++n) {
    const std::string_view cut(unit.data(), n);
    for (const TodoItem& i : ScanUnitTodo(cut, "U.pas", classes)) {
      ++items;
      ASSERT_GE(i.line, 1);
      ASSERT_GE(i.col, 1);
      ASSERT_NE(cut.find(i.text), std::string_view::npos) << n;
    }
  }
  EXPECT_GT(items, 0u);
}

// The lines of a text, sorted: the folder lists its units in the order of
// the file system.
std::vector<std::string> SortedLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST_F(TodoListTest, TodoListsTheExampleExactlyAndMigrateAgrees) {
  auto r = RunTolvern({"todo", "--folder", kTodoExample});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(SortedLines(r.out), SortedLines(testing::ReadFileBytes(kTodoExample + ".expected")));
  // One file after the other or several at once, the list is the same, in
  // the same order.
  for (const char* jobs : {"1", "3"})
    EXPECT_EQ(RunTolvern({"todo", "--folder", kTodoExample, "--jobs", jobs}).out, r.out) << jobs;

  // A dry run lists the same places; a real run lists them where they stand
  // in its rewritten units (a class name replaced before one moves it).
  ScratchDir dir;
  fs::copy(kTodoExample, dir / "tree", fs::copy_options::recursive);
  auto dry = RunTolvern({"migrate", "--folder", dir / "tree", "--dry-run", "--todo"});
  for (const std::string& line : SortedLines(r.out.substr(0, r.out.rfind("to do: "))))
    EXPECT_NE(dry.out.find(line + "\n"), std::string::npos) << line;
  EXPECT_NE(dry.out.find("; to do: 20; time: "), std::string::npos) << dry.out;
  auto real =
      RunTolvern({"migrate", "--folder", dir / "tree", "--todo", "--report", dir / "r.json"});
  EXPECT_EQ(real.exit_code, 0) << real.err;
  EXPECT_NE(real.out.find("Customers.pas:45:20: member: TNXQuery(Sender).RequestLive"),
            std::string::npos)
      << real.out;
  // Beside the log, the same list with full paths.
  EXPECT_NE(dir.Read("tree/Wiz_Todo.txt").find(dir / "tree/Customers.pas:45:20: member: "),
            std::string::npos);
  const auto report = nlohmann::json::parse(dir.Read("r.json"));
  const auto schema = nlohmann::json::parse(
      testing::ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) + "/docs/report.schema.json"));
  EXPECT_EQ(testing::ValidateJson(report, schema, schema), "");
  ASSERT_EQ(report["todo"].size(), 20u);
  EXPECT_EQ(report["summary"]["todo"], 20);
  // BDE stands behind the units the run added to its uses clause.
  for (const auto& t : report["todo"]) {
    if (t["text"] != "BDE") continue;
    EXPECT_EQ(t["file"].get<std::string>() + ":" + t["line"].dump() + ":" + t["column"].dump(),
              "Customers.pas:6:113");
  }

  // The units again, after the run: the same places in code.
  auto after = RunTolvern({"todo", "--folder", dir / "tree"});
  size_t units = 0;
  for (size_t at = 0; (at = after.out.find("Customers.pas:", at)) != std::string::npos; ++at)
    ++units;
  EXPECT_EQ(units, 12u) << after.out;
  EXPECT_NE(after.out.find("Orders.pas:12:28: member: tblCustomers.Exclusive"), std::string::npos);
}

// Each place of a form names the line and column where its text stands,
// also when the places are found out of the form's order: here the object
// that cannot be converted comes first, and is named after the objects
// below it.
TEST_F(TodoListTest, FormPlacesStandWhereTheirTextIsInAnyOrder) {
  ScratchDir dir;
  fs::copy(kTodoExample, dir / "tree", fs::copy_options::recursive);
  std::string form = dir.Read("tree/Customers.dfm");
  const std::string broken = "  object tblBroken: TTable\r\n    Tag = @\r\n  end\r\n";
  const size_t at = form.find(broken);
  ASSERT_NE(at, std::string::npos);
  form.erase(at, broken.size());
  form.insert(form.find('\n') + 1, broken);
  dir.Write("tree/Customers.dfm", form);

  auto r = RunTolvern({"todo", "--folder", dir / "tree"});
  std::vector<std::string> lines;
  for (size_t start = 0, end; start < form.size(); start = end + 1) {
    end = form.find('\n', start);
    lines.push_back(form.substr(start, end - start));  // CR LF: the CR stays at the end
  }
  int places = 0;
  for (const std::string& item : SortedLines(r.out)) {
    if (item.rfind("Customers.dfm:", 0) != 0) continue;
    ++places;
    int line = 0, col = 0;
    char kind[32] = {};
    ASSERT_EQ(std::sscanf(item.c_str(), "Customers.dfm:%d:%d: %31[a-z-]", &line, &col, kind), 3);
    // "Name.Prop = value": the property stands there; an object, its keyword.
    const size_t text = item.find(": ", item.find(kind)) + 2;
    const std::string expected =
        std::string(kind) == "form-object" ? "object" : item.substr(item.find('.', text) + 1, 8);
    ASSERT_LE(static_cast<size_t>(line), lines.size()) << item;
    EXPECT_EQ(
        lines[static_cast<size_t>(line) - 1].substr(static_cast<size_t>(col) - 1, expected.size()),
        expected)
        << item;
  }
  EXPECT_EQ(places, 7) << r.out;
}

TEST_F(TodoListTest, TodoNeedsATreeAndReadsTheAdoFamilyOnRequest) {
  EXPECT_EQ(RunTolvern({"todo"}).exit_code, 2);
  ScratchDir dir;
  dir.Write("tree/A.pas",
            "uses ADODB, ADOInt;\nvar C: TADOConnection;\nbegin C.Provider := 'x'; end.");
  auto bde = RunTolvern({"todo", "--folder", dir / "tree"});
  EXPECT_EQ(bde.out, "to do: 0\n");
  auto ado = RunTolvern({"todo", "--folder", dir / "tree", "--ado"});
  EXPECT_EQ(
      ado.out,
      "A.pas:1:13: interface: ADOInt \xE2\x80\x94 remove the ADO interface unit once its uses are "
      "gone\nA.pas:3:9: member: C.Provider \xE2\x80\x94 the provider has no counterpart: set "
      "ConnectString\nto do: 2\n");
  EXPECT_EQ(dir.Read("tree/A.pas"),
            "uses ADODB, ADOInt;\nvar C: TADOConnection;\nbegin C.Provider := 'x'; end.");
}

}  // namespace
}  // namespace tolvern
