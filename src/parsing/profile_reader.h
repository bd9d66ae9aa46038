// Reads a profile's JSON value into a mapping profile, checking every part of
// it: each problem is noted with its JSON path (and line, when where is
// given), and the profile is only usable when there are none.
#pragma once

#include <string>
#include <vector>

#include "parsing/json_locator.h"
#include "parsing/mapping_profile.h"

namespace tolvern::profile_json {

MappingProfile ReadProfileJson(const Json& root, std::vector<std::string>* problems,
                               const LocatingReader* where = nullptr);

}  // namespace tolvern::profile_json
