// A file opened for reading at offsets, piece by piece, so that a reader of
// a large file (a table of gigabytes) holds only the piece it is at.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tolvern {

class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // The file's size when it was opened.
  virtual std::uint64_t Size() const = 0;
  // Reads up to size bytes from offset into *data: fewer where the file
  // ends, none from its end on. False, with the system's reason in *error,
  // when the read failed.
  virtual bool ReadAt(std::uint64_t offset, size_t size, std::string* data, std::string* error) = 0;
};

// Bytes held in memory, read as a file is (for the disks that hold their
// files in memory).
std::unique_ptr<ReadableFile> ReadableBytes(std::string bytes);

}  // namespace tolvern
