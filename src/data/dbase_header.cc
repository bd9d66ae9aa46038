#include "data/dbase_header.h"

#include <cstring>

#include "data/byte_reading.h"

namespace tolvern::data {
namespace {

constexpr size_t kPrefix = 32;   // the fixed part of the header
constexpr size_t kPrefix7 = 68;  // dBASE 7: with the language driver's name
constexpr char kFieldsEnd = 0x0D;
// The field types this reader knows.
constexpr const char* kTypes = "CNFLDMBGIYT@+O0VWPQ";

bool Fail(std::string* error, const std::string& what) {
  *error = "not a dBASE table: " + what;
  return false;
}

bool Flavor(int version, DbaseHeader* header) {
  switch (version) {
    case 0x03:
      header->flavor = DbaseFlavor::kDbase3;
      return true;
    case 0x83:
      header->flavor = DbaseFlavor::kDbase3;
      header->has_memo_file = true;
      return true;
    case 0x8B:
    case 0xCB:
      header->flavor = DbaseFlavor::kDbase4;
      header->has_memo_file = true;
      return true;
    case 0x43:
    case 0x63:
      header->flavor = DbaseFlavor::kDbase4;
      return true;
    case 0x04:
      header->flavor = DbaseFlavor::kDbase7;
      return true;
    case 0x8C:
      header->flavor = DbaseFlavor::kDbase7;
      header->has_memo_file = true;
      return true;
    case 0x30:
    case 0x31:
    case 0x32:
    case 0xF5:
    case 0xFB:
      header->flavor = DbaseFlavor::kFoxPro;
      header->has_memo_file = true;
      return true;
    default:
      return false;
  }
}

}  // namespace

int CodePageOfLanguageDriver(int driver) {
  switch (driver) {
    case 0x01:
      return 437;
    case 0x02:
      return 850;
    case 0x03:
      return 1252;
    case 0x57:
    case 0x58:
    case 0x59:
      return 1252;
    case 0x64:
      return 852;
    case 0x26:
    case 0x65:
      return 866;
    case 0x6A:
      return 737;
    case 0x6B:
      return 857;
    case 0x7D:
      return 1255;
    case 0x7E:
      return 1256;
    case 0x7A:
      return 936;
    case 0x4D:
      return 936;
    case 0xC8:
      return 1250;
    case 0xC9:
      return 1251;
    case 0xCA:
      return 1254;
    case 0xCB:
      return 1253;
    case 0xCC:
      return 1257;
    default:
      return 0;
  }
}

bool ReadDbaseHeader(std::string_view file, DbaseHeader* header, std::string* error) {
  *header = DbaseHeader{};
  if (file.size() < kPrefix + 1) return Fail(error, "the file is shorter than a header");
  header->version = static_cast<int>(Byte(file, 0));
  if (!Flavor(header->version, header))
    return Fail(error, "version byte " + std::to_string(header->version));
  header->record_count = Le32(file, 4);
  header->header_size = static_cast<int>(Le16(file, 8));
  header->record_size = static_cast<int>(Le16(file, 10));
  header->language_driver = static_cast<int>(Byte(file, 29));
  if (header->header_size > static_cast<int>(file.size()))
    return Fail(error, "the file is shorter than its header (" +
                           std::to_string(header->header_size) + " bytes)");
  bool seven = header->flavor == DbaseFlavor::kDbase7;
  size_t descriptor = seven ? 48 : 32;
  size_t at = seven ? kPrefix7 : kPrefix;
  int offset = 0;
  while (at < static_cast<size_t>(header->header_size) && file[at] != kFieldsEnd) {
    if (at + descriptor > static_cast<size_t>(header->header_size))
      return Fail(error, "field descriptor at offset " + std::to_string(at) + " is cut short");
    DbaseField field;
    size_t name_length = seven ? 32 : 11;
    std::string_view name = file.substr(at, name_length);
    field.name = std::string(name.substr(0, std::min(name.find('\0'), name.size())));
    field.type = file[at + (seven ? 32 : 11)];
    field.length = static_cast<int>(Byte(file, at + (seven ? 33 : 16)));
    field.decimals = static_cast<int>(Byte(file, at + (seven ? 34 : 17)));
    // Character fields longer than 255 keep the high byte in the decimals.
    if (field.type == 'C' && header->flavor == DbaseFlavor::kFoxPro)
      field.length += 256 * field.decimals, field.decimals = 0;
    if (!std::strchr(kTypes, field.type) || field.type == '\0')
      return Fail(error, "field " + field.name + " has the unknown type '" +
                             std::string(1, field.type) + "'");
    field.offset = offset;
    offset += field.length;
    header->fields.push_back(field);
    at += descriptor;
  }
  if (header->fields.empty()) return Fail(error, "no fields");
  if (offset + 1 != header->record_size)
    return Fail(error, "the fields (" + std::to_string(offset + 1) +
                           " bytes with the deletion flag) do not fill the record of " +
                           std::to_string(header->record_size));
  return true;
}

}  // namespace tolvern::data
