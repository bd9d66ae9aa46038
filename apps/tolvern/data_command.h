// tolvern data: moves the Paradox and dBASE tables of folders into a SQL
// script and a SQLite database.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli_common.h"
#include "run_setup.h"

namespace tolvern::cli {

struct DataArgs {
  std::vector<std::string> folders;
  std::string sql;                     // the script to write
  std::string sqlite;                  // the database to write
  int code_page = 0;                   // for tables whose files name none
  std::vector<std::string> passwords;  // to try on password-protected tables
  bool force = false;                  // replace outputs that exist
  // The tables of the aliases of a project or folder, each where its
  // profile rule's "data" says, into Wiz_Data_ALIAS.sql and .sqlite there.
  RunArgs run;
};

// Adds the data subcommand and its options to the app.
Subcommand AddDataCommand(CLI::App& app);

// Moves the tables; gives the exit code.
int RunData(const DataArgs& args);

}  // namespace tolvern::cli
