// What a table is made of once it is read, whatever its file format: the
// columns with their SQL types and the values of a row. Both table readers
// give these and both writers take them, so the formats never meet the
// databases.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolvern::data {

// The SQL types the tables' fields map to (docs/data.md has the table).
enum class SqlType {
  kVarchar,    // text of at most `length` characters
  kSmallint,   // 16-bit integer
  kInteger,    // 32-bit integer
  kDouble,     // binary floating point
  kDecimal,    // exact decimal of `length` digits, `scale` of them after the point
  kDate,       // 'YYYY-MM-DD'
  kTime,       // 'HH:MM:SS' or 'HH:MM:SS.mmm'
  kTimestamp,  // 'YYYY-MM-DD HH:MM:SS' or with '.mmm'
  kBoolean,    // TRUE or FALSE
  kClob,       // text of any length (memos)
  kBlob,       // bytes of any length
  kBinary,     // exactly `length` bytes
};

enum class ValueKind {
  kNull,
  kInteger,  // `integer`
  kReal,     // `real`
  kDecimal,  // `text`: an exact decimal number ("-12.50")
  kText,     // `text`: UTF-8 (dates and times too, as SqlType says)
  kBlob,     // `text`: the bytes
  kBoolean,  // `integer`: 1 or 0
};

struct Value {
  ValueKind kind = ValueKind::kNull;
  std::int64_t integer = 0;
  double real = 0;
  std::string text;

  static Value Null() { return {}; }
  static Value Integer(std::int64_t v) { return {ValueKind::kInteger, v, 0, {}}; }
  static Value Real(double v) { return {ValueKind::kReal, 0, v, {}}; }
  static Value Decimal(std::string v) { return {ValueKind::kDecimal, 0, 0, std::move(v)}; }
  static Value Text(std::string v) { return {ValueKind::kText, 0, 0, std::move(v)}; }
  static Value Blob(std::string v) { return {ValueKind::kBlob, 0, 0, std::move(v)}; }
  static Value Boolean(bool v) { return {ValueKind::kBoolean, v ? 1 : 0, 0, {}}; }
  bool operator==(const Value&) const = default;
};

using Row = std::vector<Value>;

struct Column {
  std::string name;         // UTF-8
  std::string source_type;  // the field's type as the format names it ("Alpha", "N")
  SqlType type = SqlType::kVarchar;
  int length = 0;
  int scale = 0;
  bool not_null = false;
  // The table says a value is required: NOT NULL, unless rows already hold
  // none (then the mover turns not_null off and notes it).
  bool required = false;
  // The value a new row takes when the insert names none (DEFAULT).
  std::optional<Value> default_value{};
};

// A secondary index: the columns it orders by. Paradox and dBASE indexes
// speed up lookups; dBASE's unique ones are a constraint only where the
// rows satisfy it, which the mover checks.
struct TableIndex {
  std::string name;              // in the file; the mover makes it unique in the database
  std::vector<int> columns;      // indexes into the table's columns, in key order
  std::vector<bool> descending;  // per column
  bool unique = false;
};

struct TableSchema {
  std::string name;  // the table's name in the database
  std::vector<Column> columns;
  std::vector<int> primary_key;  // indexes into columns, in key order
  std::vector<TableIndex> indexes;
};

// The type as the script writes it: "VARCHAR(20)", "DECIMAL(32,2)".
std::string SqlTypeText(const Column& column);

// Dates before this year are taken for blanks (BDE programs wrote the zero
// date of their own era for "no date"): such a date is NULL.
inline constexpr int kFirstYear = 1900;

// The date of a day counted from 0001-01-01 (day 1) in the Gregorian
// calendar, as 'YYYY-MM-DD'; "" for a day before kFirstYear or past 9999.
std::string DateFromDayNumber(std::int64_t day);
// The day number of a Julian Day Number (FoxPro's dates).
inline std::int64_t DayNumberFromJulianDay(std::int64_t jdn) { return jdn - 1721425; }
// 'HH:MM:SS', with '.mmm' when there are milliseconds; "" past a day.
std::string TimeFromMilliseconds(std::int64_t ms);
// A date and time from milliseconds counted as the day numbers are (a day
// number times 86,400,000 is its midnight); "" when the date is not one
// DateFromDayNumber gives.
std::string TimestampFromMilliseconds(std::int64_t ms);

// A double as the shortest decimal that reads back as the same double.
std::string ShortestDecimal(double value);

}  // namespace tolvern::data
