#include "data/paradox_values.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "data/byte_reading.h"
#include "platform/code_pages.h"

namespace tolvern::data {
namespace {

// A number of n bytes with its sign bit turned back; false when blank.
bool SignedNumber(std::string_view bytes, int n, std::int64_t* value) {
  std::uint64_t raw = BigEndian(bytes, 0, n);
  if (raw == 0) return false;
  std::uint64_t sign = std::uint64_t{1} << (8 * n - 1);
  raw ^= sign;
  // Sign-extend from n bytes.
  *value = (raw & sign) ? static_cast<std::int64_t>(raw | ~(sign * 2 - 1))
                        : static_cast<std::int64_t>(raw);
  return true;
}

// An 8-byte double: positive numbers have the sign bit set, negative ones
// all their bits turned over. False when blank.
bool Double(std::string_view bytes, double* value) {
  std::uint64_t raw = BigEndian(bytes, 0, 8);
  if (raw == 0) return false;
  constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
  raw = (raw & kSign) ? raw ^ kSign : ~raw;
  *value = std::bit_cast<double>(raw);
  return true;
}

Value TextValue(std::string_view bytes, int code_page) {
  size_t end = bytes.find('\0');
  if (end != std::string_view::npos) bytes = bytes.substr(0, end);
  if (bytes.empty()) return Value::Null();
  return Value::Text(CodePageToUtf8(code_page, bytes));
}

Value TextOrNull(std::string text) {
  return text.empty() ? Value::Null() : Value::Text(std::move(text));
}

}  // namespace

std::string ParadoxBcdText(std::string_view bytes, int scale) {
  if (bytes.size() < 17 || AllZero(bytes) || scale < 0 || scale > 32) return "";
  bool negative = !(Byte(bytes, 0) & 0x80);
  unsigned flip = negative ? 0x0F : 0;
  std::string whole, fraction;
  // 32 digits after the first byte; the last `scale` are the fraction.
  for (int i = 2; i < 34; ++i) {
    unsigned b = Byte(bytes, i / 2);
    unsigned digit = ((i % 2) ? (b & 0x0F) : (b >> 4)) ^ flip;
    if (digit > 9) return "";
    char c = static_cast<char>('0' + digit);
    if (i < 34 - scale) {
      if (!whole.empty() || c != '0') whole.push_back(c);
    } else {
      fraction.push_back(c);
    }
  }
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  if (whole.empty()) whole = "0";
  std::string text = negative && (whole != "0" || !fraction.empty()) ? "-" : "";
  text += whole;
  if (!fraction.empty()) text += "." + fraction;
  return text;
}

Value ParadoxValue(const ParadoxField& field, std::string_view bytes, int code_page) {
  std::int64_t n = 0;
  double d = 0;
  switch (static_cast<ParadoxType>(field.type)) {
    case ParadoxType::kAlpha:
      return TextValue(bytes, code_page);
    case ParadoxType::kShort:
      return SignedNumber(bytes, 2, &n) ? Value::Integer(n) : Value::Null();
    case ParadoxType::kLong:
    case ParadoxType::kAutoInc:
      return SignedNumber(bytes, 4, &n) ? Value::Integer(n) : Value::Null();
    case ParadoxType::kDate:
      return SignedNumber(bytes, 4, &n) ? TextOrNull(DateFromDayNumber(n)) : Value::Null();
    case ParadoxType::kTime:
      return SignedNumber(bytes, 4, &n) ? TextOrNull(TimeFromMilliseconds(n)) : Value::Null();
    case ParadoxType::kNumber:
      return Double(bytes, &d) ? Value::Real(d) : Value::Null();
    case ParadoxType::kMoney:
      return Double(bytes, &d) && std::isfinite(d) ? Value::Decimal(ShortestDecimal(d))
                                                   : Value::Null();
    case ParadoxType::kTimestamp:
      if (!Double(bytes, &d) || !std::isfinite(d) || d < 0 || d > 1e15) return Value::Null();
      return TextOrNull(TimestampFromMilliseconds(std::llround(d)));
    case ParadoxType::kLogical:
      return Byte(bytes, 0) == 0 ? Value::Null() : Value::Boolean(Byte(bytes, 0) != 0x80);
    case ParadoxType::kBcd: {
      std::string text = ParadoxBcdText(bytes, field.size);
      return text.empty() ? Value::Null() : Value::Decimal(text);
    }
    case ParadoxType::kBytes:
      // Blank only when every byte is zero: a first byte of zero is data.
      return AllZero(bytes) ? Value::Null() : Value::Blob(std::string(bytes));
    default:
      return Value::Null();
  }
}

Column ParadoxColumn(const ParadoxField& field, int code_page) {
  Column c;
  c.name = CodePageToUtf8(code_page, field.name);
  c.source_type = ParadoxTypeName(field.type);
  switch (static_cast<ParadoxType>(field.type)) {
    case ParadoxType::kAlpha:
      c.type = SqlType::kVarchar;
      c.length = field.size;
      break;
    case ParadoxType::kShort:
      c.type = SqlType::kSmallint;
      break;
    case ParadoxType::kLong:
      c.type = SqlType::kInteger;
      break;
    case ParadoxType::kAutoInc:
      c.type = SqlType::kInteger;
      c.not_null = true;
      break;
    case ParadoxType::kNumber:
      c.type = SqlType::kDouble;
      break;
    case ParadoxType::kMoney:
      c.type = SqlType::kDecimal;
      c.length = 19;
      c.scale = 4;
      break;
    case ParadoxType::kBcd:
      c.type = SqlType::kDecimal;
      c.length = 32;
      c.scale = field.size;
      break;
    case ParadoxType::kDate:
      c.type = SqlType::kDate;
      break;
    case ParadoxType::kTime:
      c.type = SqlType::kTime;
      break;
    case ParadoxType::kTimestamp:
      c.type = SqlType::kTimestamp;
      break;
    case ParadoxType::kLogical:
      c.type = SqlType::kBoolean;
      break;
    case ParadoxType::kMemo:
      c.type = SqlType::kClob;
      break;
    case ParadoxType::kBytes:
      c.type = SqlType::kBinary;
      c.length = field.size;
      break;
    default:
      c.type = SqlType::kBlob;
      break;
  }
  return c;
}

}  // namespace tolvern::data
