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
// differ only in letter case hash alike. Eight bytes are taken at a time;
// the last eight (or, in a shorter name, two overlapping halves) end it.
class FoldedKey;
struct FoldedHash {
  using is_transparent = void;
  size_t operator()(const FoldedKey& key) const noexcept;
  size_t operator()(std::string_view s) const noexcept {
    constexpr uint64_t kFold = 0xDFDFDFDFDFDFDFDFull, kMul = 0x9E3779B97F4A7C15ull;
    const char* p = s.data();
    const size_t n = s.size();
    uint64_t h = n * kMul;
    const auto mix = [&h](uint64_t w) {
      h = (h ^ (w & kFold)) * kMul;
      h ^= h >> 29;
    };
    if (n >= 8) {
      size_t i = 0;
      for (; i + 8 < n; i += 8) mix(Load(p + i, 8));
      mix(Load(p + n - 8, 8));
    } else if (n >= 4) {
      mix(Load(p, 4) | Load(p + n - 4, 4) << 32);
    } else if (n > 0) {
      mix(uint64_t{static_cast<unsigned char>(p[0])} |
          uint64_t{static_cast<unsigned char>(p[n / 2])} << 8 |
          uint64_t{static_cast<unsigned char>(p[n - 1])} << 16);
    }
    return static_cast<size_t>(h);
  }
  static uint64_t Load(const char* p, size_t bytes) {
    uint64_t w = 0;
    std::memcpy(&w, p, bytes);  // bytes is 4 or 8: one load
    return w;
  }
};
// A name looked up in several folded maps (a token of a unit against the
// run's tables): its folded hash is worked out once, at the first look-up,
// and every later one reuses it.
class FoldedKey {
 public:
  explicit FoldedKey(std::string_view text) : text_(text) {}
  std::string_view text() const { return text_; }
  size_t hash() const {
    if (!hashed_) {
      hash_ = FoldedHash{}(text_);
      hashed_ = true;
    }
    return hash_;
  }

 private:
  std::string_view text_;
  mutable size_t hash_ = 0;
  mutable bool hashed_ = false;
};
inline size_t FoldedHash::operator()(const FoldedKey& key) const noexcept { return key.hash(); }

struct FoldedEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept { return SameText(a, b); }
  bool operator()(const FoldedKey& a, std::string_view b) const noexcept {
    return SameText(a.text(), b);
  }
  bool operator()(std::string_view a, const FoldedKey& b) const noexcept {
    return SameText(a, b.text());
  }
};
// A quick test before a look-up: whether a name may be among a set of
// names, by its length and its first letter in either case. It never
// refuses a name of the set.
class NameFilter {
 public:
  void Add(std::string_view name) {
    lengths_ |= Bit(name.size());
    if (!name.empty()) first_[Index(name[0])] = true;
  }
  bool MayHold(std::string_view name) const {
    return (lengths_ & Bit(name.size())) != 0 && (name.empty() || first_[Index(name[0])]);
  }

 private:
  static uint64_t Bit(size_t length) { return uint64_t{1} << (length < 63 ? length : 63); }
  static unsigned char Index(char c) { return static_cast<unsigned char>(AsciiUpper(c)); }
  uint64_t lengths_ = 0;
  bool first_[256] = {};
};

// Keyed by name, any letter case; find() takes a std::string_view.
template <class V>
using FoldedMap = std::unordered_map<std::string, V, FoldedHash, FoldedEqual>;
using FoldedSet = std::unordered_set<std::string, FoldedHash, FoldedEqual>;

}  // namespace tolvern
