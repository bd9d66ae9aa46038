// Converts form files between their text and binary storage, as the IDE's own
// converter does: a binary form becomes form text, a text form (in any of the
// three encodings) becomes a binary form with the resource wrapper.
#pragma once

#include <string>

#include "platform/disk.h"

namespace tolvern {

enum class FormStorage { kText, kBinary };

// Converts the form file `in` to the storage asked for and writes it to `out`
// (which may be `in`: the file is replaced atomically). Returns false, with
// nothing written, when the file already has that storage. Throws, naming the
// file, when it cannot be read, converted or written.
bool ConvertFormFile(Disk& disk, const std::string& in, const std::string& out, FormStorage to);

}  // namespace tolvern
