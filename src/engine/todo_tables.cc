#include "engine/todo_tables.h"

namespace tolvern {

// ---- The tables. Change them here: one line per member. ----

// clang-format off

const std::vector<TodoMember>& TodoMembers() {
  static const std::vector<TodoMember> rows = {
      // BDE datasets (TQuery, TTable, TStoredProc and their InfoPower twins).
      {"DBTables", "@dataset", "DatabaseName", "set Connection to the TNXConnection instead", "warning"},
      {"DBTables", "@dataset", "Database", "use Connection (the TNXConnection) instead", "warning"},
      {"DBTables", "@dataset", "SessionName", "Nexa has no sessions: remove it", "warning", "Nexa has no sessions: the settings of session %v no longer apply; set them on the TNXConnection"},
      {"DBTables", "@dataset", "DBSession", "Nexa has no sessions: remove it", "warning"},
      {"DBTables", "@dataset", "Handle", "a BDE cursor handle has no counterpart: remove it with the BDE API call it is passed to", "note"},
      {"DBTables", "@dataset", "DBHandle", "a BDE database handle has no counterpart: remove it with the BDE API call it is passed to", "note"},
      {"DBTables", "@dataset", "DBLocale", "a BDE locale has no counterpart: remove it", "note"},
      {"DBTables", "@dataset", "Locale", "a BDE locale has no counterpart: remove it", "note"},
      {"DBTables", "TTable", "TableType", "Nexa tables have no table type: remove it", "warning", "Nexa has no local tables (%v): move the table to the database server"},
      {"DBTables", "TTable", "Exclusive", "Nexa opens no table exclusively: remove it, or lock on the server", "warning", "Nexa opens no table exclusively: take a table lock on the server instead"},
      {"DBTables", "TTable", "TableLevel", "Nexa tables have no table level: remove it", "note"},
      // Every TDataSet has FieldDefs, so code that uses them compiles: only their drop from a form is listed.
      {"DBTables", "TTable", "FieldDefs", "", "note", "table definitions are not kept: create the table on the server"},
      {"DBTables", "TTable", "IndexDefs", "index definitions are not kept: create the indexes on the server", "note"},
      {"DBTables", "@dataset", "AutoRefresh", "Nexa datasets do not refresh by themselves: call Refresh after posting", "warning"},
      {"DBTables", "TQuery", "RequestLive", "TNXQuery has no live result sets: set UpdateObject to a TNXUpdateSQL to edit the rows", "warning"},
      {"DBTables", "TQuery", "Constrained", "TNXQuery has no constrained result sets: remove it", "note"},
      {"DBTables", "TStoredProc", "Overload", "TNXStoredProc has no overloads: remove it", "warning", "TNXStoredProc has no overloads: give overload %v of the procedure a name of its own and set StoredProcName to it"},
      {"DBTables", "TStoredProc", "ParamBindMode", "TNXStoredProc binds parameters by name: remove it", "note"},
      {"DBTables", "TQuery", "Prepared", "TNXQuery has no Prepared in Tolvern's tables: remove it, or call the preparation method the TNXQuery class declares", "note"},
      {"DBTables", "TStoredProc", "Prepared", "TNXStoredProc has no Prepared in Tolvern's tables: remove it, or call the preparation method the TNXStoredProc class declares", "note"},
      {"DBTables", "TTable", "StoreDefs", "table definitions are not kept: remove it", "note"},
      {"DBTables", "TTable", "DefaultIndex", "TNXTable has no DefaultIndex: set IndexName or IndexFieldNames to the order the rows need", "note"},
      // The BDE database.
      {"DBTables", "TDatabase", "DatabaseName", "a TNXConnection has no alias name: refer to the component itself (Connection := it)", "note"},
      {"DBTables", "TDatabase", "AliasName", "BDE aliases have no counterpart: set Server and Database", "warning", "BDE aliases have no counterpart: set Server and Database to what alias %v names"},
      {"DBTables", "TDatabase", "DriverName", "BDE drivers have no counterpart: set ConnectString", "warning", "BDE drivers have no counterpart: set ConnectString for the %v server"},
      {"DBTables", "TDatabase", "Params.Values['USER NAME']", "use Username", "note"},
      {"DBTables", "TDatabase", "Params.Values['PASSWORD']", "use Password", "note"},
      {"DBTables", "TDatabase", "Params.Values['SERVER NAME']", "use Server", "note"},
      {"DBTables", "TDatabase", "Params.Values['DATABASE NAME']", "use Database", "note"},
      {"DBTables", "TDatabase", "Params", "BDE parameters have no counterpart: set Username, Password, Server and Database", "warning"},
      {"DBTables", "TDatabase", "TransIsolation", "use IsolationLevel", "warning"},
      {"DBTables", "TDatabase", "SessionName", "Nexa has no sessions: remove it", "warning", "Nexa has no sessions: the settings of session %v no longer apply; set them on the TNXConnection"},
      {"DBTables", "TDatabase", "Session", "Nexa has no sessions: remove it", "warning"},
      {"DBTables", "TDatabase", "Handle", "a BDE database handle has no counterpart: remove it with the BDE API call it is passed to", "note"},
      {"DBTables", "TDatabase", "Temporary", "TNXConnection has no temporary databases: remove it", "note"},
      {"DBTables", "TDatabase", "TraceFlags", "BDE tracing has no counterpart: remove it", "note"},
      {"DBTables", "TDatabase", "Directory", "BDE working folders have no counterpart: remove it", "note"},
      // The BDE database error (renamed ENXOleError) and its details.
      {"DBTables", "EDBEngineError", "Errors", "ENXOleError has no BDE error list: use its Message, or the error details the ENXOleError class declares", "note"},
      {"DBTables", "EDBEngineError", "ErrorCount", "ENXOleError has no BDE error list: use its Message, or the error details the ENXOleError class declares", "note"},
      // The ADO connection.
      {"ADODB", "TADOConnection", "ConnectionString", "use ConnectString", "warning"},
      {"ADODB", "TADOConnection", "DefaultDatabase", "use Database", "warning"},
      {"ADODB", "TADOConnection", "Provider", "the provider has no counterpart: set ConnectString", "warning", "the ADO provider %v has no counterpart: set ConnectString for its server"},
      {"ADODB", "TADOConnection", "CommandTimeout", "TNXConnection has no command time-out: remove it", "warning", "TNXConnection has no command time-out: the limit of %v s is gone; set a statement time-out on the server"},
      {"ADODB", "TADOConnection", "ConnectionTimeout", "TNXConnection has no connection time-out: remove it", "warning", "TNXConnection has no connection time-out: the limit of %v s is gone; set a login time-out on the server"},
      {"ADODB", "TADOConnection", "CursorLocation", "Nexa has no cursor location: remove it", "note"},
      {"ADODB", "TADOConnection", "Mode", "TNXConnection has no connect mode: remove it", "note"},
      {"ADODB", "TADOConnection", "Attributes", "TNXConnection has no ADO attributes: remove it", "note"},
      {"ADODB", "TADOConnection", "BeginTrans", "TNXConnection has no BeginTrans in Tolvern's tables: call the method the TNXConnection class declares to start a transaction", "note"},
      {"ADODB", "TADOConnection", "CommitTrans", "TNXConnection has no CommitTrans in Tolvern's tables: call the method the TNXConnection class declares to commit a transaction", "note"},
      {"ADODB", "TADOConnection", "RollbackTrans", "TNXConnection has no RollbackTrans in Tolvern's tables: call the method the TNXConnection class declares to roll a transaction back", "note"},
      {"ADODB", "TADOConnection", "Errors", "the ADO error collection has no counterpart: catch ENXOleError and read its Message", "note"},
      {"ADODB", "TADOConnection", "ConnectionObject", "the ADO connection object has no counterpart: use the TNXConnection's own properties and methods", "note"},
      // ADO datasets and commands.
      {"ADODB", "@dataset", "ConnectionString", "set Connection to a TNXConnection instead", "warning"},
      {"ADODB", "@dataset", "CursorType", "Nexa has no cursor types: remove it", "note"},
      {"ADODB", "@dataset", "CursorLocation", "Nexa has no cursor location: remove it", "note"},
      {"ADODB", "@dataset", "LockType", "Nexa has no lock types: remove it", "note"},
      {"ADODB", "@dataset", "CommandTimeout", "Nexa datasets have no command time-out: remove it", "warning", "Nexa datasets have no command time-out: the limit of %v s is gone; set a statement time-out on the server"},
      {"ADODB", "@dataset", "ExecuteOptions", "Nexa has no execute options: remove it", "note"},
      {"ADODB", "@dataset", "Parameters", "ADO parameters have no counterpart: use the Nexa dataset's own parameters (kept in ParamData)", "warning", "ADO parameters are not converted: define %v in ParamData"},
      {"ADODB", "@dataset", "Prepared", "Nexa datasets have no Prepared in Tolvern's tables: remove it, or call the preparation method the Nexa class declares", "note"},
      {"ADODB", "@dataset", "CacheSize", "Nexa has no ADO cache size: remove it", "note"},
      {"ADODB", "@dataset", "MaxRecords", "Nexa datasets have no record limit: put a row limit into the SQL", "warning", "Nexa datasets have no record limit: put the limit of %v rows into the SQL"},
      {"ADODB", "@dataset", "Sort", "Nexa datasets have no Sort: put an ORDER BY into the SQL", "warning", "Nexa datasets have no Sort: put ORDER BY %v into the SQL"},
      {"ADODB", "@dataset", "EnableBCD", "Nexa has no EnableBCD: remove it", "note"},
      {"ADODB", "@dataset", "MarshalOptions", "Nexa has no marshal options: remove it", "note"},
      {"ADODB", "@dataset", "IndexDefs", "index definitions are not kept: create the indexes on the server", "note"},
      {"ADODB", "TADOTable", "TableDirect", "TNXTable has no TableDirect: remove it", "note"},
      {"ADODB", "@dataset", "DataSource", "use MasterSource", "warning", "set MasterSource to %v"},
      {"ADODB", "@dataset", "Recordset", "the ADO recordset has no counterpart: use the dataset itself", "note"},
      {"ADODB", "TADODataSet", "CommandText", "use SQL (SQL.Text)", "warning"},
      {"ADODB", "TADODataSet", "CommandType", "Nexa has no command types: remove it", "note"},
      {"ADODB", "TADOStoredProc", "ProcedureName", "use StoredProcName", "warning"},
      {"ADODB", "TADOCommand", "CommandText", "use SQL (SQL.Text)", "warning"},
      {"ADODB", "TADOCommand", "CommandType", "Nexa has no command types: remove it", "note"},
      {"ADODB", "TADOCommand", "ConnectionString", "set Connection to a TNXConnection instead", "warning"},
      {"ADODB", "TADOCommand", "Parameters", "ADO parameters have no counterpart: use the parameters the TNXSQL class declares", "warning", "ADO parameters are not converted: define %v in ParamData"},
      {"ADODB", "TADOCommand", "CommandObject", "the ADO command object has no counterpart: use the TNXSQL's own properties and methods", "note"},
  };
  return rows;
}

const std::vector<TodoValue>& TodoValues() {
  // ADO's isolation levels beside the three the conversion maps (ilBrowse, ilCursorStability,
  // ilSerializable): their synonyms, whose Nexa values the conversion tables show, and the two
  // that Nexa has no level for.
  static const std::vector<TodoValue> rows = {
      {"ADODB", "TADOConnection", "IsolationLevel", "ilReadUncommitted", "set IsolationLevel to ilReadUnCommitted, Nexa's name for the same level"},
      {"ADODB", "TADOConnection", "IsolationLevel", "ilReadCommitted", "set IsolationLevel to ilReadCommitted, Nexa's name for the same level"},
      {"ADODB", "TADOConnection", "IsolationLevel", "ilRepeatableRead", "set IsolationLevel to ilRepeatableRead, Nexa's name for the same level"},
      {"ADODB", "TADOConnection", "IsolationLevel", "ilIsolated", "set IsolationLevel to ilIsolated, Nexa's name for the same level"},
      {"ADODB", "TADOConnection", "IsolationLevel", "ilChaos", "Nexa has no such level: set IsolationLevel to ilReadUnCommitted, ilReadCommitted, ilRepeatableRead or ilIsolated, as the transactions need"},
      {"ADODB", "TADOConnection", "IsolationLevel", "ilUnspecified", "Nexa has no such level: set IsolationLevel to ilReadUnCommitted, ilReadCommitted, ilRepeatableRead or ilIsolated, as the transactions need"},
  };
  return rows;
}

const std::vector<TodoInterface>& TodoInterfaces() {
  static const std::vector<TodoInterface> rows = {
      {"DBTables", "name", "Session", "Nexa has no sessions: move aliases and login settings to a TNXConnection", "warning"},
      {"DBTables", "name", "Sessions", "Nexa has no sessions: move aliases and login settings to a TNXConnection", "warning"},
      {"DBTables", "name", "TSession", "Nexa has no sessions: use a TNXConnection", "warning"},
      {"DBTables", "name", "TSessionList", "Nexa has no sessions: use TNXConnection objects", "warning"},
      {"DBTables", "name", "TBDEDataSet", "no counterpart: declare it as TDataSet, or as the Nexa dataset class", "error"},
      {"DBTables", "name", "TDBDataSet", "no counterpart: declare it as TDataSet, or as the Nexa dataset class", "error"},
      {"DBTables", "name", "DBIResult", "a BDE API result has no counterpart: remove it with the BDE API calls that return it", "warning"},
      {"DBTables", "name", "hDBIDb", "a BDE database handle has no counterpart: use the TNXConnection", "warning"},
      {"DBTables", "name", "hDBICur", "a BDE cursor handle has no counterpart: use the dataset", "warning"},
      // BDE error codes and handlers; the prefixes of the codes come before "Dbi".
      {"DBTables", "prefix", "DBIERR_", "Nexa raises ENXOleError, never a BDE error code: test the ENXOleError's Message (or the code field the Nexa class declares) instead", "warning", "error-handling"},
      {"DBTables", "prefix", "ERRCAT_", "Nexa raises ENXOleError, never a BDE error category: test the ENXOleError's Message (or the code field the Nexa class declares) instead", "warning", "error-handling"},
      {"DBTables", "prefix", "ERRBASE_", "Nexa raises ENXOleError, never a BDE error code: test the ENXOleError's Message (or the code field the Nexa class declares) instead", "warning", "error-handling"},
      {"DBTables", "name", "TDBError", "Nexa raises no BDE error records: read the ENXOleError itself (its Message)", "warning", "error-handling"},
      {"DBTables", "handler", "EDBEngineError", "renamed ENXOleError by the run: it catches the database errors Nexa raises", "note", "error-handling"},
      // Upkeep of local Paradox and dBASE tables.
      {"DBTables", "name", "DbiSaveChanges", "upkeep of local BDE tables: Nexa tables live on the server: remove the call", "warning"},
      {"DBTables", "name", "DbiUseIdleTime", "upkeep of local BDE tables: Nexa tables live on the server: remove the call", "warning"},
      {"DBTables", "name", "DbiPackTable", "upkeep of local BDE tables: Nexa tables live on the server: remove the call", "warning"},
      {"DBTables", "name", "DbiRegenIndexes", "upkeep of local BDE tables: Nexa tables live on the server: remove the call", "warning"},
      {"DBTables", "name", "DbiDoRestructure", "upkeep of local BDE tables: Nexa tables live on the server: remove the call", "warning"},
      {"DBTables", "prefix", "Dbi", "a BDE API call works on BDE handles only: do its work with the TNXConnection's or the Nexa dataset's own methods", "warning"},
      {"DBTables", "unit", "BDE", "remove the BDE unit once its calls are gone", "warning"},
      {"DBTables", "unit", "DbiProcs", "remove the BDE unit once its calls are gone", "warning"},
      {"DBTables", "unit", "DbiTypes", "remove the BDE unit once its calls are gone", "warning"},
      {"DBTables", "unit", "DbiErrs", "remove the BDE unit once its calls are gone", "warning"},
      {"ADODB", "name", "TCustomADODataSet", "no counterpart: declare it as TDataSet, or as the Nexa dataset class", "error"},
      {"ADODB", "name", "TADOBlobStream", "no counterpart: use the dataset's CreateBlobStream", "warning"},
      {"ADODB", "name", "TRDSConnection", "remote data services have no counterpart: use a TNXConnection", "warning"},
      {"ADODB", "name", "TParameters", "ADO parameters have no counterpart: use the dataset's ParamData", "warning"},
      {"ADODB", "name", "TParameter", "ADO parameters have no counterpart: use the dataset's ParamData", "warning"},
      {"ADODB", "name", "_Recordset", "the ADO recordset has no counterpart: use the dataset itself", "warning"},
      {"ADODB", "name", "_Connection", "the ADO connection object has no counterpart: use the TNXConnection", "warning"},
      {"ADODB", "name", "_Command", "the ADO command object has no counterpart: use a TNXSQL", "warning"},
      {"ADODB", "handler", "EOleException", "Nexa reports database errors as ENXOleError, not EOleException: add an on E: ENXOleError do handler before it", "warning", "error-handling"},
      {"ADODB", "handler", "EADOError", "Nexa never raises EADOError: catch ENXOleError instead", "warning", "error-handling"},
      {"ADODB", "unit", "ADOInt", "remove the ADO interface unit once its uses are gone", "warning"},
      {"ADODB", "unit", "ADOConEd", "the ADO connection editor has no counterpart: remove the unit", "warning"},
  };
  return rows;
}
// clang-format on

}  // namespace tolvern
