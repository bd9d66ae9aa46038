// A table's file read through a window of bytes: the readers view the bytes
// they are at, and only the window (64 KB, or one value larger than that)
// is held, whatever the file's size. Bytes enciphered in pieces of 256 (a
// password-protected table's .MB file) are deciphered as they are read: the
// window always starts at a multiple of 256.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/readable_file.h"

namespace tolvern::data {

class FileWindow {
 public:
  using Decipher = std::function<void(std::string* pieces)>;
  explicit FileWindow(std::unique_ptr<ReadableFile> file, Decipher decipher = {});

  std::uint64_t Size() const { return size_; }
  // Views the bytes from offset on, size of them or fewer where the file
  // ends; the view lasts until the next call. False, with the system's
  // reason in *error, when the file could not be read.
  bool View(std::uint64_t offset, size_t size, std::string_view* bytes, std::string* error);

 private:
  std::unique_ptr<ReadableFile> file_;
  Decipher decipher_;
  std::uint64_t size_;
  std::string window_;
  std::uint64_t start_ = 0;  // where the window lies in the file
};

}  // namespace tolvern::data
