#include "data/paradox_header.h"

#include "data/byte_reading.h"

namespace tolvern::data {
namespace {

// Where the parts of the header lie.
constexpr size_t kRecordSize = 0x00, kHeaderSize = 0x02, kFileType = 0x04, kMaxTableSize = 0x05,
                 kRecordCount = 0x06, kFileBlocks = 0x0C, kFirstBlock = 0x0E, kFieldCount = 0x21,
                 kKeyFields = 0x23, kEncryption1 = 0x25, kVersion = 0x39, kEncryption2 = 0x5C,
                 kCodePage = 0x6A;
// Tables of version 4 and later have the longer header.
constexpr size_t kShortHeader = 0x58, kLongHeader = 0x78;

bool Fail(std::string* error, const std::string& what) {
  *error = "not a Paradox table: " + what;
  return false;
}

// For a file that starts as a Paradox table does.
bool Damaged(std::string* error, const std::string& what) {
  *error = "the header is damaged: " + what;
  return false;
}

// Reads the field names that follow the field types; false when they run
// past the header.
bool ReadFieldNames(std::string_view file, size_t at, ParadoxHeader* header) {
  for (ParadoxField& field : header->fields) {
    size_t end = file.find('\0', at);
    if (end == std::string_view::npos || end >= static_cast<size_t>(header->header_size))
      return false;
    field.name = std::string(file.substr(at, end - at));
    at = end + 1;
  }
  header->names_end = at;
  return true;
}

// Data tables are keyed (0) or not (2); secondary index files (.Xnn, .XGn)
// are 3, 5, 6 and 8.
bool IsTableType(int type) { return type == 0 || type == 2; }
bool IsIndexType(int type) { return type == 3 || type == 5 || type == 6 || type == 8; }

bool ReadFields(std::string_view file, ParadoxHeader* header, std::string* error) {
  int count = static_cast<int>(Le16(file, kFieldCount));
  if (count < 1 || count > 255) return Damaged(error, "field count " + std::to_string(count));
  size_t at = header->version >= 5 ? kLongHeader : kShortHeader;
  // Field types and sizes, the table name's pointer and one per field name,
  // the table name, then the names.
  size_t name_length = header->version >= 12 ? 261 : 79;
  size_t names = at + 2 * count + 4 + 4 * count + name_length;
  if (names >= static_cast<size_t>(header->header_size))
    return Damaged(error, "the fields run past the header");
  int sum = 0;
  for (int i = 0; i < count; ++i) {
    ParadoxField field;
    field.type = static_cast<std::uint8_t>(Byte(file, at + 2 * i));
    field.size = static_cast<int>(Byte(file, at + 2 * i + 1));
    if (!*ParadoxTypeName(field.type))
      return Damaged(error, "field " + std::to_string(i + 1) + " has the unknown type " +
                                std::to_string(field.type));
    int fixed = ParadoxFixedSize(field.type);
    if (fixed && field.type != static_cast<std::uint8_t>(ParadoxType::kBcd) && fixed != field.size)
      return Damaged(error, "field " + std::to_string(i + 1) + " has the wrong size");
    if (!fixed && field.size == 0)
      return Damaged(error, "field " + std::to_string(i + 1) + " has no size");
    sum += fixed ? fixed : field.size;
    header->fields.push_back(field);
  }
  if (sum != header->record_size) return Damaged(error, "the fields do not fill the record");
  if (!ReadFieldNames(file, names, header)) return Damaged(error, "the field names are cut short");
  return true;
}

}  // namespace

const char* ParadoxTypeName(std::uint8_t type) {
  switch (static_cast<ParadoxType>(type)) {
    case ParadoxType::kAlpha:
      return "Alpha";
    case ParadoxType::kDate:
      return "Date";
    case ParadoxType::kShort:
      return "Short";
    case ParadoxType::kLong:
      return "Long";
    case ParadoxType::kMoney:
      return "Money";
    case ParadoxType::kNumber:
      return "Number";
    case ParadoxType::kLogical:
      return "Logical";
    case ParadoxType::kMemo:
      return "Memo";
    case ParadoxType::kBlob:
      return "Binary";
    case ParadoxType::kFmtMemo:
      return "FmtMemo";
    case ParadoxType::kOle:
      return "OLE";
    case ParadoxType::kGraphic:
      return "Graphic";
    case ParadoxType::kTime:
      return "Time";
    case ParadoxType::kTimestamp:
      return "Timestamp";
    case ParadoxType::kAutoInc:
      return "AutoInc";
    case ParadoxType::kBcd:
      return "BCD";
    case ParadoxType::kBytes:
      return "Bytes";
  }
  return "";
}

int ParadoxFixedSize(std::uint8_t type) {
  switch (static_cast<ParadoxType>(type)) {
    case ParadoxType::kDate:
    case ParadoxType::kLong:
    case ParadoxType::kTime:
    case ParadoxType::kAutoInc:
      return 4;
    case ParadoxType::kShort:
      return 2;
    case ParadoxType::kMoney:
    case ParadoxType::kNumber:
    case ParadoxType::kTimestamp:
      return 8;
    case ParadoxType::kLogical:
      return 1;
    case ParadoxType::kBcd:
      return 17;
    default:
      return 0;
  }
}

bool ReadParadoxHeader(std::string_view file, ParadoxHeader* header, std::string* error) {
  return ReadParadoxFileHeader(file, false, header, error);
}

bool ReadParadoxFileHeader(std::string_view file, bool index, ParadoxHeader* header,
                           std::string* error) {
  *header = ParadoxHeader{};
  if (file.size() < 6) return Fail(error, "the file is shorter than a header");
  int type = static_cast<int>(Byte(file, kFileType));
  int blocks = static_cast<int>(Byte(file, kMaxTableSize));
  if (!(index ? IsIndexType(type) : IsTableType(type)) || blocks < 1 || blocks > 32)
    return Fail(error, "file type " + std::to_string(type) + ", block size " +
                           std::to_string(blocks) + " KB");
  if (file.size() < kLongHeader)
    return Damaged(error, "the file is cut short at " + std::to_string(file.size()) + " bytes");
  header->record_size = static_cast<int>(Le16(file, kRecordSize));
  header->header_size = static_cast<int>(Le16(file, kHeaderSize));
  header->file_type = static_cast<int>(Byte(file, kFileType));
  header->block_size = static_cast<int>(Byte(file, kMaxTableSize)) * 0x400;
  header->record_count = Le32(file, kRecordCount);
  header->file_blocks = static_cast<int>(Le16(file, kFileBlocks));
  header->first_block = static_cast<int>(Le16(file, kFirstBlock));
  header->version = static_cast<int>(Byte(file, kVersion));
  header->key_fields = static_cast<int>(Le16(file, kKeyFields));
  if (header->version < 3 || header->version > 12)
    return Fail(error, "version " + std::to_string(header->version));
  if (header->block_size < 0x400 || header->block_size > 0x8000)
    return Fail(error, "block size " + std::to_string(header->block_size));
  if (header->header_size < static_cast<int>(kLongHeader) || header->header_size % 0x800 != 0)
    return Damaged(error, "header size " + std::to_string(header->header_size));
  if (header->record_size < 1 || header->record_size > header->block_size - 6)
    return Damaged(error, "record size " + std::to_string(header->record_size));
  if (file.size() < static_cast<size_t>(header->header_size))
    return Damaged(error, "the file is shorter than its header (" +
                              std::to_string(header->header_size) + " bytes)");
  if (header->version >= 5) {
    header->encryption = Le32(file, kEncryption2);
    header->code_page = static_cast<int>(Le16(file, kCodePage));
  } else {
    header->encryption = Le32(file, kEncryption1);
  }
  header->encrypted = header->encryption != 0;
  if (!ReadFields(file, header, error)) return false;
  if (header->key_fields > static_cast<int>(header->fields.size()))
    return Damaged(error, "more key fields than fields");
  return true;
}

}  // namespace tolvern::data
