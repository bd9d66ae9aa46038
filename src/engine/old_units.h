// The units of the old data-access library that a migrated unit may still
// name beside the Nexa units (DBTables, DBIProcs, DBITypes, DBIErrs and BDE
// for BDE runs; ADODB and Data.Win.ADODB for ADO runs): where each stands
// in a uses clause, what in the unit's code still needs it (by a small table
// of what each exports), and the unit's text without those nothing needs.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "parsing/pascal_scanner.h"

namespace tolvern {

struct OldUnitPlace {
  std::string unit;   // as the uses clause spells it ("dbtables", "Data.Win.ADODB")
  size_t offset = 0;  // of its first character
  size_t end = 0;     // just past the item (its "in '...'" part included)
  // The names in code that need it, as first spelt, in text order.
  std::vector<std::string> needed_by;
};

// Whether name is an old unit of the family whose source unit is family
// ("DBTables" or "ADODB"; letter case ignored); false for any other family.
bool IsOldUnit(std::string_view family, std::string_view name);

// Whether an old unit of the family exports name (EDBEngineError, EADOError;
// not EOleException, which ComObj declares).
bool ExportedByOldUnit(std::string_view family, std::string_view name);

// The old units of the family that the uses clauses of text name, in text
// order, each with what still needs it.
// A name for which renamed holds (a class the run maps, which the migrated
// text no longer names) needs nothing.
std::vector<OldUnitPlace> FindOldUnits(std::string_view text, std::string_view family,
                                       const std::function<bool(std::string_view)>& renamed = {});
// The same from the text's tokens (SignificantTokens, with or without its
// comments), for a caller that has them already.
std::vector<OldUnitPlace> FindOldUnits(const PasTokens& tokens, std::string_view family,
                                       const std::function<bool(std::string_view)>& renamed = {});

// The text with every old unit that nothing needs taken out of its uses
// clause, the clause kept valid: its commas, "in" parts and comments; a
// clause left with no unit goes whole. *removed: how many units went.
std::string DropOldUnits(std::string_view text, std::string_view family, int* removed);

// The to-do text and advice of an old unit left in a uses clause.
std::string OldUnitText(const OldUnitPlace& place);
std::string OldUnitAdvice(const OldUnitPlace& place);

}  // namespace tolvern
