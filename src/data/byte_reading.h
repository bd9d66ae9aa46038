// Little- and big-endian numbers out of a file's bytes, for the table
// readers; the caller has checked that the bytes are there.
#pragma once

#include <cstdint>
#include <string_view>

namespace tolvern::data {

inline std::uint32_t Byte(std::string_view b, size_t at) {
  return static_cast<unsigned char>(b[at]);
}
inline std::uint32_t Le16(std::string_view b, size_t at) {
  return Byte(b, at) | Byte(b, at + 1) << 8;
}
inline std::uint32_t Le32(std::string_view b, size_t at) {
  return Le16(b, at) | Le16(b, at + 2) << 16;
}
inline std::uint64_t Le64(std::string_view b, size_t at) {
  return Le32(b, at) | std::uint64_t{Le32(b, at + 4)} << 32;
}
// A big-endian number of n bytes (at most 8).
inline std::uint64_t BigEndian(std::string_view b, size_t at, int n) {
  std::uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | Byte(b, at + i);
  return v;
}
inline std::uint32_t Be32(std::string_view b, size_t at) {
  return static_cast<std::uint32_t>(BigEndian(b, at, 4));
}
// Whether every byte of b is zero.
inline bool AllZero(std::string_view b) {
  for (char c : b)
    if (c) return false;
  return true;
}

}  // namespace tolvern::data
