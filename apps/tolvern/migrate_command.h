// tolvern migrate: rewrites the units and forms of a project or folder, and
// tells what it did.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli_common.h"
#include "run_setup.h"

namespace tolvern::cli {

struct MigrateArgs {
  RunArgs run;
  std::string backup_dir;
  bool no_backup = false;
  bool no_log = false;
  bool view_log = false;
  bool quiet = false;
  bool dry_run = false;
  bool diff = false;
  bool todo = false;               // print the places left for a person
  bool include_read_only = false;  // migrate read-only files too
  bool data = false;               // move the aliases' tables beside the log
  std::string report;
  std::string html;  // the report as one HTML page
};

// Adds the migrate subcommand and its options to the app.
Subcommand AddMigrateCommand(CLI::App& app);

// Runs a migration; gives the exit code.
int RunMigrate(const MigrateArgs& args);

}  // namespace tolvern::cli
