// tolvern aliases: lists the BDE aliases of a project or folder (database
// names that data sets give and no database component declares), with the
// number of data sets on each and what each would become; and writes a
// profile that makes a new connection for every one of them.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli_common.h"
#include "engine/run_report.h"
#include "run_setup.h"

namespace tolvern::cli {

// Adds the aliases subcommand and its options to the app.
Subcommand AddAliasesCommand(CLI::App& app);

// One line on the aliases of a run, for the migrate summary; "" when there
// are none.
std::string AliasesLine(const RunReport& report);

}  // namespace tolvern::cli
