#include "base/nearest_name.h"

#include <algorithm>

#include "base/ascii_text.h"

namespace tolvern {

size_t EditDistance(std::string_view a, std::string_view b) {
  // The optimal string alignment distance, over three rows of the table:
  // the row before the one before, the one before, and this one.
  std::vector<size_t> before_last(b.size() + 1), last(b.size() + 1), row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) last[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const bool same = AsciiLower(a[i - 1]) == AsciiLower(b[j - 1]);
      row[j] = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + (same ? 0 : 1)});
      if (i > 1 && j > 1 && AsciiLower(a[i - 1]) == AsciiLower(b[j - 2]) &&
          AsciiLower(a[i - 2]) == AsciiLower(b[j - 1]))
        row[j] = std::min(row[j], before_last[j - 2] + 1);
    }
    std::swap(before_last, last);
    std::swap(last, row);
  }
  return last[b.size()];
}

std::string NearestName(std::string_view word, const std::vector<std::string>& names) {
  std::string nearest;
  size_t best = 0;
  for (const std::string& name : names) {
    const size_t distance = EditDistance(word, name);
    const size_t reach = std::max<size_t>(1, name.size() / 3);
    if (distance > reach || (!nearest.empty() && distance >= best)) continue;
    nearest = name;
    best = distance;
  }
  return nearest;
}

}  // namespace tolvern
