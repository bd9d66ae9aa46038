// Paradox tables written by pxlib's own writer, an encoder independent of
// the tests' byte-by-byte one (tests/table_files.h): its header, its block
// layout and its encryption, for tables whose records the tests give.
#pragma once

#include <string>
#include <vector>

#include "table_files.h"

namespace tolvern::testing {

// Whether the build has pxlib to write with.
bool PxlibAvailable();

// Writes the table at path (a real file) with the fields and records (each
// field's bytes, as the Px* helpers give them), encrypted with password when
// it is not empty. False, with pxlib's complaint in *error, when it failed.
bool PxlibWriteTable(const std::string& path, const std::vector<PxField>& fields,
                     const std::vector<std::vector<std::string>>& records,
                     const std::string& password, std::string* error);

}  // namespace tolvern::testing
