#include "data/dbase_values.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "data/byte_reading.h"
#include "platform/code_pages.h"

namespace tolvern::data {
namespace {

std::string_view Trimmed(std::string_view b) {
  while (!b.empty() && (b.front() == ' ' || b.front() == '\0')) b.remove_prefix(1);
  while (!b.empty() && (b.back() == ' ' || b.back() == '\0')) b.remove_suffix(1);
  return b;
}

// A number written out: an optional sign, digits, an optional point and
// digits, an optional exponent.
bool IsNumberText(std::string_view t) {
  size_t i = 0, digits = 0;
  if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) ++digits;
  if (i < t.size() && t[i] == '.')
    for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) ++digits;
  if (digits && i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    size_t start = i;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
    }
    if (i == start) return false;
  }
  return digits > 0 && i == t.size();
}

bool DateValue(std::string_view b, Value* value) {
  std::string_view t = Trimmed(b);
  if (t.empty() || t == "00000000") return true;
  if (t.size() != 8) return false;
  for (char c : t)
    if (c < '0' || c > '9') return false;
  int y = std::stoi(std::string(t.substr(0, 4)));
  int m = std::stoi(std::string(t.substr(4, 2)));
  int d = std::stoi(std::string(t.substr(6, 2)));
  if (m < 1 || m > 12 || d < 1 || d > 31) return false;
  if (y >= kFirstYear)
    *value = Value::Text(std::string(t.substr(0, 4)) + "-" + std::string(t.substr(4, 2)) + "-" +
                         std::string(t.substr(6, 2)));
  return true;
}

// dBASE 7's integers: big-endian with the sign bit turned over; all zero
// is blank.
void FlippedInteger(std::string_view b, Value* value) {
  std::uint32_t raw = Be32(b, 0);
  if (raw) *value = Value::Integer(static_cast<std::int32_t>(raw ^ 0x80000000u));
}

// dBASE 7's doubles, stored as Paradox stores them.
void FlippedDouble(std::string_view b, Value* value) {
  std::uint64_t raw = BigEndian(b, 0, 8);
  if (!raw) return;
  constexpr std::uint64_t kSign = std::uint64_t{1} << 63;
  raw = (raw & kSign) ? raw ^ kSign : ~raw;
  *value = Value::Real(std::bit_cast<double>(raw));
}

bool FixedSize(std::string_view b, size_t n) { return b.size() == n; }

}  // namespace

bool IsDbaseMemo(const DbaseField& field, DbaseFlavor flavor) {
  return field.type == 'M' || field.type == 'G' || field.type == 'P' ||
         (field.type == 'B' && flavor != DbaseFlavor::kFoxPro);
}

bool IsDbaseSystemField(const DbaseField& field) { return field.type == '0'; }

std::uint64_t DbaseMemoBlock(std::string_view bytes, DbaseFlavor flavor) {
  if (flavor == DbaseFlavor::kFoxPro && bytes.size() == 4) return Le32(bytes, 0);
  std::string_view t = Trimmed(bytes);
  std::uint64_t block = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return 0;
    block = block * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return block;
}

bool DbaseValue(const DbaseField& field, DbaseFlavor flavor, std::string_view bytes, int code_page,
                Value* value) {
  *value = Value::Null();
  bool fox = flavor == DbaseFlavor::kFoxPro;
  switch (field.type) {
    case 'C':
    case 'V': {
      std::string_view t = bytes;
      while (!t.empty() && (t.back() == ' ' || t.back() == '\0')) t.remove_suffix(1);
      if (!t.empty()) *value = Value::Text(CodePageToUtf8(code_page, t));
      return true;
    }
    case 'N':
    case 'F': {
      std::string_view t = Trimmed(bytes);
      if (t.empty()) return true;
      if (!IsNumberText(t)) return false;  // overflow stars, letters
      *value = Value::Decimal(std::string(t.front() == '+' ? t.substr(1) : t));
      return true;
    }
    case 'L': {
      char c = bytes.empty() ? ' ' : bytes[0];
      if (c == 'T' || c == 't' || c == 'Y' || c == 'y') *value = Value::Boolean(true);
      if (c == 'F' || c == 'f' || c == 'N' || c == 'n') *value = Value::Boolean(false);
      return true;
    }
    case 'D':
      return DateValue(bytes, value);
    case 'I':
    case '+':
      if (!FixedSize(bytes, 4)) return false;
      if (fox)
        *value = Value::Integer(static_cast<std::int32_t>(Le32(bytes, 0)));
      else
        FlippedInteger(bytes, value);
      return true;
    case 'Y':
      if (!FixedSize(bytes, 8)) return false;
      *value = Value::Decimal(std::to_string(static_cast<std::int64_t>(Le64(bytes, 0))));
      {
        // Four digits after the point, without a float in between.
        std::string& t = value->text;
        bool negative = t[0] == '-';
        std::string digits = negative ? t.substr(1) : t;
        while (digits.size() < 5) digits.insert(0, "0");
        std::string fraction = digits.substr(digits.size() - 4);
        while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
        t = (negative ? "-" : "") + digits.substr(0, digits.size() - 4) +
            (fraction.empty() ? "" : "." + fraction);
      }
      return true;
    case 'B':  // FoxPro's double; the others' binary memo never gets here
    case 'O':
      if (!FixedSize(bytes, 8)) return false;
      if (fox)
        *value = Value::Real(std::bit_cast<double>(Le64(bytes, 0)));
      else
        FlippedDouble(bytes, value);
      return true;
    case 'T':
      if (!FixedSize(bytes, 8)) return false;
      if (Le32(bytes, 0) != 0) {
        std::int64_t day = DayNumberFromJulianDay(Le32(bytes, 0));
        std::string text = TimestampFromMilliseconds(day * 86'400'000 + Le32(bytes, 4));
        if (!text.empty()) *value = Value::Text(text);
      }
      return true;
    case '@': {
      if (!FixedSize(bytes, 8)) return false;
      double ms = std::bit_cast<double>(BigEndian(bytes, 0, 8));
      if (ms > 0 && ms < 1e15) {
        std::string text = TimestampFromMilliseconds(std::llround(ms));
        if (!text.empty()) *value = Value::Text(text);
      }
      return true;
    }
    default:
      return true;
  }
}

Column DbaseColumn(const DbaseField& field, DbaseFlavor flavor, int code_page) {
  Column c;
  c.name = CodePageToUtf8(code_page, field.name);
  c.source_type = std::string(1, field.type);
  switch (field.type) {
    case 'C':
    case 'V':
      c.type = SqlType::kVarchar;
      c.length = field.length;
      break;
    case 'N':
      c.type = SqlType::kDecimal;
      c.length = field.length;
      c.scale = field.decimals;
      break;
    case 'F':
    case 'O':
      c.type = SqlType::kDouble;
      break;
    case 'L':
      c.type = SqlType::kBoolean;
      break;
    case 'D':
      c.type = SqlType::kDate;
      break;
    case 'M':
      c.type = SqlType::kClob;
      break;
    case 'I':
      c.type = SqlType::kInteger;
      break;
    case '+':
      c.type = SqlType::kInteger;
      c.not_null = true;
      break;
    case 'Y':
      c.type = SqlType::kDecimal;
      c.length = 19;
      c.scale = 4;
      break;
    case 'T':
    case '@':
      c.type = SqlType::kTimestamp;
      break;
    case 'B':
      c.type = flavor == DbaseFlavor::kFoxPro ? SqlType::kDouble : SqlType::kBlob;
      break;
    default:
      c.type = SqlType::kBlob;
      break;
  }
  return c;
}

}  // namespace tolvern::data
