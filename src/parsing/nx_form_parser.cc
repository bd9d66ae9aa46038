#include "parsing/nx_form_parser.h"

#include <utility>

#include "platform/form_strings.h"

namespace tolvern {

namespace {

using Mapping = std::pair<std::string_view, std::string_view>;

// Transaction isolation of a BDE database and of an ADO connection, as Nexa
// isolation levels. A value not listed is dropped.
constexpr Mapping kTransIsolation[] = {
    {"tiDirtyRead", "ilReadUnCommitted"},
    {"tiReadCommitted", "ilReadCommitted"},
    {"tiRepeatableRead", "ilRepeatableRead"},
};
constexpr Mapping kAdoIsolation[] = {
    {"ilBrowse", "ilReadUnCommitted"},
    {"ilCursorStability", "ilReadCommitted"},
    {"ilSerializable", "ilIsolated"},
};

template <size_t N>
std::string_view Map(const Mapping (&table)[N], std::string_view value) {
  for (const Mapping& m : table)
    if (m.first == value) return m.second;
  return {};
}

}  // namespace

void TNXFormParser::ConvertProperty(std::string_view name, std::string_view value) {
  const std::string_view type = SourceClass();
  if (name == "Params.Strings" && type == "TDatabase") {
    std::string database = EntryValue(LoginEntries(value), "DATABASE NAME");
    if (!database.empty()) AddProperty("Database", EncodeFormString(database));
  }
  if (name == "TransIsolation" && type == "TDatabase") {
    SetDropReason(drop_reason::kOutsideMappingTable);
    if (std::string_view level = Map(kTransIsolation, value); !level.empty())
      AddProperty("IsolationLevel", level);
  } else if (name == "IsolationLevel" && type == "TADOConnection") {
    SetDropReason(drop_reason::kOutsideMappingTable);
    if (std::string_view level = Map(kAdoIsolation, value); !level.empty())
      AddProperty("IsolationLevel", level);
  } else if (name == "ConnectionString" && type == "TADOConnection") {
    AddProperty("ConnectString", value);
  } else if (name == "DefaultDatabase" && type == "TADOConnection") {
    AddProperty("Database", value);
  } else if (name == "CommandText" && (type == "TADOCommand" || type == "TADODataSet")) {
    AddProperty("SQL.Strings", "(" + std::string(value) + ")");
  } else if (name == "ProcedureName" && type == "TADOStoredProc") {
    AddProperty("StoredProcName", value);
  } else {
    TFormParser::ConvertProperty(name, value);
  }
}

}  // namespace tolvern
