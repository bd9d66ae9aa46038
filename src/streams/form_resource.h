// The 16-bit resource wrapper of binary form files: FF, the type 0A 00, the
// resource name ended by 00, the memory flags 30 10, the size of the object
// stream, then the stream.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/text_edits.h"

namespace tolvern {

// The header of a binary form, carried from reading to writing.
struct TRCData {
  std::string Name;
  std::int32_t Size = 0;  // as read; writing computes its own
};

// Whether file bytes are a binary form (they start with FF 0A 00).
bool IsBinaryForm(std::string_view bytes);

// Splits a binary form file into its header and its object stream. Throws
// EStreamError when the header is cut short.
std::string_view ReadFormResource(std::string_view bytes, TRCData* header);

// A binary form file of a resource name and an object stream.
std::string WriteFormResource(std::string_view name, std::string_view stream);

// One object of a form's stream given new bytes: the stream's bytes
// [begin, end) are replaced.
// The binary form file `file` with edits applied to its object stream (in
// the stream's own offsets). Every other byte, and the resource wrapper but
// for its size field, is copied. Throws EStreamError for an edit that reaches
// past the stream.
std::string SpliceFormResource(std::string_view file, const TextEdits& edits);

// The resource name the IDE gives a form: its root class name in upper case.
std::string ResourceNameOf(std::string_view stream);

}  // namespace tolvern
