#include "base/ascii_text.h"

#include <algorithm>

namespace tolvern {

int CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int d =
        static_cast<unsigned char>(AsciiUpper(a[i])) - static_cast<unsigned char>(AsciiUpper(b[i]));
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string UpperCase(std::string s) {
  for (char& c : s) c = AsciiUpper(c);
  return s;
}

}  // namespace tolvern
