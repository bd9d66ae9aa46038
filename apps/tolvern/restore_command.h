// tolvern restore: puts back the originals an undo file lists.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli_common.h"

namespace tolvern::cli {

// Adds the restore subcommand and its argument to the app.
Subcommand AddRestoreCommand(CLI::App& app);

// Restores from the undo file; with `force`, also originals changed after
// the run (their text is kept beside their backups). Gives the exit code.
int RunRestore(const std::string& undo_file, bool force);

}  // namespace tolvern::cli
