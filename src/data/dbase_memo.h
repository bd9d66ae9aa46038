// The memo file of a dBASE table: .DBT (dBASE III: 512-byte blocks, text
// ended by 0x1A; dBASE IV and 7: a block size in the header, each value
// behind FF FF 08 00 and its length) or .FPT (FoxPro: a big-endian block
// size in the header, each value behind its type and big-endian length).
// Each value is read from the file when it is asked for.
#pragma once

#include <cstdint>
#include <string>

#include "data/dbase_header.h"
#include "data/file_window.h"

namespace tolvern::data {

class DbaseMemo {
 public:
  DbaseMemo(DbaseFlavor flavor, FileWindow file);
  // The value in block `block`; false with the offset and the problem in
  // *error when it cannot be read.
  bool Read(std::uint64_t block, std::string* value, std::string* error);

 private:
  // The value of `length` bytes at `at` into *value; "" or what is wrong.
  std::string Take(std::uint64_t at, std::uint64_t length, std::string* value);

  DbaseFlavor flavor_;
  FileWindow file_;
  std::uint64_t block_size_ = 512;
};

}  // namespace tolvern::data
