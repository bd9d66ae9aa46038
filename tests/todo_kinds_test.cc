// The whole to-do list over a small application of each family that holds
// every kind of place: the exact list, levels included, with --all and
// without, and nothing of what stands in strings or comments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::RunTolvern;

const std::string kKinds = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/todo-kinds";

using testing::Lines;

// " — ", as the list writes it.
#define DASH " \xE2\x80\x94 "

TEST(TodoKindsTest, EveryKindOfPlaceIsListedExactlyAtItsLevel) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {{"todo", "--project", kKinds + "/bde/P.dpr", "--all"},
       {
           // The old library's units, and what keeps each.
           "Data.pas:3:29: warning: interface: DBTables" DASH
           "still needed by Session: the old library stays linked until it is moved to Nexa, "
           "then remove DBTables",
           "Data.pas:3:39: warning: interface: BDE" DASH
           "still needed by DBIUseIdleTime, DBIERR_KEYVIOL: the old library stays linked until "
           "they are moved to Nexa, then remove BDE",
           "Data.pas:16:14: error: member: qryList.DatabaseName" DASH
           "set Connection to the TNXConnection instead",
           "Data.pas:17:3: warning: interface: Session" DASH
           "Nexa has no sessions: move aliases and login settings to a TNXConnection",
           "Data.pas:18:3: warning: interface: DBIUseIdleTime" DASH
           "upkeep of local BDE tables: Nexa tables live on the server: remove the call",
           "Data.pas:19:15: error: member: tblItems.DefaultIndex" DASH
           "TNXTable has no DefaultIndex: set IndexName or IndexFieldNames to the order the rows "
           "need",
           "Data.pas:24:5: note: error-handling: on E: EDBEngineError do" DASH
           "renamed ENXOleError by the run: it catches the database errors Nexa raises",
           "Data.pas:25:12: error: error-handling: E.Errors[0].NativeError" DASH
           "ENXOleError has no BDE error list: use its Message, or the error details the "
           "ENXOleError class declares",
           "Data.pas:25:36: warning: error-handling: DBIERR_KEYVIOL" DASH
           "Nexa raises ENXOleError, never a BDE error code: test the ENXOleError's Message (or "
           "the code field the Nexa class declares) instead",
           // A table name built of pieces, or given whole, that names a table file; a
           // name without an extension, and one inside a string, are none.
           "Data.pas:31:15: warning: table-file: dm.tblItems.TableName := Path + 'items.db'" DASH
           "a Paradox table file: the table's data must move to the new database; the name may "
           "need its extension dropped",
           "Data.pas:33:23: warning: table-file: TableName := ChangeFileExt(Path, '.DBF')" DASH
           "a dBASE table file: the table's data must move to the new database; the name may "
           "need its extension dropped",
           "Base.pas:3:17: note: interface: DBTables" DASH
           "nothing left in this unit needs DBTables any more: --drop-old-units removes it",
           "Data.dfm:3:5: warning: form-property: dbMain.AliasName = 'ORDERS'" DASH
           "dropped: BDE aliases have no counterpart: set Server and Database to what alias "
           "ORDERS names",
           "Data.dfm:7:5: warning: form-property: qryList.DatabaseName = 'NOPE'" DASH
           "dropped: no TDatabase is named NOPE, so it is a BDE alias: map alias NOPE in a "
           "profile's \"aliases\" (tolvern aliases --write-profile writes one) and migrate "
           "again, or make a TNXConnection for it and set Connection to it",
           "Data.dfm:11:5: warning: form-property: tblItems.TableType = ttParadox" DASH
           "dropped: Nexa has no local tables (ttParadox): move the table to the database server",
           "Data.dfm:12:5: note: form-property: tblItems.TableLevel = 4" DASH
           "dropped: Nexa tables have no table level",
           "Data.dfm:14:3: error: form-object: object tblBroken: TTable" DASH
           "left unconverted (the form text at line 15 is outside the form grammar): write it as "
           "a TNXTable object by hand; the form will not load until then",
           "Data.dfm:18:5: warning: form-reference: lkItems.LookupTable = tblItems" DASH
           "a TMyLookup whose LookupTable is typed with the replaced class cannot hold a "
           "TNXTable: map TMyLookup in a profile, or replace the component",
           // A class the run does not convert stays on the BDE.
           "Data.dfm:23:5: error: form-reference: rptItems.DatabaseName = 'MainDB'" DASH
           "a TMyReport stays on the BDE: the run does not convert its class; map TMyReport in a "
           "profile to a Nexa class, or replace it (its database is now the TNXConnection dbMain)",
           "Data.dfm:27:5: warning: table-file: tblArchive.TableName = 'C:\\Data\\Archive.DBF'" DASH
           "a dBASE table file: the table's data must move to the new database; the name may "
           "need its extension dropped (Archive)",
           // FieldDefs, which code may use on every dataset, is a note in a form only.
           "Base.dfm:4:5: note: form-property: tblBase.FieldDefs = < ..." DASH
           "dropped: table definitions are not kept: create the table on the server",
           "Base.dfm:9:5: note: form-property: tblBase.StoreDefs = True" DASH
           "dropped: table definitions are not kept",
           // tblBase stands in the ancestor form only, inherited and new objects alike.
           "Child.dfm:3:5: warning: form-reference: lkBase.LookupTable = tblBase" DASH
           "a TMyLookup whose LookupTable is typed with the replaced class cannot hold a "
           "TNXTable: map TMyLookup in a profile, or replace the component",
           "Child.dfm:6:5: warning: form-reference: lkChild.LookupTable = tblBase" DASH
           "a TMyLookup whose LookupTable is typed with the replaced class cannot hold a "
           "TNXTable: map TMyLookup in a profile, or replace the component",
           "to do: 5 error(s), 14 warning(s), 5 note(s)",
       }},
      {{"todo", "--project", kKinds + "/ado/P.dpr", "--ado", "--all"},
       {
           "Conn.pas:3:19: note: interface: ADODB" DASH
           "nothing left in this unit needs ADODB any more: --drop-old-units removes it",
           "Conn.pas:13:13: error: member: cnMain.BeginTrans" DASH
           "TNXConnection has no BeginTrans in Tolvern's tables: call the method the "
           "TNXConnection class declares to start a transaction",
           "Conn.pas:15:18: error: member: qryOrders.Parameters" DASH
           "ADO parameters have no counterpart: use the Nexa dataset's own parameters (kept in "
           "ParamData)",
           "Conn.pas:17:15: error: member: cnMain.CommitTrans" DASH
           "TNXConnection has no CommitTrans in Tolvern's tables: call the method the "
           "TNXConnection class declares to commit a transaction",
           "Conn.pas:19:5: warning: error-handling: on E: EOleException do" DASH
           "Nexa reports database errors as ENXOleError, not EOleException: add an on E: "
           "ENXOleError do handler before it",
           "Conn.pas:21:17: error: member: cnMain.RollbackTrans" DASH
           "TNXConnection has no RollbackTrans in Tolvern's tables: call the method the "
           "TNXConnection class declares to roll a transaction back",
           "List.pas:3:13: note: interface: ADODB" DASH
           "nothing left in this unit needs ADODB any more: --drop-old-units removes it",
           // A field of the ancestor form class, in the descendant's code.
           "Orders.pas:12:11: error: member: qryList.Parameters" DASH
           "ADO parameters have no counterpart: use the Nexa dataset's own parameters (kept in "
           "ParamData)",
           "Conn.dfm:4:5: warning: form-property: cnMain.CommandTimeout = 90" DASH
           "dropped: TNXConnection has no command time-out: the limit of 90 s is gone; set a "
           "statement time-out on the server",
           // The connection string names the provider that was dropped.
           "Conn.dfm:6:5: note: form-property: cnMain.Provider = 'SQLOLEDB.1'" DASH
           "dropped: ConnectString names the provider already",
           "Conn.dfm:10:5: note: form-property: qryOrders.CursorType = ctStatic" DASH
           "dropped: Nexa has no cursor types",
           "Conn.dfm:11:5: warning: form-property: qryOrders.Parameters = < ..." DASH
           "dropped: ADO parameters are not converted: define ID in ParamData",
           "Conn.dfm:19:5: note: form-property: qryAll.CommandTimeout = 0" DASH
           "dropped: it was 0, no limit: nothing to set",
           "Conn.dfm:20:5: note: form-property: qryAll.LockType = ltReadOnly" DASH
           "dropped: Nexa has no lock types",
           "Conn.dfm:21:5: note: form-property: qryAll.Parameters = <>" DASH
           "dropped: it was empty: nothing to define",
           // Isolation levels the conversion drops: Nexa's name for the level, or its levels.
           "Conn.dfm:24:5: warning: form-property: cnLog.IsolationLevel = ilReadCommitted" DASH
           "dropped: set IsolationLevel to ilReadCommitted, Nexa's name for the same level",
           "Conn.dfm:27:5: warning: form-property: cnOdd.IsolationLevel = ilChaos" DASH
           "dropped: Nexa has no such level: set IsolationLevel to ilReadUnCommitted, "
           "ilReadCommitted, ilRepeatableRead or ilIsolated, as the transactions need",
           "to do: 5 error(s), 5 warning(s), 7 note(s)",
       }},
  };
  for (const Case& c : cases) {
    auto r = RunTolvern(c.args);
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(Lines(r.out), c.expected) << c.args[2];
    // Without --all the notes are left out, and counted.
    std::vector<std::string> args = c.args, without_notes;
    args.pop_back();
    for (const std::string& line : c.expected)
      if (line.find(": note: ") == std::string::npos) without_notes.push_back(line);
    if (without_notes.size() < c.expected.size()) without_notes.back() += " (--all lists them)";
    EXPECT_EQ(Lines(RunTolvern(args).out), without_notes) << c.args[2] << " without --all";
  }
}

}  // namespace
}  // namespace tolvern
