#include "data/paradox_checks.h"

#include "base/paths.h"
#include "data/byte_reading.h"
#include "data/paradox_values.h"
#include "platform/code_pages.h"
#include "platform/disk.h"

namespace tolvern::data {
namespace {

constexpr size_t kClosingAt = 0x09, kFirstCheck = 0x35;
// A check record: the field, the picture's length, required, then unknown
// bytes, then the four pointers; its values follow it.
constexpr size_t kField = 0, kPictureLength = 1, kRequired = 2, kUnknown = 3, kPointers = 0x0C,
                 kCheckSize = 0x1C;

int FieldBytes(const ParadoxField& field) {
  return field.type == static_cast<std::uint8_t>(ParadoxType::kBcd) ? 17 : field.size;
}

// Whether the closing part names the table's fields, types and sizes.
bool ClosingMatches(std::string_view file, size_t at, const ParadoxHeader& table,
                    std::string* why) {
  const size_t count = table.fields.size();
  if (at + 6 + 4 * count > file.size()) {
    *why = "offset " + std::to_string(at) + ": the file is cut short";
    return false;
  }
  if (Le16(file, at) != count) {
    *why = "it describes " + std::to_string(Le16(file, at)) + " fields, the table has " +
           std::to_string(count);
    return false;
  }
  size_t types = at + 6 + 2 * count;
  for (size_t i = 0; i < count; ++i) {
    const ParadoxField& f = table.fields[i];
    if (Byte(file, types + 2 * i) != f.type ||
        static_cast<int>(Byte(file, types + 2 * i + 1)) != f.size) {
      *why = "its field " + std::to_string(i + 1) + " is not the table's";
      return false;
    }
  }
  return true;
}

// Reads one check record at *at; false when it runs past `end` or names no
// field of the table.
bool ReadCheck(std::string_view file, size_t end, const ParadoxHeader& table, int code_page,
               size_t* at, FieldChecks* check, std::string* why) {
  const size_t start = *at;
  if (start + kCheckSize > end) {
    *why = "offset " + std::to_string(start) + ": a check runs past the checks' end";
    return false;
  }
  check->field = static_cast<int>(Byte(file, start + kField));
  if (check->field >= static_cast<int>(table.fields.size())) {
    *why = "offset " + std::to_string(start) + ": a check names field number " +
           std::to_string(check->field + 1) + ", which the table does not have";
    return false;
  }
  const ParadoxField& field = table.fields[check->field];
  check->required = Byte(file, start + kRequired) != 0;
  check->other = !AllZero(file.substr(start + kUnknown, kPointers - kUnknown));
  size_t value = start + kCheckSize;
  std::optional<Value>* values[] = {&check->minimum, &check->maximum, &check->default_value};
  for (int i = 0; i < 3; ++i) {
    if (Le32(file, start + kPointers + 4 * i) == 0) continue;
    size_t size = static_cast<size_t>(FieldBytes(field));
    if (value + size > end) {
      *why = "offset " + std::to_string(value) + ": a check's value runs past the checks' end";
      return false;
    }
    *values[i] = ParadoxValue(field, file.substr(value, size), code_page);
    value += size;
  }
  if (Le32(file, start + kPointers + 12) != 0) {
    size_t length = Byte(file, start + kPictureLength);
    if (length == 0 || value + length > end) {
      *why = "offset " + std::to_string(value) + ": a picture runs past the checks' end";
      return false;
    }
    check->picture = std::string(file.substr(value, length - 1));
    value += length;
  }
  *at = value;
  return true;
}

std::string NotWritten(const FieldChecks& c) {
  std::vector<std::string> parts;
  if (c.minimum) parts.push_back("minimum");
  if (c.maximum) parts.push_back("maximum");
  if (!c.picture.empty()) parts.push_back("picture");
  if (c.other) parts.push_back("checks tolvern cannot read (a lookup table?)");
  std::string text;
  for (size_t i = 0; i < parts.size(); ++i)
    text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
  return text;
}

}  // namespace

bool ReadParadoxChecks(std::string_view file, const ParadoxHeader& table, int code_page,
                       std::vector<FieldChecks>* checks, std::string* why) {
  checks->clear();
  if (file.size() < kFirstCheck) {
    *why = "the file is cut short at " + std::to_string(file.size()) + " bytes";
    return false;
  }
  size_t end = Le16(file, kClosingAt);
  if (end < kFirstCheck || !ClosingMatches(file, end, table, why)) {
    if (end < kFirstCheck)
      *why = "offset 9: the checks' end " + std::to_string(end) + " is no place";
    return false;
  }
  for (size_t at = kFirstCheck; at < end;) {
    FieldChecks check;
    if (!ReadCheck(file, end, table, code_page, &at, &check, why)) return false;
    checks->push_back(std::move(check));
  }
  return true;
}

void ApplyParadoxChecks(Disk& disk, const std::string& path, const ParadoxHeader& table,
                        int code_page, std::vector<Column>* columns,
                        std::vector<std::string>* notes) {
  if (path.empty()) return;
  const std::string name = ExtractFileName(path);
  std::string bytes, why;
  std::vector<FieldChecks> checks;
  if (!disk.ReadFile(path, &bytes, &why)) {
    notes->push_back(name + ": cannot be read: " + why + "; its checks are not written");
    return;
  }
  if (!ReadParadoxChecks(bytes, table, code_page, &checks, &why)) {
    notes->push_back(name + ": " + why + "; its checks are not written");
    return;
  }
  for (const FieldChecks& check : checks) {
    Column& column = (*columns)[check.field];
    column.required = column.required || check.required;
    if (check.default_value && check.default_value->kind != ValueKind::kNull)
      column.default_value = check.default_value;
    std::string rest = NotWritten(check);
    if (!rest.empty())
      notes->push_back(name + ": field " + column.name + ": not enforced: " + rest);
  }
}

}  // namespace tolvern::data
