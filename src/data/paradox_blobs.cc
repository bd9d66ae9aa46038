#include "data/paradox_blobs.h"

#include <cstdint>

#include "data/byte_reading.h"
#include "data/file_window.h"

namespace tolvern::data {
namespace {

// Block types of the .MB file.
constexpr std::uint32_t kSingleBlob = 2, kSmallBlobs = 3;
// A block of one blob: type, chunk count, length, modification number, data.
constexpr size_t kSingleData = 9;
// A block of small blobs: 12 bytes, then 64 entries of 5 bytes (data offset
// in 16-byte units, length in 16-byte units, modification number, length
// modulo 16).
constexpr size_t kSmallTable = 12, kSmallEntry = 5;

BlobRead Failed(std::string* error, size_t offset, const std::string& what) {
  *error = "MB offset " + std::to_string(offset) + ": " + what;
  return BlobRead::kFailed;
}

BlobRead FromMb(FileWindow& mb, std::uint32_t pointer, std::uint32_t length, std::string* value,
                std::string* error) {
  size_t block = pointer & 0xFFFFFF00u;
  size_t index = pointer & 0xFF;
  std::string_view head;
  std::string why;
  // The block's type and, in a block of small blobs, the entries.
  if (!mb.View(block, kSmallTable + 64 * kSmallEntry, &head, &why))
    return Failed(error, block, "cannot be read: " + why);
  if (head.size() < kSmallTable + 64 * kSmallEntry && head.size() < kSingleData)
    return Failed(error, block, "the blob lies past the end of the file");
  std::uint32_t type = Byte(head, 0);
  size_t data = 0;
  if (type == kSingleBlob) {
    data = block + kSingleData;
  } else if (type == kSmallBlobs && index < 64) {
    size_t entry = kSmallTable + index * kSmallEntry;
    if (entry + kSmallEntry > head.size())
      return Failed(error, block + entry, "the blob's entry lies past the end of the file");
    data = block + 16 * static_cast<size_t>(Byte(head, entry));
    if (Byte(head, entry) == 0) return Failed(error, block + entry, "the blob's entry is empty");
  } else {
    return Failed(error, block, "no blob here (block type " + std::to_string(type) + ")");
  }
  // A damaged length is caught before anything is read, however large it is.
  std::string_view bytes;
  if (data + length <= mb.Size() && !mb.View(data, length, &bytes, &why))
    return Failed(error, data, "cannot be read: " + why);
  if (bytes.size() < length)
    return Failed(error, data,
                  "the blob of " + std::to_string(length) + " bytes runs past the end of the file");
  value->assign(bytes);
  return BlobRead::kValue;
}

}  // namespace

BlobRead ReadParadoxBlob(std::string_view field, FileWindow* mb, std::string* value,
                         std::string* error) {
  value->clear();
  if (field.size() < 10) return BlobRead::kBlank;
  size_t leader = field.size() - 10;
  std::uint32_t pointer = Le32(field, leader);
  std::uint32_t length = Le32(field, leader + 4);
  if (length == 0) return BlobRead::kBlank;
  // A value that fits in the leader is there, and only there.
  if (length <= leader && (pointer == 0 || !mb)) {
    value->assign(field.substr(0, length));
    return BlobRead::kValue;
  }
  if (!mb) {
    *error =
        "the blob of " + std::to_string(length) + " bytes is in the .MB file, which is missing";
    return BlobRead::kFailed;
  }
  return FromMb(*mb, pointer, length, value, error);
}

}  // namespace tolvern::data
