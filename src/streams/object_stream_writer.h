// The bytes of a binary object stream, appended one value at a time: each
// value is its type byte and its data, numbers little-endian. The writer
// picks the smallest type that holds an integer and the narrowest type that
// holds a string, so that the stream is the one the IDE writes for the same
// text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "streams/object_stream.h"

namespace tolvern {

class ObjectStreamWriter {
 public:
  explicit ObjectStreamWriter(size_t reserve) { out_.reserve(reserve); }

  // The bytes written so far, handed over.
  std::string Take() { return std::move(out_); }

  // Bytes as they are: the signature, a byte of object flags.
  void Raw(std::string_view bytes) { out_ += bytes; }
  void Byte(unsigned char byte) { out_ += static_cast<char>(byte); }
  // A value type alone: the one of a value without data, or the 00 that ends
  // a list.
  void Type(ValueType type) { Byte(type); }

  // A length byte and the bytes, for names of at most 255 bytes.
  void ShortString(std::string_view s);
  void Integer(std::int64_t v);
  // A floating-point value of the type its text's suffix gives ('s' single,
  // 'd' date, none extended).
  void Real(long double v, char suffix);
  // A currency value as its count of ten-thousandths.
  void Currency(std::int64_t scaled);
  // UTF-16 units as an 8-bit string when every unit fits in 8 bits and the
  // text did not ask for a wide one, else as a wide string.
  void String(const std::u16string& units, bool wide);
  void Binary(std::string_view data);

 private:
  void U32(std::uint32_t v);
  void U64(std::uint64_t v);

  std::string out_;
};

}  // namespace tolvern
