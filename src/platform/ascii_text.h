// Letter case as the tool compares names: ASCII letters fold, every other
// byte stands for itself. Class names, unit names, file names, rule names and
// form keywords all compare this way.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace tolvern {

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

inline bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}
// Ordinal comparison with ASCII letters as upper case; <0, 0 or >0.
int CompareText(std::string_view a, std::string_view b);
std::string UpperCase(std::string s);

// Hash and equality of names as the tool compares them, for maps that are
// looked up with the text as written (a std::string_view into a unit), with
// no upper-case copy. The hash clears bit 0x20 of every byte, so names that
// differ only in letter case hash alike; eight bytes are taken at a time.
struct FoldedHash {
  using is_transparent = void;
  inline size_t operator()(std::string_view s) const noexcept {
    constexpr uint64_t kFold = 0xDFDFDFDFDFDFDFDFull, kMul = 0x9E3779B97F4A7C15ull;
    uint64_t h = s.size() * kMul;
    const char* p = s.data();
    size_t n = s.size();
    for (; n >= 8; p += 8, n -= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      h = (h ^ (w & kFold)) * kMul;
      h ^= h >> 29;
    }
    if (n > 0) {
      uint64_t w = 0;
      for (size_t i = 0; i < n; ++i) w |= uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
      h = (h ^ (w & kFold)) * kMul;
      h ^= h >> 29;
    }
    return static_cast<size_t>(h);
  }
};
struct FoldedEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept { return SameText(a, b); }
};
// Keyed by name, any letter case; find() takes a std::string_view.
template <class V>
using FoldedMap = std::unordered_map<std::string, V, FoldedHash, FoldedEqual>;
using FoldedSet = std::unordered_set<std::string, FoldedHash, FoldedEqual>;

}  // namespace tolvern
