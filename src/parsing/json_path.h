// The JSON paths that name a place in a profile ($.a.b, $.a["Params.Strings"],
// $.a[3]): making them, and taking them apart into their steps again, so
// that a place can be found without a path kept for every value read.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolvern::profile_json {

// A Pascal identifier: letters, digits and "_", not beginning with a digit.
bool IsIdentifier(std::string_view s);
// A property name as forms write it: identifiers joined by dots.
bool IsPropertyName(std::string_view s);

// A member's JSON path: $.a.b, or $.a["Params.Strings"] for a name that is
// not an identifier.
std::string Member(const std::string& path, const std::string& key);
std::string Item(const std::string& path, size_t i);

// One step of a path: a member by its key, or an item by its index.
struct PathStep {
  static constexpr size_t kMember = static_cast<size_t>(-1);
  std::string key;         // a member's key
  size_t index = kMember;  // an item's index; kMember for a member
};

// The steps of a path as Member and Item make them, after the "$". A path
// that goes wrong part of the way gives the steps up to there.
std::vector<PathStep> PathSteps(std::string_view path);

}  // namespace tolvern::profile_json
