// The values of a Paradox record's fields other than memos and blobs. The
// numbers are stored big-endian with their sign bit turned over, so that
// the bytes sort as the numbers do; a field of zero bytes is blank (NULL).
#pragma once

#include <string_view>

#include "data/field_value.h"
#include "data/paradox_header.h"

namespace tolvern::data {

// The value of a field's bytes (the field's size of them); alpha text is
// decoded from the code page.
Value ParadoxValue(const ParadoxField& field, std::string_view bytes, int code_page);

// The BCD field's 17 bytes as an exact decimal with `scale` digits after the
// point ("-1234.50"); "" when blank.
std::string ParadoxBcdText(std::string_view bytes, int scale);

// The column a field becomes.
Column ParadoxColumn(const ParadoxField& field, int code_page);

}  // namespace tolvern::data
