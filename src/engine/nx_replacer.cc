#include "engine/nx_replacer.h"

#include <utility>
#include <vector>

#include "platform/class_registry.h"

namespace tolvern {

TReplaceOptions* ReplaceOptions = nullptr;
TComponentReplacer* BdeReplacer = nullptr;
TComponentReplacer* AdoReplacer = nullptr;

namespace {

// ---- The tables. Change them here. ----

constexpr const char* kNewUnits = ", NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache";

using Pairs = std::vector<std::pair<const char*, const char*>>;

const Pairs& BdePairs() {
  static const Pairs pairs = {
      {"TDatabase", "TNXConnection"},      {"TQuery", "TNXQuery"},
      {"TwwQuery", "TNXQuery"},            {"TTable", "TNXTable"},
      {"TwwTable", "TNXTable"},            {"TStoredProc", "TNXStoredProc"},
      {"TwwStoredProc", "TNXStoredProc"},  {"TwwDataSource", "TNXDataSource"},
      {"TUpdateSQL", "TNXUpdateSQL"},      {"EDBEngineError", "ENXOleError"},
      {"TBatchMove", "TKTBatchMove"},
  };
  return pairs;
}

const Pairs& AdoPairs() {
  static const Pairs pairs = {
      {"TADOConnection", "TNXConnection"}, {"TADOCommand", "TNXSQL"},
      {"TADODataSet", "TNXQuery"},         {"TADOTable", "TNXTable"},
      {"TADOQuery", "TNXQuery"},           {"TADOStoredProc", "TNXStoredProc"},
  };
  return pairs;
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// The published properties of the registered target classes, in the order of
// registration.
std::vector<ComponentClass> TargetClasses() {
  const std::vector<std::string> events = {
      "AfterCancel",   "AfterClose",    "AfterDelete",    "AfterEdit",     "AfterInsert",
      "AfterOpen",     "AfterPost",     "AfterScroll",    "BeforeCancel",  "BeforeClose",
      "BeforeDelete",  "BeforeEdit",    "BeforeInsert",   "BeforeOpen",    "BeforePost",
      "BeforeScroll",  "OnCalcFields",  "OnDeleteError",  "OnEditError",   "OnFilterRecord",
      "OnNewRecord",   "OnPostError",   "OnUpdateError",  "OnUpdateRecord"};
  const std::vector<std::string> dataset = Join(
      {{"Active", "AutoCalcFields", "CachedUpdates", "Connection", "Filter", "Filtered",
        "FilterOptions", "ReadOnly", "Tag", "UpdateObject"},
       events});
  return {
      {"TNXConnection",
       {"AfterConnect", "AfterDisconnect", "BeforeConnect", "BeforeDisconnect", "ConnectString",
        "Connected", "Database", "IsolationLevel", "KeepConnection", "LoginPrompt", "OnLogin",
        "Password", "Server", "Tag", "Username"}},
      {"TNXQuery", Join({dataset, {"MasterFields", "MasterSource", "ParamCheck", "ParamData", "SQL",
                                   "UniDirectional"}})},
      {"TNXTable",
       Join({dataset, {"IndexFieldNames", "IndexName", "MasterFields", "MasterSource", "TableName"}})},
      {"TNXStoredProc", Join({dataset, {"ParamData", "StoredProcName"}})},
      {"TNXUpdateSQL", {"DeleteSQL", "InsertSQL", "ModifySQL", "RefreshSQL", "Tag"}},
  };
}

// ---- Start-up and shut-down. ----

int g_users = 0;

TComponentReplacer* MakeReplacer(const char* source_unit, const Pairs& pairs) {
  auto* replacer = new TComponentReplacer(source_unit, kNewUnits, ReplaceOptions);
  for (const auto& [old_class, new_class] : pairs) replacer->AddReplacement(old_class, new_class);
  return replacer;
}

}  // namespace

void NXReplacerStartup() {
  if (g_users++ > 0) return;
  for (ComponentClass& cls : TargetClasses()) RegisterClass(std::move(cls));
  ReplaceOptions = new TReplaceOptions("BDE/ADO");
  BdeReplacer = MakeReplacer("DBTables", BdePairs());
  AdoReplacer = MakeReplacer("ADODB", AdoPairs());
}

void NXReplacerShutdown() {
  if (g_users == 0 || --g_users > 0) return;
  delete BdeReplacer;
  BdeReplacer = nullptr;
  delete AdoReplacer;
  AdoReplacer = nullptr;
  delete ReplaceOptions;
  ReplaceOptions = nullptr;
}

}  // namespace tolvern
