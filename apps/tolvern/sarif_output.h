// --sarif FILE and --codepage N, on migrate and todo: the to-do list as a
// SARIF 2.1.0 log (see engine/sarif_report.h), and the code page the
// sources' 8-bit text is shown in there and in the HTML page.
#pragma once

#include <CLI/CLI.hpp>

#include "run_setup.h"

namespace tolvern::cli {

void AddSarifOptions(CLI::App* command, RunArgs& args);

// Writes the log of the run's to-do list when --sarif was given, its paths
// relative to the project's folder. Throws EFCreateError naming the file when
// it cannot be written.
void WriteSarif(const RunSetup& run, const RunArgs& args);

}  // namespace tolvern::cli
