// The data of a run's BDE aliases: where a profile names an alias's table
// folder, the run moves its Paradox and dBASE tables into a SQL script and a
// SQLite database beside the log ("Wiz_Data_ALIAS.sql", ".sqlite"), and the
// to-do items of table files name the table they became.
#pragma once

#include <string>
#include <vector>

#include "data/table_mover.h"
#include "engine/todo_item.h"

namespace tolvern {

class Disk;

// An alias whose tables the run moves.
struct AliasDataSource {
  std::string alias;
  std::string folder;  // as the profile gives it: absolute, or relative to the tree
  std::vector<std::string> passwords;
};

// What became of one alias's tables.
struct AliasDataReport {
  std::string alias;
  std::string folder;  // absolute
  std::string sql;     // the script written; "" when none was
  std::string sqlite;  // the database written; "" when none was
  std::vector<data::TableOutcome> tables;
  // What kept the alias's tables, or an output, from moving whole: the
  // folder missing or unlisted, an output that could not be written.
  std::vector<std::string> problems;

  // Whether every table of the folder arrived whole in every output.
  bool Complete() const;
};

// The outputs' names for an alias: "Wiz_Data_" and the alias, each
// character a file name cannot hold as "_".
std::string DataFileStem(const std::string& alias);

// Moves the tables of each source into its outputs in the folder tree.
// Outputs of an earlier run are replaced; each is written under a temporary
// name and put in place only when whole.
std::vector<AliasDataReport> MoveAliasData(Disk& disk, const std::string& tree,
                                           const std::vector<AliasDataSource>& sources,
                                           int code_page);

// Adds to each table-file item of items whose table was moved the table's
// name and the script it went into.
void NameMovedTables(const std::vector<AliasDataReport>& moved, std::vector<TodoItem>* items);

// One line per alias for the log and the command's output: the tables and
// rows moved, and what did not arrive.
std::string DataMoveLine(const AliasDataReport& report);

}  // namespace tolvern
