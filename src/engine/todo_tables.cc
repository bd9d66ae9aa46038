#include "engine/todo_tables.h"

namespace tolvern {

// ---- The tables. Change them here: one line per member. ----

// clang-format off

const std::vector<TodoMember>& TodoMembers() {
  static const std::vector<TodoMember> rows = {
      // BDE datasets (TQuery, TTable, TStoredProc and their InfoPower twins).
      {"DBTables", "@dataset", "DatabaseName", "set Connection to the TNXConnection instead"},
      {"DBTables", "@dataset", "Database", "use Connection (the TNXConnection) instead"},
      {"DBTables", "@dataset", "SessionName", "Nexa has no sessions: remove it"},
      {"DBTables", "@dataset", "DBSession", "Nexa has no sessions: remove it"},
      {"DBTables", "@dataset", "Handle", "a BDE cursor handle has no counterpart: rewrite the code that uses it"},
      {"DBTables", "@dataset", "DBHandle", "a BDE database handle has no counterpart: rewrite the code that uses it"},
      {"DBTables", "@dataset", "DBLocale", "a BDE locale has no counterpart: remove it"},
      {"DBTables", "@dataset", "Locale", "a BDE locale has no counterpart: remove it"},
      {"DBTables", "TTable", "TableType", "Nexa tables have no table type: remove it"},
      {"DBTables", "TTable", "Exclusive", "Nexa opens no table exclusively: remove it, or lock on the server"},
      {"DBTables", "TTable", "TableLevel", "Nexa tables have no table level: remove it"},
      {"DBTables", "TTable", "FieldDefs", "table definitions are not kept: create the table on the server"},
      {"DBTables", "TTable", "IndexDefs", "index definitions are not kept: create the indexes on the server"},
      {"DBTables", "@dataset", "AutoRefresh", "Nexa datasets do not refresh by themselves: call Refresh after posting"},
      {"DBTables", "TQuery", "RequestLive", "TNXQuery has no live result sets: set UpdateObject to a TNXUpdateSQL to edit the rows"},
      {"DBTables", "TQuery", "Constrained", "TNXQuery has no constrained result sets: remove it"},
      {"DBTables", "TStoredProc", "Overload", "TNXStoredProc has no overloads: remove it"},
      {"DBTables", "TStoredProc", "ParamBindMode", "TNXStoredProc binds parameters by name: remove it"},
      // The BDE database.
      {"DBTables", "TDatabase", "DatabaseName", "a TNXConnection has no alias name: refer to the component itself (Connection := it)"},
      {"DBTables", "TDatabase", "AliasName", "BDE aliases have no counterpart: set Server and Database"},
      {"DBTables", "TDatabase", "DriverName", "BDE drivers have no counterpart: set ConnectString"},
      {"DBTables", "TDatabase", "Params.Values['USER NAME']", "use Username"},
      {"DBTables", "TDatabase", "Params.Values['PASSWORD']", "use Password"},
      {"DBTables", "TDatabase", "Params.Values['SERVER NAME']", "use Server"},
      {"DBTables", "TDatabase", "Params.Values['DATABASE NAME']", "use Database"},
      {"DBTables", "TDatabase", "Params", "BDE parameters have no counterpart: set Username, Password, Server and Database"},
      {"DBTables", "TDatabase", "TransIsolation", "use IsolationLevel"},
      {"DBTables", "TDatabase", "SessionName", "Nexa has no sessions: remove it"},
      {"DBTables", "TDatabase", "Session", "Nexa has no sessions: remove it"},
      {"DBTables", "TDatabase", "Handle", "a BDE database handle has no counterpart: rewrite the code that uses it"},
      {"DBTables", "TDatabase", "Temporary", "TNXConnection has no temporary databases: remove it"},
      {"DBTables", "TDatabase", "TraceFlags", "BDE tracing has no counterpart: remove it"},
      {"DBTables", "TDatabase", "Directory", "BDE working folders have no counterpart: remove it"},
      // The ADO connection.
      {"ADODB", "TADOConnection", "ConnectionString", "use ConnectString"},
      {"ADODB", "TADOConnection", "DefaultDatabase", "use Database"},
      {"ADODB", "TADOConnection", "Provider", "the provider has no counterpart: set ConnectString"},
      {"ADODB", "TADOConnection", "CommandTimeout", "TNXConnection has no command time-out: remove it"},
      {"ADODB", "TADOConnection", "ConnectionTimeout", "TNXConnection has no connection time-out: remove it"},
      {"ADODB", "TADOConnection", "CursorLocation", "Nexa has no cursor location: remove it"},
      {"ADODB", "TADOConnection", "Mode", "TNXConnection has no connect mode: remove it"},
      {"ADODB", "TADOConnection", "Attributes", "TNXConnection has no ADO attributes: remove it"},
      {"ADODB", "TADOConnection", "ConnectionObject", "the ADO connection object has no counterpart: rewrite the code that uses it"},
      // ADO datasets and commands.
      {"ADODB", "@dataset", "ConnectionString", "set Connection to a TNXConnection instead"},
      {"ADODB", "@dataset", "CursorType", "Nexa has no cursor types: remove it"},
      {"ADODB", "@dataset", "CursorLocation", "Nexa has no cursor location: remove it"},
      {"ADODB", "@dataset", "LockType", "Nexa has no lock types: remove it"},
      {"ADODB", "@dataset", "CommandTimeout", "Nexa datasets have no command time-out: remove it"},
      {"ADODB", "@dataset", "ExecuteOptions", "Nexa has no execute options: remove it"},
      {"ADODB", "@dataset", "Parameters", "ADO parameters are not converted: define them in ParamData"},
      {"ADODB", "@dataset", "DataSource", "use MasterSource"},
      {"ADODB", "@dataset", "Recordset", "the ADO recordset has no counterpart: use the dataset itself"},
      {"ADODB", "TADODataSet", "CommandText", "use SQL (SQL.Text)"},
      {"ADODB", "TADODataSet", "CommandType", "Nexa has no command types: remove it"},
      {"ADODB", "TADOStoredProc", "ProcedureName", "use StoredProcName"},
      {"ADODB", "TADOCommand", "CommandText", "use SQL (SQL.Text)"},
      {"ADODB", "TADOCommand", "CommandType", "Nexa has no command types: remove it"},
      {"ADODB", "TADOCommand", "ConnectionString", "set Connection to a TNXConnection instead"},
      {"ADODB", "TADOCommand", "Parameters", "ADO parameters are not converted: define them in ParamData"},
      {"ADODB", "TADOCommand", "CommandObject", "the ADO command object has no counterpart: rewrite the code that uses it"},
  };
  return rows;
}

const std::vector<TodoInterface>& TodoInterfaces() {
  static const std::vector<TodoInterface> rows = {
      {"DBTables", "name", "Session", "Nexa has no sessions: move aliases and login settings to a TNXConnection"},
      {"DBTables", "name", "Sessions", "Nexa has no sessions: move aliases and login settings to a TNXConnection"},
      {"DBTables", "name", "TSession", "Nexa has no sessions: use a TNXConnection"},
      {"DBTables", "name", "TSessionList", "Nexa has no sessions: use TNXConnection objects"},
      {"DBTables", "name", "TBDEDataSet", "no counterpart: use TDataSet, or the Nexa dataset class"},
      {"DBTables", "name", "TDBDataSet", "no counterpart: use TDataSet, or the Nexa dataset class"},
      {"DBTables", "name", "DBIResult", "the BDE API has no counterpart: rewrite the code that uses it"},
      {"DBTables", "name", "hDBIDb", "a BDE database handle has no counterpart: use the TNXConnection"},
      {"DBTables", "name", "hDBICur", "a BDE cursor handle has no counterpart: use the dataset"},
      {"DBTables", "prefix", "Dbi", "a BDE API call has no counterpart: rewrite it with the Nexa components"},
      {"DBTables", "unit", "BDE", "remove the BDE unit once its calls are gone"},
      {"DBTables", "unit", "DbiProcs", "remove the BDE unit once its calls are gone"},
      {"DBTables", "unit", "DbiTypes", "remove the BDE unit once its calls are gone"},
      {"DBTables", "unit", "DbiErrs", "remove the BDE unit once its calls are gone"},
      {"ADODB", "name", "TCustomADODataSet", "no counterpart: use TDataSet, or the Nexa dataset class"},
      {"ADODB", "name", "TADOBlobStream", "no counterpart: use the dataset's CreateBlobStream"},
      {"ADODB", "name", "TRDSConnection", "remote data services have no counterpart: use a TNXConnection"},
      {"ADODB", "name", "TParameters", "ADO parameters have no counterpart: use the dataset's ParamData"},
      {"ADODB", "name", "TParameter", "ADO parameters have no counterpart: use the dataset's ParamData"},
      {"ADODB", "name", "_Recordset", "the ADO recordset has no counterpart: use the dataset itself"},
      {"ADODB", "name", "_Connection", "the ADO connection object has no counterpart: use the TNXConnection"},
      {"ADODB", "name", "_Command", "the ADO command object has no counterpart: use a TNXSQL"},
      {"ADODB", "unit", "ADOInt", "remove the ADO interface unit once its uses are gone"},
      {"ADODB", "unit", "ADOConEd", "the ADO connection editor has no counterpart: remove the unit"},
  };
  return rows;
}
// clang-format on

}  // namespace tolvern
