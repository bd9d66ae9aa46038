#include "data/field_value.h"

#include <charconv>
#include <cstdio>

namespace tolvern::data {
namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;

// The Gregorian date of days since 1970-01-01 (H. Hinnant's civil_from_days).
void CivilFromDays(std::int64_t z, std::int64_t* y, int* m, int* d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = yoe + era * 400 + (*m <= 2 ? 1 : 0);
}

// 0001-01-01 counted from 1970-01-01.
constexpr std::int64_t kDayOneFrom1970 = -719162;

}  // namespace

std::string SqlTypeText(const Column& column) {
  switch (column.type) {
    case SqlType::kVarchar:
      return "VARCHAR(" + std::to_string(column.length) + ")";
    case SqlType::kSmallint:
      return "SMALLINT";
    case SqlType::kInteger:
      return "INTEGER";
    case SqlType::kDouble:
      return "DOUBLE PRECISION";
    case SqlType::kDecimal:
      return "DECIMAL(" + std::to_string(column.length) + "," + std::to_string(column.scale) + ")";
    case SqlType::kDate:
      return "DATE";
    case SqlType::kTime:
      return "TIME";
    case SqlType::kTimestamp:
      return "TIMESTAMP";
    case SqlType::kBoolean:
      return "BOOLEAN";
    case SqlType::kClob:
      return "CLOB";
    case SqlType::kBlob:
      return "BLOB";
    case SqlType::kBinary:
      return "BINARY(" + std::to_string(column.length) + ")";
  }
  return "BLOB";
}

std::string DateFromDayNumber(std::int64_t day) {
  if (day < 1 || day > 3'652'059) return "";  // 9999-12-31
  std::int64_t y = 0;
  int m = 0, d = 0;
  CivilFromDays(day - 1 + kDayOneFrom1970, &y, &m, &d);
  if (y < kFirstYear) return "";
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(y), m, d);
  return text;
}

std::string TimeFromMilliseconds(std::int64_t ms) {
  if (ms < 0 || ms >= kMsPerDay) return "";
  char text[48];
  int seconds = static_cast<int>(ms / 1000);
  int h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  int rest = static_cast<int>(ms % 1000);
  if (rest)
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", h, m, s, rest);
  else
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", h, m, s);
  return text;
}

std::string TimestampFromMilliseconds(std::int64_t ms) {
  if (ms < 0) return "";
  std::string date = DateFromDayNumber(ms / kMsPerDay);
  if (date.empty()) return "";
  return date + " " + TimeFromMilliseconds(ms % kMsPerDay);
}

std::string ShortestDecimal(double value) {
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

}  // namespace tolvern::data
