#include "engine/old_unit_exports.h"

#include "base/ascii_text.h"

namespace tolvern {

namespace {

// The groups of names, as bits: a unit brings one or more.
enum Group : unsigned { kTables = 1, kProcs = 2, kTypes = 4, kErrs = 8, kAdo = 16 };

struct UnitRow {
  std::string_view family;  // the family's source unit
  std::string_view name;
  unsigned groups;
};
constexpr UnitRow kUnits[] = {
    {"DBTables", "DBTables", kTables}, {"DBTables", "Bde.DBTables", kTables},
    {"DBTables", "DBIProcs", kProcs},  {"DBTables", "DBITypes", kTypes},
    {"DBTables", "DBIErrs", kErrs},    {"DBTables", "BDE", kProcs | kTypes | kErrs},
    {"ADODB", "ADODB", kAdo},          {"ADODB", "Data.Win.ADODB", kAdo},
};

struct NameRow {
  unsigned group;
  std::string_view name;
};
// Exact names; the classes a run maps are renamed in code by then, so only
// what stays on the old library is met here.
constexpr NameRow kNames[] = {
    // DBTables
    {kTables, "TSession"},
    {kTables, "TSessionList"},
    {kTables, "Session"},
    {kTables, "Sessions"},
    {kTables, "TDatabase"},
    {kTables, "TBDEDataSet"},
    {kTables, "TDBDataSet"},
    {kTables, "TTable"},
    {kTables, "TQuery"},
    {kTables, "TStoredProc"},
    {kTables, "TUpdateSQL"},
    {kTables, "TBatchMove"},
    {kTables, "TNestedTable"},
    {kTables, "TBlobStream"},
    {kTables, "TDBError"},
    {kTables, "EDBEngineError"},
    {kTables, "ENoResultSet"},
    {kTables, "TLocale"},
    {kTables, "TBDECallback"},
    {kTables, "TTableType"},
    {kTables, "ttDefault"},
    {kTables, "ttParadox"},
    {kTables, "ttDBase"},
    {kTables, "ttFoxPro"},
    {kTables, "ttASCII"},
    {kTables, "TBatchMode"},
    {kTables, "batAppend"},
    {kTables, "batUpdate"},
    {kTables, "batAppendUpdate"},
    {kTables, "batDelete"},
    {kTables, "batCopy"},
    {kTables, "TLockType"},
    {kTables, "ltReadLock"},
    {kTables, "ltWriteLock"},
    {kTables, "TTransIsolation"},
    {kTables, "tiDirtyRead"},
    {kTables, "tiReadCommitted"},
    {kTables, "tiRepeatableRead"},
    {kTables, "TParamBindMode"},
    {kTables, "pbByName"},
    {kTables, "pbByNumber"},
    {kTables, "TConfigMode"},
    {kTables, "cmPersistent"},
    {kTables, "cmSession"},
    {kTables, "TTraceFlag"},
    {kTables, "TTraceFlags"},
    {kTables, "TDatabaseLoginEvent"},
    {kTables, "TPasswordEvent"},
    {kTables, "TDatabaseNotifyEvent"},
    {kTables, "TRecNoStatus"},
    {kTables, "Check"},
    {kTables, "DbiError"},
    {kTables, "AnsiToNative"},
    {kTables, "NativeToAnsi"},
    // DBITypes
    {kTypes, "DBIResult"},
    {kTypes, "DBIPATH"},
    {kTypes, "DBINAME"},
    {kTypes, "DBIMSG"},
    {kTypes, "DBIKEY"},
    {kTypes, "DBIDATE"},
    {kTypes, "DBITIME"},
    {kTypes, "DBIQRYLANG"},
    {kTypes, "DBIOpenMode"},
    {kTypes, "DBIShareMode"},
    {kTypes, "dbiREADWRITE"},
    {kTypes, "dbiREADONLY"},
    {kTypes, "dbiOPENSHARED"},
    {kTypes, "dbiOPENEXCL"},
    {kTypes, "DBIMAXNAMELEN"},
    {kTypes, "DBIMAXPATHLEN"},
    {kTypes, "DBIMAXMSGLEN"},
    {kTypes, "CURProps"},
    {kTypes, "pCURProps"},
    {kTypes, "RECProps"},
    {kTypes, "pRECProps"},
    {kTypes, "FLDDesc"},
    {kTypes, "pFLDDesc"},
    {kTypes, "IDXDesc"},
    {kTypes, "pIDXDesc"},
    {kTypes, "VCHKDesc"},
    {kTypes, "pVCHKDesc"},
    {kTypes, "CRTblDesc"},
    {kTypes, "pCRTblDesc"},
    {kTypes, "TBLBaseDesc"},
    {kTypes, "TBLFullDesc"},
    {kTypes, "DBDesc"},
    {kTypes, "SYSConfig"},
    {kTypes, "SYSInfo"},
    {kTypes, "SYSVersion"},
    {kTypes, "ClientInfo"},
    {kTypes, "CBType"},
    {kTypes, "xltFIELD"},
    {kTypes, "xltNONE"},
    {kTypes, "xltRECORD"},
    {kTypes, "szPARADOX"},
    {kTypes, "szDBASE"},
    {kTypes, "szASCII"},
    {kTypes, "fldZSTRING"},
    {kTypes, "fldINT16"},
    {kTypes, "fldINT32"},
    {kTypes, "fldFLOAT"},
    {kTypes, "fldDATE"},
    {kTypes, "fldBLOB"},
    {kTypes, "fldBOOL"},
    {kTypes, "keySEARCHEQ"},
    {kTypes, "keySEARCHGT"},
    {kTypes, "keySEARCHGEQ"},
    // ADODB
    {kAdo, "TADOConnection"},
    {kAdo, "TADOCommand"},
    {kAdo, "TADODataSet"},
    {kAdo, "TADOTable"},
    {kAdo, "TADOQuery"},
    {kAdo, "TADOStoredProc"},
    {kAdo, "TCustomADODataSet"},
    {kAdo, "TADOBlobStream"},
    {kAdo, "TParameters"},
    {kAdo, "TParameter"},
    {kAdo, "TRDSConnection"},
    {kAdo, "EADOError"},
    {kAdo, "TADOLockType"},
    {kAdo, "TCursorLocation"},
    {kAdo, "clUseServer"},
    {kAdo, "clUseClient"},
    {kAdo, "TCursorType"},
    {kAdo, "ctOpenForwardOnly"},
    {kAdo, "ctKeyset"},
    {kAdo, "ctDynamic"},
    {kAdo, "ctStatic"},
    {kAdo, "TConnectMode"},
    {kAdo, "TIsolationLevel"},
    {kAdo, "TXactAttributes"},
    {kAdo, "xaCommitRetaining"},
    {kAdo, "xaAbortRetaining"},
    {kAdo, "TCommandType"},
    {kAdo, "cmdText"},
    {kAdo, "cmdTable"},
    {kAdo, "cmdStoredProc"},
    {kAdo, "cmdTableDirect"},
    {kAdo, "TExecuteOptions"},
    {kAdo, "eoAsyncExecute"},
    {kAdo, "eoAsyncFetch"},
    {kAdo, "eoExecuteNoRecords"},
    {kAdo, "TEventStatus"},
    {kAdo, "TFilterGroup"},
    {kAdo, "TMarshalOption"},
    {kAdo, "TSeekOption"},
    {kAdo, "soFirstEQ"},
    {kAdo, "TAffectRecords"},
    {kAdo, "TPersistFormat"},
    {kAdo, "pfADTG"},
    {kAdo, "pfXML"},
    {kAdo, "TObjectState"},
    {kAdo, "TObjectStates"},
    {kAdo, "PromptDataSource"},
    {kAdo, "PromptDataLinkFile"},
    {kAdo, "GetProviderNames"},
    {kAdo, "CreateADOObject"},
    {kAdo, "CreateUDLFile"},
    {kAdo, "DataLinkDir"},
    {kAdo, "GetDataLinkFiles"},
    {kAdo, "ADOTypeToFieldType"},
    {kAdo, "FieldTypeToADOType"},
    {kAdo, "TRecordsetEvent"},
    {kAdo, "TWillConnectEvent"},
    {kAdo, "TExecuteCompleteEvent"},
    {kAdo, "TInfoMessageEvent"},
};
// Prefixes, tried after the exact names: the API's routines, handles and
// error codes.
constexpr NameRow kPrefixes[] = {
    {kErrs, "DBIERR_"},  {kErrs, "ERRCAT_"}, {kErrs, "ERRBASE_"},
    {kErrs, "ERRCODE_"}, {kTypes, "hDBI"},   {kProcs, "Dbi"},
};

// The exact names by folded key, built once: every identifier of every unit
// is looked up here, so a look-up must cost one hash and not a pass over the
// list.
struct NameTable {
  NameTable() {
    for (const NameRow& r : kNames) {
      names.emplace(r.name, r.group);
      filter.Add(r.name);
    }
    for (const NameRow& r : kPrefixes) prefix_firsts[Index(r.name[0])] = true;
  }
  static unsigned char Index(char c) { return static_cast<unsigned char>(AsciiUpper(c)); }
  FoldedMap<unsigned> names;
  NameFilter filter;
  bool prefix_firsts[256] = {};
};
const NameTable& Names() {
  static const NameTable table;
  return table;
}

}  // namespace

unsigned ExportGroupsOfName(std::string_view name) {
  if (name.empty()) return 0;
  const NameTable& table = Names();
  if (table.filter.MayHold(name)) {
    const auto it = table.names.find(name);
    if (it != table.names.end()) return it->second;
  }
  if (!table.prefix_firsts[NameTable::Index(name[0])]) return 0;
  for (const NameRow& r : kPrefixes) {
    if (name.size() > r.name.size() && SameText(name.substr(0, r.name.size()), r.name))
      return r.group;
  }
  return 0;
}

unsigned ExportGroupsOfUnit(std::string_view family, std::string_view unit) {
  // Every old unit's name starts with A, B or D: most names stop here.
  const char first = unit.empty() ? 0 : AsciiUpper(unit[0]);
  if (first != 'A' && first != 'B' && first != 'D') return 0;
  for (const UnitRow& r : kUnits)
    if (SameText(family, r.family) && SameText(unit, r.name)) return r.groups;
  return 0;
}

unsigned ExportGroupsOfFamily(std::string_view family) {
  unsigned groups = 0;
  for (const UnitRow& r : kUnits)
    if (SameText(family, r.family)) groups |= r.groups;
  return groups;
}

}  // namespace tolvern
