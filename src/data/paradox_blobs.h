// Memos and blobs of Paradox tables. A blob field's last 10 bytes in the
// record point at its value: an offset into the .MB file (its low byte the
// entry in a block of small blobs), the length and a modification number;
// the bytes before them (the leader) hold the value's start, and the whole
// value when it fits there.
#pragma once

#include <string>
#include <string_view>

namespace tolvern::data {

enum class BlobRead { kValue, kBlank, kFailed };

class FileWindow;

// The value of a blob field whose bytes in the record are `field`. `mb` is
// the .MB file, or null when there is none. On kFailed *error says why, with
// the offset in the .MB file.
BlobRead ReadParadoxBlob(std::string_view field, FileWindow* mb, std::string* value,
                         std::string* error);

}  // namespace tolvern::data
