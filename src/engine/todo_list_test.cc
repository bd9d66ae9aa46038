// The to-do list: the unit scanner on the cases that decide it, and the
// whole list over a small example, before, during and after a run.
#include "engine/todo_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "engine/nx_replacer.h"
#include "engine/todo_tables.h"
#include "json_schema.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::RunTolvern;
using testing::ScratchDir;
namespace fs = std::filesystem;

const std::string kTodoExample = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/todo";

// "line:col level kind text" of each item, in order.
std::vector<std::string> Places(const std::vector<TodoItem>& items) {
  std::vector<std::string> out;
  for (const TodoItem& i : items)
    out.push_back(std::to_string(i.line) + ":" + std::to_string(i.col) + " " +
                  std::string(ToString(i.level)) + " " + std::string(ToString(i.kind)) + " " +
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
       {"2:35 error member Q.DatabaseName"}},
      {"var A, Q: TNXQuery;\nbegin Q.DatabaseName := 'A'; end;",
       {"2:9 error member Q.DatabaseName"}},
      // Strings and comments are never looked into.
      {"S := 'Session.Open Q.DatabaseName DbiInit'; { Session DbiInit } // Session\n(* TSession *)",
       {}},
      // A name the unit declares itself is its own; a member of another
      // object is not the BDE session; the unit's qualifier is.
      {"procedure P(Session: TObject); begin Session.Free; end;", {}},
      {"X.Session.Free; DBTables.Session.Free; Session.Free;",
       {"1:26 warning interface Session", "1:40 warning interface Session"}},
      {"Check(DbiInit(nil)); DBIndexDefs; uses BDE, bde;",
       {"1:7 warning interface DbiInit", "1:40 warning interface BDE",
        "1:45 warning interface bde"}},
      // with: a single statement, and a block up to its own end.
      {"var T: TTable;\nwith T do Exclusive := True; Exclusive := False;",
       {"2:11 error member Exclusive"}},
      {"var T: TTable;\nwith T do begin if A then begin Open end; TableType := ttDBase end; "
       "TableType := 1;",
       {"2:43 error member TableType"}},
      {"with TTable.Create(nil) do TableType := ttDBase;", {"1:28 error member TableType"}},
      // Casts, and the login entries of a database.
      {"TQuery(Sender).RequestLive := True;", {"1:16 error member TQuery(Sender).RequestLive"}},
      {"var D: TDatabase;\nU := D.Params.Values['PASSWORD']; D.Params.Values['X'] := '';",
       {"2:8 error member D.Params.Values['PASSWORD']", "2:37 error member D.Params"}},
      // BDE routines and error codes in any letter case, as the compiler
      // reads them; a longer name that only begins with the letters is not one.
      {"DBIUseIdleTime; dbiDoRestructure(H); DBIndexDefs; dbierr_keyviol; ERRCAT_LOCKCONFLICT",
       {"1:1 warning interface DBIUseIdleTime", "1:17 warning interface dbiDoRestructure",
        "1:51 warning error-handling dbierr_keyviol",
        "1:67 warning error-handling ERRCAT_LOCKCONFLICT"}},
      // A BDE error handler, in a unit that uses the BDE unit, and the
      // details of the error, read through its name or through a cast.
      // DBTables stays for nothing the run does not rename: a note.
      {"uses DBTables;\ntry except on E: EDBEngineError do X := E.Errors[I].NativeError; end;",
       {"1:6 note interface DBTables", "2:12 note error-handling on E: EDBEngineError do",
        "2:43 error error-handling E.Errors[I].NativeError"}},
      {"uses DBTables;\nif (X as EDBEngineError).ErrorCount > 0 then;",
       {"1:6 note interface DBTables",
        "2:26 error error-handling (X as EDBEngineError).ErrorCount"}},
      {"uses SysUtils;\ntry except on EDBEngineError do; end;", {}},
      // An item is one line, whatever line breaks its text spans.
      {"TQuery(\r\n  Sender)\r\n  .RequestLive := True;",
       {"3:4 error member TQuery( Sender) .RequestLive"}},
      // Members the Nexa classes lack, methods among them; those they have
      // (Prepare is not in the tables) are not listed.
      {"var Q: TQuery; T: TTable;\nQ.Prepared := True; Q.Prepare; T.StoreDefs := True; "
       "T.DefaultIndex := False; T.IndexFieldNames := 'ID';",
       {"2:3 error member Q.Prepared", "2:34 error member T.StoreDefs",
        "2:55 error member T.DefaultIndex"}},
  };
  for (const Case& c : cases) EXPECT_EQ(ScanBde(c.text), c.places) << c.text;
  // The ADO family has its own members and interfaces.
  EXPECT_EQ(
      ScanBde("uses ADOInt; var C: TADOConnection; begin C.ConnectionString := ''; Session.Free;",
              true),
      (std::vector<std::string>{"1:6 warning interface ADOInt",
                                "1:45 error member C.ConnectionString"}));
  // ADO's exception handlers, in a unit that uses ADODB only.
  EXPECT_EQ(ScanBde("uses ADODB;\ntry except on E: EOleException do; on EADOError do; end;", true),
            (std::vector<std::string>{"1:6 warning interface ADODB",
                                      "2:12 warning error-handling on E: EOleException do",
                                      "2:36 warning error-handling on EADOError do"}));
  // EOleException is ComObj's: its handler is listed in any unit of an ADO
  // run, EADOError's only where ADODB is used.
  EXPECT_EQ(ScanBde("uses ComObj;\ntry except on E: EOleException do; on EADOError do; end;", true),
            (std::vector<std::string>{"2:12 warning error-handling on E: EOleException do"}));
  // ADO transactions and dataset members, with what to use instead.
  const TodoClasses ado = TodoClasses::Of(*AdoReplacer);
  EXPECT_EQ(Places(ScanUnitTodo("var C: TADOConnection; Q: TADOQuery;\nC.BeginTrans; "
                                "C.CommitTrans; C.RollbackTrans; Q.CacheSize := 10; "
                                "Q.Parameters[0].Value := 1; Q.Sort := 'ID'; Q.Open;",
                                "U.pas", ado)),
            (std::vector<std::string>{
                "2:3 error member C.BeginTrans", "2:17 error member C.CommitTrans",
                "2:32 error member C.RollbackTrans", "2:49 error member Q.CacheSize",
                "2:68 error member Q.Parameters[0].Value", "2:96 error member Q.Sort"}));
  EXPECT_EQ(ado.MemberAdvice("TNXQuery", "Sort"),
            "Nexa datasets have no Sort: put an ORDER BY into the SQL");
  EXPECT_EQ(TodoClasses::Of(*AdoReplacer).MemberAdvice("TNXConnection", "ConnectionString"),
            "use ConnectString");
  // A member the target class publishes is never listed, table or not.
  EXPECT_EQ(TodoClasses::Of(*BdeReplacer).MemberAdvice("TNXTable", "TableName"), "");
}

TEST_F(TodoListTest, TableNameAssignmentsThatNameATableFileAreListed) {
  struct Case {
    const char* text;
    std::vector<std::string> places;
  };
  const Case cases[] = {
      {"T.TableName := 'Cust.DB';", {"1:3 warning table-file T.TableName := 'Cust.DB'"}},
      {"dm.T.tablename := Dir + 'cust.dbf' ;",
       {"1:6 warning table-file dm.T.tablename := Dir + 'cust.dbf'"}},
      {"T.TableName := Format('%s.DB', [N]);",
       {"1:3 warning table-file T.TableName := Format('%s.DB', [N])"}},
      // The value ends with its statement, and a with-statement's bare name counts.
      {"if A then T.TableName := 'X.DB' else T.TableName := 'Y';",
       {"1:13 warning table-file T.TableName := 'X.DB'"}},
      {"with T do begin TableName := 'A.db' end;", {"1:17 warning table-file TableName := 'A.db'"}},
      // Names of server tables, and extensions that only begin alike.
      {"T.TableName := 'CUSTOMERS'; T.TableName := 'dbo.Orders'; T.TableName := 'X.DB2';", {}},
      // A comparison is no assignment; strings and comments are not looked into.
      {"if T.TableName = 'X.DB' then S := 'T.TableName := ''X.DB'''; { T.TableName := 'X.DB' }",
       {}},
  };
  for (const Case& c : cases) EXPECT_EQ(ScanBde(c.text), c.places) << c.text;
}

TEST(TableFileAdviceTest, NamesTheKindOfFileAndTheNameWithoutItsExtension) {
  const std::string kMove =
      " table file: the table's data must move to the new database; the name may need its "
      "extension dropped";
  EXPECT_EQ(TableFileAdvice("'Customers.DB'"), "a Paradox" + kMove + " (Customers)");
  EXPECT_EQ(TableFileAdvice("'C:\\Data\\orders.dbf'"), "a dBASE" + kMove + " (orders)");
  // Built of pieces, the name is not shown.
  EXPECT_EQ(TableFileAdvice("Path + 'Customers.DB'"), "a Paradox" + kMove);
  EXPECT_EQ(TableFileAdvice("'a.DBF' + Suffix"), "a dBASE" + kMove);
  for (const char* other : {"'CUSTOMERS'", "'X.DBO'", "'.DBX'", "DB", ""})
    EXPECT_EQ(TableFileAdvice(other), "") << other;
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
  std::vector<std::string> lines = testing::Lines(text);
  // The list file ends its lines with CR LF on Windows.
  for (std::string& l : lines)
    if (!l.empty() && l.back() == '\r') l.pop_back();
  std::sort(lines.begin(), lines.end());
  return lines;
}

// The list file's lines end as the system's text files do: CR LF on
// Windows, where the log and the undo file beside it have them too; LF
// elsewhere. Every line, the count line included.
TEST(TodoFileTest, LinesEndAsTheSystemsTextFilesDo) {
  ScratchDir dir;
  const std::vector<TodoItem> items = {{todo_kind::kMember, dir / "A.pas", 3, 5, "Q.RequestLive",
                                        "set it on the query", todo_level::kError},
                                       {todo_kind::kFormProperty, dir / "A.dfm", 9, 7,
                                        "Q.CursorType = ctStatic", "none", todo_level::kNote}};
  RealDisk disk;
  WriteTodoFile(disk, dir / "Wiz_Todo.txt", {&items});
  const std::string text = dir.Read("Wiz_Todo.txt");
  const auto lf = std::count(text.begin(), text.end(), '\n');
  EXPECT_EQ(lf, 3) << text;
  size_t crlf = 0;
  for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++crlf;
#ifdef _WIN32
  EXPECT_EQ(crlf, static_cast<size_t>(lf)) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), lf) << text;
#else
  EXPECT_EQ(text.find('\r'), std::string::npos) << text;
#endif
  EXPECT_NE(text.find("to do: 1 error(s), 0 warning(s), 1 note(s)"), std::string::npos) << text;
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
  EXPECT_NE(dry.out.find("; to do: 11 error(s), 10 warning(s), 0 note(s); time: "),
            std::string::npos)
      << dry.out;
  auto real =
      RunTolvern({"migrate", "--folder", dir / "tree", "--todo", "--report", dir / "r.json"});
  EXPECT_EQ(real.exit_code, 0) << real.err;
  EXPECT_NE(real.out.find("Customers.pas:45:20: error: member: TNXQuery(Sender).RequestLive"),
            std::string::npos)
      << real.out;
  // Beside the log, the same list with full paths.
  EXPECT_NE(dir.Read("tree/Wiz_Todo.txt").find(dir / "tree/Customers.pas:45:20: error: member: "),
            std::string::npos);
  const auto report = nlohmann::json::parse(dir.Read("r.json"));
  const auto schema = nlohmann::json::parse(
      testing::ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) + "/docs/report.schema.json"));
  EXPECT_EQ(testing::ValidateJson(report, schema, schema), "");
  ASSERT_EQ(report["todo"].size(), 21u);
  EXPECT_EQ(report["summary"]["todo"], 21);
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
  EXPECT_EQ(units, 13u) << after.out;
  EXPECT_NE(after.out.find("Orders.pas:12:28: error: member: tblCustomers.Exclusive"),
            std::string::npos);
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
    ASSERT_EQ(
        std::sscanf(item.c_str(), "Customers.dfm:%d:%d: %*[a-z]: %31[a-z-]", &line, &col, kind), 3);
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
  EXPECT_EQ(bde.out, "to do: 0 error(s), 0 warning(s), 0 note(s)\n");
  auto ado = RunTolvern({"todo", "--folder", dir / "tree", "--ado"});
  EXPECT_EQ(
      ado.out,
      "A.pas:1:13: warning: interface: ADOInt \xE2\x80\x94 remove the ADO interface unit once its "
      "uses are gone\nA.pas:3:9: error: member: C.Provider \xE2\x80\x94 the provider has no "
      "counterpart: set ConnectString\nto do: 1 error(s), 1 warning(s), 1 note(s) (--all lists "
      "them)\n");
  EXPECT_EQ(dir.Read("tree/A.pas"),
            "uses ADODB, ADOInt;\nvar C: TADOConnection;\nbegin C.Provider := 'x'; end.");
}

// Every row says what to do, on one line: a name to use, a property to
// set, or what to remove; never only that something should be looked at.
TEST(TodoTablesTest, EveryAdviceIsOneLineThatSaysWhatToDo) {
  std::vector<std::string_view> advice;
  for (const TodoMember& m : TodoMembers()) advice.insert(advice.end(), {m.advice, m.form_advice});
  for (const TodoInterface& i : TodoInterfaces()) advice.push_back(i.advice);
  for (std::string_view a : advice) {
    EXPECT_EQ(a.find_first_of("\r\n"), std::string_view::npos) << a;
    EXPECT_EQ(a.find("check"), std::string_view::npos) << a;
    EXPECT_EQ(a.find("by hand"), std::string_view::npos) << a;
  }
  for (const TodoMember& m : TodoMembers())
    EXPECT_TRUE(m.dropped == "note" || m.dropped == "warning") << m.member;
}

// A dropped property that needs nothing is a note, shown with --all only
// and always in the file beside the log; one whose value must be made
// again is a warning that names the value; every list counts each level.
TEST_F(TodoListTest, LevelsSeparateWhatNeedsAHandFromTheRecord) {
  ScratchDir dir;
  dir.Write("tree/A.pas",
            "unit A;\ninterface\nuses Forms, ADODB;\ntype TF = class(TForm) Q, Q2: TADOQuery; C: "
            "TADOConnection; end;\nimplementation\n{$R *.dfm}\nend.\n");
  dir.Write("tree/A.dfm",
            "object F: TF\n  object C: TADOConnection\n    CommandTimeout = 60\n    Mode = cmRead\n"
            "  end\n  object Q: TADOQuery\n    Connection = C\n    CursorType = ctStatic\n"
            "    LockType = ltReadOnly\n    Parameters = <>\n  end\n  object Q2: TADOQuery\n"
            "    Connection = C\n    Parameters = <\n      item\n        Name = 'ID'\n"
            "        DataType = ftInteger\n      end\n      item\n        Name = 'CODE'\n"
            "      end>\n  end\nend\n");
  const std::string dash = " \xE2\x80\x94 dropped: ";
  const std::string warnings =
      "A.dfm:3:5: warning: form-property: C.CommandTimeout = 60" + dash +
      "TNXConnection has no command time-out: the limit of 60 s is gone; set a statement "
      "time-out on the server\n"
      "A.dfm:14:5: warning: form-property: Q2.Parameters = < ..." +
      dash + "ADO parameters are not converted: define ID, CODE in ParamData\n";
  const std::string notes =
      "A.pas:3:13: note: interface: ADODB \xE2\x80\x94 nothing left in this unit needs ADODB any "
      "more: --drop-old-units removes it\n"
      "A.dfm:4:5: note: form-property: C.Mode = cmRead" +
      dash +
      "TNXConnection has no connect mode\n"
      "A.dfm:8:5: note: form-property: Q.CursorType = ctStatic" +
      dash + "Nexa has no cursor types\nA.dfm:9:5: note: form-property: Q.LockType = ltReadOnly" +
      dash + "Nexa has no lock types\nA.dfm:10:5: note: form-property: Q.Parameters = <>" + dash +
      "it was empty: nothing to define\n";
  auto r = RunTolvern({"todo", "--folder", dir / "tree", "--ado"});
  EXPECT_EQ(r.out, warnings + "to do: 0 error(s), 2 warning(s), 5 note(s) (--all lists them)\n");
  // With --all, the notes in their places.
  std::vector<std::string> all = SortedLines(warnings + notes);
  all.push_back("to do: 0 error(s), 2 warning(s), 5 note(s)");
  std::sort(all.begin(), all.end());
  r = RunTolvern({"todo", "--folder", dir / "tree", "--ado", "--all"});
  EXPECT_EQ(SortedLines(r.out), all);

  auto run = RunTolvern({"migrate", "--folder", dir / "tree", "--ado", "--no-backup", "--todo",
                         "--report", dir / "r.json"});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find(warnings), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("note: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("; to do: 0 error(s), 2 warning(s), 5 note(s); time: "), std::string::npos)
      << run.out;
  std::vector<std::string> file = SortedLines(dir.Read("tree/Wiz_Todo.txt"));
  EXPECT_EQ(file.size(), 8u);
  EXPECT_NE(std::find(file.begin(), file.end(),
                      dir / "tree/A.dfm:4:5: note: form-property: "
                            "C.Mode = cmRead" +
                          dash + "TNXConnection has no connect mode"),
            file.end());
  const auto report = nlohmann::json::parse(dir.Read("r.json"));
  EXPECT_EQ(report["summary"]["todoLevels"],
            nlohmann::json({{"error", 0}, {"warning", 2}, {"note", 5}}));
  // The unit's note on ADODB first, then the form's places.
  EXPECT_EQ(report["todo"][0]["level"], "note");
  EXPECT_EQ(report["todo"][1]["level"], "warning");
}

}  // namespace
}  // namespace tolvern
