#include "data/paradox_blobs.h"

#include <cstdint>

#include "data/byte_reading.h"

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

BlobRead FromMb(const std::string& mb, std::uint32_t pointer, std::uint32_t length,
                std::string* value, std::string* error) {
  size_t block = pointer & 0xFFFFFF00u;
  size_t index = pointer & 0xFF;
  if (block + kSmallTable + 64 * kSmallEntry > mb.size() && block + kSingleData > mb.size())
    return Failed(error, block, "the blob lies past the end of the file");
  std::uint32_t type = Byte(mb, block);
  size_t data = 0;
  if (type == kSingleBlob) {
    data = block + kSingleData;
  } else if (type == kSmallBlobs && index < 64) {
    size_t entry = block + kSmallTable + index * kSmallEntry;
    if (entry + kSmallEntry > mb.size())
      return Failed(error, entry, "the blob's entry lies past the end of the file");
    data = block + 16 * static_cast<size_t>(Byte(mb, entry));
    if (Byte(mb, entry) == 0) return Failed(error, entry, "the blob's entry is empty");
  } else {
    return Failed(error, block, "no blob here (block type " + std::to_string(type) + ")");
  }
  if (data + length > mb.size())
    return Failed(error, data,
                  "the blob of " + std::to_string(length) + " bytes runs past the end of the file");
  value->assign(mb, data, length);
  return BlobRead::kValue;
}

}  // namespace

BlobRead ReadParadoxBlob(std::string_view field, const std::string* mb, std::string* value,
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
