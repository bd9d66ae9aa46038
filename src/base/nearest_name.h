// The name a mistyped word most likely meant, for "Did you mean ...?" hints.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tolvern {

// The number of single-letter edits (insert, delete, replace, swap of two
// neighbours) that turn a into b, letter case ignored.
size_t EditDistance(std::string_view a, std::string_view b);

// The name of names nearest to word, when it is within reach: a third of the
// name's letters (at least one) may differ. The first of equally near names;
// "" when none is within reach.
std::string NearestName(std::string_view word, const std::vector<std::string>& names);

}  // namespace tolvern
