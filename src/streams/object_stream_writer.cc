#include "streams/object_stream_writer.h"

#include <cstring>

#include "streams/form_numbers.h"

namespace tolvern {

void ObjectStreamWriter::U32(std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void ObjectStreamWriter::U64(std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void ObjectStreamWriter::ShortString(std::string_view s) {
  out_ += static_cast<char>(s.size());
  out_ += s;
}

void ObjectStreamWriter::Integer(std::int64_t v) {
  if (v >= -128 && v <= 127) {
    out_ += static_cast<char>(vaInt8);
    out_ += static_cast<char>(static_cast<std::int8_t>(v));
  } else if (v >= -32768 && v <= 32767) {
    out_ += static_cast<char>(vaInt16);
    out_ += static_cast<char>(v & 0xFF);
    out_ += static_cast<char>((v >> 8) & 0xFF);
  } else if (v >= INT32_MIN && v <= INT32_MAX) {
    out_ += static_cast<char>(vaInt32);
    U32(static_cast<std::uint32_t>(v));
  } else {
    out_ += static_cast<char>(vaInt64);
    U64(static_cast<std::uint64_t>(v));
  }
}

void ObjectStreamWriter::Real(long double v, char suffix) {
  if (suffix == 's') {
    float f = static_cast<float>(v);
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    out_ += static_cast<char>(vaSingle);
    U32(bits);
  } else if (suffix == 'd') {
    double d = static_cast<double>(v);
    std::uint64_t bits;
    std::memcpy(&bits, &d, 8);
    out_ += static_cast<char>(vaDate);
    U64(bits);
  } else {
    unsigned char bytes[10];
    EncodeExtended(v, bytes);
    out_ += static_cast<char>(vaExtended);
    out_.append(reinterpret_cast<const char*>(bytes), 10);
  }
}

void ObjectStreamWriter::Currency(std::int64_t scaled) {
  out_ += static_cast<char>(vaCurrency);
  U64(static_cast<std::uint64_t>(scaled));
}

void ObjectStreamWriter::String(const std::u16string& units, bool wide) {
  bool narrow = !wide;
  for (char16_t u : units) narrow = narrow && u <= 0xFF;
  if (narrow) {
    if (units.size() <= 255) {
      out_ += static_cast<char>(vaString);
      out_ += static_cast<char>(units.size());
    } else {
      out_ += static_cast<char>(vaLString);
      U32(static_cast<std::uint32_t>(units.size()));
    }
    for (char16_t u : units) out_ += static_cast<char>(u);
    return;
  }
  out_ += static_cast<char>(vaWString);
  U32(static_cast<std::uint32_t>(units.size()));
  for (char16_t u : units) {
    out_ += static_cast<char>(u & 0xFF);
    out_ += static_cast<char>(u >> 8);
  }
}

void ObjectStreamWriter::Binary(std::string_view data) {
  out_ += static_cast<char>(vaBinary);
  U32(static_cast<std::uint32_t>(data.size()));
  out_ += data;
}

}  // namespace tolvern
