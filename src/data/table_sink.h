// Where the tables go: the SQL script, the SQLite database. The mover hands
// every sink each table's columns, then its rows one by one.
#pragma once

#include <cstdint>
#include <string>

#include "data/field_value.h"

namespace tolvern::data {

// Rows per transaction in both outputs: enough that the transactions cost
// little, few enough that a database replaying the script holds little.
inline constexpr std::uint64_t kRowsPerTransaction = 1000;

class TableSink {
 public:
  virtual ~TableSink() = default;
  // False, with the output's name and the reason in *error, when the output
  // cannot go on; the mover then stops.
  virtual bool BeginTable(const TableSchema& schema, std::string* error) = 0;
  // kRejected: the database refused the row (a duplicate key) and goes on;
  // *error names the row's problem.
  enum class RowResult { kWritten, kRejected, kFailed };
  virtual RowResult AddRow(const Row& row, std::string* error) = 0;
  virtual bool EndTable(std::string* error) = 0;
  // Closes the output and puts it in its place; nothing is in place before.
  virtual bool Finish(std::string* error) = 0;
};

}  // namespace tolvern::data
