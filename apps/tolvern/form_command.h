// tolvern form: converts a form file to text or to binary.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "cli_common.h"

namespace tolvern::cli {

struct FormArgs {
  bool to_text = false;
  bool to_binary = false;
  std::string in;
  std::string out;  // empty: replace IN
};

// Adds the form subcommand and its options to the app.
Subcommand AddFormCommand(CLI::App& app);

// Converts the form file; gives the exit code.
int RunForm(const FormArgs& args);

}  // namespace tolvern::cli
