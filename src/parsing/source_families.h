// The source families Tolvern migrates, in one table: a row per built-in
// profile (profiles/*.json, compiled in), in the order of their family's
// index: BDE 0, ADO 1, as the library's replacers and the wizard's modes
// are numbered. Adding a family is adding its profile file.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "parsing/mapping_profile.h"

namespace tolvern {

// The built-in profiles, each with its family.
const std::vector<MappingProfile>& BuiltinProfiles();
// The built-in profile of the family with that id, or null.
const MappingProfile* FindBuiltinProfile(std::string_view id);
// The built-in profile of that family; an unknown id is a fault of the
// caller (EAssertionFailed).
const MappingProfile& BuiltinProfile(std::string_view id);
// The ids of the families, for a message: "bde, ado".
std::string SourceFamilyNames();
// The built-in family whose units name the unit, else the first: the family
// of a replacer that was made without a profile.
const SourceFamily& FamilyOfUnit(std::string_view unit);
// Every built-in profile in one, in the table's order: what a form parser
// made without a profile converts.
std::shared_ptr<const MappingProfile> BuiltinConversions();

}  // namespace tolvern
