// A profile's "family": the source family its classes belong to, read and
// checked like the rest of the profile, and written back as JSON.
#pragma once

#include "parsing/json_locator.h"
#include "parsing/source_family.h"

namespace tolvern::profile_json {

class ProfileChecks;

// Reads the family at "$.family"; each problem goes to checks.
SourceFamily ReadFamily(const Json& v, ProfileChecks* checks);
// The family as ReadFamily reads it.
Json FamilyJson(const SourceFamily& family);

}  // namespace tolvern::profile_json
