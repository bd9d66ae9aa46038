// The validity checks of a Paradox table, read from the .VAL file beside
// its .DB. Read from the files themselves (no public description covers
// them): a header whose 16-bit number at offset 9 is where the closing
// part lies; from offset 0x35 up to there one record per field with
// checks: the field's number (from 0), the picture's length, a required
// flag, then four pointers (minimum, maximum, default, picture; zero when
// the check is not set) and after them the values that are set, each as
// the field holds it in a record, the picture as text. The closing part
// names the table's fields: their count, their numbers, their types and
// sizes, the table's path and the field names; a .VAL whose fields are not
// the table's is not read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/field_value.h"
#include "data/paradox_header.h"

namespace tolvern {
class Disk;
}

namespace tolvern::data {

struct FieldChecks {
  int field = 0;  // from 0
  bool required = false;
  std::optional<Value> minimum, maximum, default_value;
  std::string picture;  // in the table's code page
  bool other = false;   // bytes set that the reader does not know (a lookup?)
};

// The checks of a .VAL file's bytes for the table; false with the reason.
bool ReadParadoxChecks(std::string_view file, const ParadoxHeader& table, int code_page,
                       std::vector<FieldChecks>* checks, std::string* why);

// Reads the .VAL file at path (if any: "" for none) into the columns:
// required and default; what is not written (minimum, maximum, picture) or
// could not be read is noted, naming the file.
void ApplyParadoxChecks(Disk& disk, const std::string& path, const ParadoxHeader& table,
                        int code_page, std::vector<Column>* columns,
                        std::vector<std::string>* notes);

}  // namespace tolvern::data
