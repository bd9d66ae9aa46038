// The header of a Paradox table (.DB), as the public notes on the format
// describe it: the record and block sizes, the block chain's ends, the
// record count, the fields (type, size, name), the key fields, the code page
// and whether the table is encrypted.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvern::data {

// The field types of Paradox tables, by their byte in the header.
enum class ParadoxType : std::uint8_t {
  kAlpha = 0x01,
  kDate = 0x02,
  kShort = 0x03,
  kLong = 0x04,
  kMoney = 0x05,
  kNumber = 0x06,
  kLogical = 0x09,
  kMemo = 0x0C,
  kBlob = 0x0D,
  kFmtMemo = 0x0E,
  kOle = 0x0F,
  kGraphic = 0x10,
  kTime = 0x14,
  kTimestamp = 0x15,
  kAutoInc = 0x16,
  kBcd = 0x17,
  kBytes = 0x18,
};

// The type's name as Paradox shows it ("Alpha", "Long"); "" for a byte that
// is no type.
const char* ParadoxTypeName(std::uint8_t type);

struct ParadoxField {
  std::uint8_t type = 0;
  int size = 0;      // bytes in the record (BCD: the digits after the point)
  std::string name;  // as the file holds it, in the table's code page
};

struct ParadoxHeader {
  int record_size = 0;
  int header_size = 0;
  int file_type = 0;   // 0 keyed table, 2 table without key, 3 to 8 index files
  int block_size = 0;  // bytes
  std::uint32_t record_count = 0;
  int file_blocks = 0;
  int first_block = 0;
  int version = 0;  // the file's version byte (3 to 12)
  int key_fields = 0;
  int code_page = 0;  // 0 when the header names none
  bool encrypted = false;
  std::uint32_t encryption = 0;  // the password's check number, 0 when none
  std::vector<ParadoxField> fields;
  size_t names_end = 0;  // the offset just past the field names
};

// Reads the header of a .DB file's bytes. False, with what is wrong in
// *error ("not a Paradox table: ..."), when the bytes are no Paradox table.
bool ReadParadoxHeader(std::string_view file, ParadoxHeader* header, std::string* error);
// The same for a table (index false) or a secondary index file (.Xnn,
// .XGn: index true), which has a table's header.
bool ReadParadoxFileHeader(std::string_view file, bool index, ParadoxHeader* header,
                           std::string* error);

// The bytes a field of the type takes in a record, or 0 when the type's
// size is the header's to say (alpha, blobs, bytes) or the type is unknown.
int ParadoxFixedSize(std::uint8_t type);

}  // namespace tolvern::data
