// The header of a dBASE table (.DBF) as the public descriptions of dBASE
// III, IV and 7 and of FoxPro give it: the version byte, the record count,
// the header and record sizes, the language driver byte and the field
// descriptors (32 bytes each; 48 in dBASE 7).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolvern::data {

// Which family wrote the table: it decides how memo pointers and some
// binary fields are stored.
enum class DbaseFlavor {
  kDbase3,  // memo pointers as 10 digits, .DBT of 512-byte blocks
  kDbase4,  // memo pointers as 10 digits, .DBT with a block size in its header
  kDbase7,  // as dBASE IV, 48-byte field descriptors, big-endian I, +, O, @
  kFoxPro,  // memo pointers as 4-byte integers, .FPT
};

struct DbaseField {
  std::string name;  // as the file holds it
  char type = 'C';
  int length = 0;
  int decimals = 0;
  int offset = 0;  // in the record, after the deletion flag
};

struct DbaseHeader {
  int version = 0;
  DbaseFlavor flavor = DbaseFlavor::kDbase3;
  std::uint32_t record_count = 0;
  int header_size = 0;
  int record_size = 0;
  int language_driver = 0;
  bool has_memo_file = false;
  std::vector<DbaseField> fields;
};

// Reads the header of a .DBF file's bytes; false with the problem in *error
// ("not a dBASE table: ...").
bool ReadDbaseHeader(std::string_view file, DbaseHeader* header, std::string* error);

// The code page a language driver byte names; 0 when it names none.
int CodePageOfLanguageDriver(int driver);

}  // namespace tolvern::data
