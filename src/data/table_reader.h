// A table being read, row by row, whatever its format: its columns, its live
// records one at a time, and an account of what was left out and why. Only
// the current row is held, and of the table's files a window of bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/field_value.h"

namespace tolvern::data {

// What reading a table left out or found wrong. Each problem names the file
// and, where there is one, the offset: "Kart.db: offset 6144: ...".
struct TableAccount {
  std::uint64_t rows_read = 0;     // live records given by Next
  std::uint64_t rows_deleted = 0;  // records marked deleted, left out
  std::uint64_t rows_damaged = 0;  // records that could not be read, left out
  // What was lost or could not be read, each naming the file.
  std::vector<std::string> problems;
  // What is worth knowing but lost nothing (the header's record count
  // differing from the records the table holds).
  std::vector<std::string> notes;
  // Whether the table could not be read to its end: a damaged block or a
  // file cut short.
  bool incomplete = false;
};

struct ReadOptions {
  // The code page of tables whose files name none; 0: 1252.
  int code_page = 0;
  // The passwords to try on password-protected Paradox tables, in order.
  std::vector<std::string> passwords;
};

class TableReader {
 public:
  virtual ~TableReader() = default;
  virtual const TableSchema& Schema() const = 0;
  // The next live record; false at the table's end.
  virtual bool Next(Row* row) = 0;
  virtual const TableAccount& Account() const = 0;
  // The code page the table's text was read in.
  virtual int CodePage() const = 0;
};

}  // namespace tolvern::data
