// What the units of the old data-access library export, as far as a
// migrated unit may still name it: each unit brings one or more groups of
// names (tables, the engine's routines, its types, its error codes, ADO),
// and a name belongs to one group.
#pragma once

#include <string_view>

namespace tolvern {

// The groups an old unit of the family brings ("DBTables" or "ADODB", the
// unit possibly dotted; letter case ignored); 0 for any other unit.
unsigned ExportGroupsOfUnit(std::string_view family, std::string_view unit);
// The groups of all the family's old units.
unsigned ExportGroupsOfFamily(std::string_view family);
// The group a name belongs to (exactly, or by its prefix: "DbiOpenTable",
// "DBIERR_NOTSUFFTABLERIGHTS"), 0 for a name no old unit exports.
unsigned ExportGroupsOfName(std::string_view name);

}  // namespace tolvern
