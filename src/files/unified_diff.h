// Unified diffs of two texts, line by line, with three lines of context, as
// "diff -u" prints them; optionally coloured for a terminal.
#pragma once

#include <string>
#include <string_view>

namespace tolvern {

// "" when the texts are equal. Line ends (CR LF or LF) are not shown.
std::string UnifiedDiff(std::string_view before, std::string_view after,
                        const std::string& before_label, const std::string& after_label,
                        bool color = false);

}  // namespace tolvern
