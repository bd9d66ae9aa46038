// The source family a subcommand works on: --family NAME, one of the
// families of the built-in profiles, or --ado, its short form for ADO.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace tolvern::cli {

struct FamilyArgs {
  std::string family;  // --family; "" when not given
  bool ado = false;    // --ado, that is --family ado
};

// Adds --family and --ado to a command; what: what the family chooses there
// ("Migrate", "The"), for the help. The options it adds.
CLI::Option* AddFamilyOptions(CLI::App* command, FamilyArgs& args, const std::string& what);

// The id of the family asked for: the --family given, "ado" for --ado, the
// first family for neither. Throws CLI::ValidationError when --ado and a
// --family other than ado are given together.
std::string ChosenFamily(const FamilyArgs& args);

}  // namespace tolvern::cli
