// tolvern todo: lists every place a migration would leave for a person,
// without running it.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli_common.h"
#include "run_setup.h"

namespace tolvern::cli {

struct TodoArgs {
  RunArgs run;
  std::string html;  // the account as one HTML page
};

// Adds the todo subcommand and its options to the app.
Subcommand AddTodoCommand(CLI::App& app);

// Lists the places; gives the exit code.
int RunTodo(const TodoArgs& args);

}  // namespace tolvern::cli
