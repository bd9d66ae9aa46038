// The values of a dBASE record's fields other than memos: text padded with
// blanks, numbers and dates written out as digits, and the binary integers,
// doubles and date-times of FoxPro and dBASE 7. A field of blanks is NULL.
#pragma once

#include <string_view>

#include "data/dbase_header.h"
#include "data/field_value.h"

namespace tolvern::data {

// The value of a field's bytes; false when the bytes are not what the type
// allows (*value is then NULL).
bool DbaseValue(const DbaseField& field, DbaseFlavor flavor, std::string_view bytes, int code_page,
                Value* value);

// Whether the field holds a memo pointer (M, G, and B outside FoxPro).
bool IsDbaseMemo(const DbaseField& field, DbaseFlavor flavor);

// The memo block a memo field's bytes point at; 0 when blank.
std::uint64_t DbaseMemoBlock(std::string_view bytes, DbaseFlavor flavor);

// Whether the field is one of FoxPro's hidden system fields (_NullFlags).
bool IsDbaseSystemField(const DbaseField& field);

// The column a field becomes.
Column DbaseColumn(const DbaseField& field, DbaseFlavor flavor, int code_page);

}  // namespace tolvern::data
