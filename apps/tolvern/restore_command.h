// tolvern restore: puts back the originals an undo file lists.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli_common.h"

namespace tolvern::cli {

// Adds the restore subcommand and its argument to the app.
Subcommand AddRestoreCommand(CLI::App& app);

// Restores from the undo file; gives the exit code.
int RunRestore(const std::string& undo_file);

}  // namespace tolvern::cli
