// Paradox and dBASE table files written by the tests, byte by byte as the
// public format descriptions give them, so that each field type, code page,
// memo file and damage can be tried on a table whose every value is known.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "data/field_value.h"

namespace tolvern::data {
// Values as the failures of the tests show them: "text:abc", "null".
void PrintTo(const Value& value, std::ostream* out);
}  // namespace tolvern::data

namespace tolvern::testing {

// ---- Paradox ----

struct PxField {
  std::uint8_t type;
  int size;  // bytes in the record; BCD: digits after the point
  std::string name;
};

struct PxLayout {
  std::vector<PxField> fields;
  int key_fields = 0;
  int code_page = 1252;
  int version = 12;  // the version byte: 12 is Paradox 7, 4 is Paradox 3.5
  int block_kb = 2;
  bool encrypted = false;          // a check number no password gives
  std::string password;            // encrypted with this password (pxlib's cipher)
  int records_per_block = 0;       // 0: as many as fit
  std::int64_t header_count = -1;  // the header's record count; -1: the records'
  bool reverse_blocks = false;     // blocks in the file in the reverse of chain order
  std::vector<std::vector<std::string>> records;  // each field's bytes
  // For secondary index files: the file type (-1: a table's), the numbers
  // after the field names (empty: 1, 2, ...), and the index's name after
  // the sort order's.
  int file_type = -1;
  std::vector<std::uint16_t> field_numbers;
  std::string index_name;
};

// The .DB file.
std::string ParadoxFile(const PxLayout& layout);
// The .Xnn (no name) or .XGn (named) file of a secondary index of the
// table over its fields `fields` (from 0), descending where `descending`
// says; it holds no records.
std::string ParadoxIndexFile(const PxLayout& table, const std::vector<int>& fields,
                             const std::string& name = "",
                             const std::vector<bool>& descending = {});
// Where block n (from 1) of a table written by ParadoxFile begins.
size_t ParadoxBlockOffset(const PxLayout& layout, int n);

// Field bytes.
std::string PxAlpha(const std::string& bytes, int size);
std::string PxShort(int v);
std::string PxLong(std::int64_t v);  // Long, AutoInc
std::string PxDouble(double v);      // Number, Money, Timestamp (milliseconds)
std::string PxDate(int y, int m, int d);
std::string PxTime(std::int64_t ms);
std::string PxLogical(bool v);
std::string PxBcd(const std::string& digits, bool negative,
                  int scale);  // "123450" with scale 2 = 1234.50
std::string PxBlank(int size);
// A blob field of `size` bytes: the leader holds `leader`, then the pointer.
std::string PxBlob(int size, const std::string& leader, std::uint32_t offset, std::uint32_t length);

// A field's validity checks in a .VAL file: values as the field's bytes
// (PxLong(5)), "" for a check that is not set.
struct PxCheck {
  int field;  // from 0
  bool required = false;
  std::string minimum{}, maximum{}, default_value{}, picture{};
};
// The .VAL file of the table's checks.
std::string ParadoxValFile(const PxLayout& table, const std::vector<PxCheck>& checks);

// The .MB file: a header block, then blocks of one blob or of small blobs.
class MbFile {
 public:
  MbFile();
  // A block holding one blob; gives the pointer a record holds.
  std::uint32_t AddSingle(const std::string& data);
  // A block holding up to 64 small blobs; gives their pointers.
  std::vector<std::uint32_t> AddSmall(const std::vector<std::string>& data);
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// The .MB file's bytes encrypted with password.
std::string EncryptedMb(std::string mb, const std::string& password);

// ---- dBASE ----

struct DbfField {
  std::string name;
  char type;
  int length;
  int decimals = 0;
};

struct DbfRecord {
  bool deleted = false;
  std::vector<std::string> fields;  // each field's bytes, padded by DbaseFile
};

struct DbfLayout {
  int version = 0x03;
  int language_driver = 0;
  std::vector<DbfField> fields;
  std::vector<DbfRecord> records;
};

// The .DBF file (dBASE 7 descriptors when the version is 0x04 or 0x8C).
std::string DbaseFile(const DbfLayout& layout);
// Memo files: each value in its own block; block numbers from 1.
std::string Dbt3File(const std::vector<std::string>& values);
std::string Dbt4File(const std::vector<std::string>& values);  // 512-byte blocks
std::string FptFile(const std::vector<std::string>& values);   // 64-byte blocks
// The block number of value i in those files.
std::uint32_t Dbt3Block(const std::vector<std::string>& values, size_t i);
std::uint32_t Dbt4Block(const std::vector<std::string>& values, size_t i);
std::uint32_t FptBlock(const std::vector<std::string>& values, size_t i);

// Index files: the .MDX of the tags (each header on its own 512-byte
// page, as dBASE IV writes them) and an .NDX of one key.
struct MdxTag {
  std::string name;
  std::string expression;
  bool unique = false;
  bool descending = false;
};
std::string MdxFile(const std::vector<MdxTag>& tags);
std::string NdxFile(const std::string& expression, bool unique = false);

std::string Le16Bytes(std::uint32_t v);
std::string Le32Bytes(std::uint32_t v);

}  // namespace tolvern::testing
