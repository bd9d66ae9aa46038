// Moves tables: finds the Paradox (.DB) and dBASE (.DBF) tables of folders,
// reads each row by row and hands the rows to the outputs, and keeps an
// account per table of the rows moved, the rows left out and why. A file
// that cannot be read is named and the others go on; an output that fails
// stops the move.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/table_reader.h"
#include "data/table_sink.h"

namespace tolvern {
class Disk;
}

namespace tolvern::data {

struct TableOutcome {
  std::string file;          // the table's file
  std::string table;         // its name in the outputs; "" when it was not read
  bool not_a_table = false;  // a .DB file that is no Paradox table (Thumbs.db)
  std::string error;         // why the table was not read at all
  TableAccount account;
  std::uint64_t rows_moved = 0;
  std::uint64_t rows_rejected = 0;  // rows a database refused (duplicate keys)

  // Whether anything of the table did not arrive.
  bool Lost() const {
    return !not_a_table && (!error.empty() || account.incomplete || account.rows_damaged ||
                            rows_rejected || !account.problems.empty());
  }
};

struct MoveResult {
  std::vector<TableOutcome> tables;
  std::string output_error;                 // an output failed; the move stopped there
  std::vector<std::string> listing_errors;  // folders that could not be listed
  // What is worth knowing beyond the tables: index and check files that
  // belong to no table read.
  std::vector<std::string> notes;

  bool Complete() const;
};

// The table files of a folder (not its subfolders), by name.
std::vector<std::string> FindTableFiles(Disk& disk, const std::string& folder, std::string* error);

// Moves the tables of the files into every sink, then finishes the sinks.
// Index names are made unique in the database as table names are. A table
// with required fields or unique indexes is read once before it is
// written, so that a constraint its rows break is left out (and noted)
// rather than refusing rows.
MoveResult MoveTables(Disk& disk, const std::vector<std::string>& files, const ReadOptions& options,
                      const std::vector<TableSink*>& sinks);

}  // namespace tolvern::data
