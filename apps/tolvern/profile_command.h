// tolvern profile: shows the effective mapping profile, or checks profile
// files.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli_common.h"
#include "family_option.h"

namespace tolvern::cli {

struct ProfileArgs {
  bool show = false;
  FamilyArgs family;
  std::vector<std::string> check;
  std::vector<std::string> profiles;
};

// Adds the profile subcommand and its options to the app.
Subcommand AddProfileCommand(CLI::App& app);

// Prints the effective profile, or checks profile files and names every
// problem with its JSON path; gives the exit code.
int RunProfile(const ProfileArgs& args);

}  // namespace tolvern::cli
