// What migrate and todo share: where a run's files come from and how their
// components map, taken from the command line and set up in the engine before
// anything of the tree is read.
#pragma once

#include <CLI/CLI.hpp>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "engine/nx_replacer.h"
#include "engine/run_report.h"
#include "family_option.h"
#include "ide/project_host.h"
#include "platform/disk.h"

namespace tolvern::cli {

struct RunArgs {
  std::string project;
  std::string folder;
  bool recursive = false;
  FamilyArgs family;
  std::vector<std::string> units;
  std::vector<std::string> profiles;
  int jobs = 0;      // 0: the machine's cores
  bool all = false;  // the to-do list's notes too
  // Project mode: migrate the units outside the project file too.
  bool follow_uses = false;
  // The code page of the sources' 8-bit text (--codepage); 0: the system's.
  int code_page = 0;
  std::string sarif;  // the to-do list as a SARIF log (--sarif)
  // Take the old library's units out of the uses clauses nothing needs
  // them in.
  bool drop_old_units = false;
};

// Throws CLI::RequiredError when neither --project nor --folder was given.
void RequireProjectOrFolder(const RunArgs& args);

// A run of the engine set up as the arguments say: the library started, the
// mapping profiles laid over the built-in one, and the project loaded or the
// folder named in the run's options. All of it lasts as long as the object.
class RunSetup {
 public:
  RunSetup() = default;
  RunSetup(const RunSetup&) = delete;
  RunSetup& operator=(const RunSetup&) = delete;

  // Sets the run up. A failure is named on standard error and its exit code
  // returned; kExitOk when the run can go.
  int Prepare(const RunArgs& args);
  // Makes the run a dry run that leaves no log, keeps only the counts of
  // the rewritten objects and shows no progress: for the commands that only
  // list what a migration would do.
  void ListOnly(const RunArgs& args) const;

  TReplaceOptions& options() const { return *ReplaceOptions; }
  TComponentReplacer& replacer() const { return *replacer_; }
  // The profile files laid over the built-in profile, in that order.
  const std::vector<std::string>& profile_files() const { return profile_files_; }
  // The project's folder or the folder named: the listings show the paths
  // below it relative to it.
  const std::string& base_folder() const { return base_folder_; }

 private:
  int UseProfiles(const RunArgs& args);
  int UseProject(const RunArgs& args);
  int UseFolder(const RunArgs& args);

  NXReplacerScope library_;
  RealDisk disk_;  // what the setup looks at; the run has its replacer's
  std::vector<std::string> profile_files_;
  std::unique_ptr<TComponentReplacer> profiled_;
  TComponentReplacer* replacer_ = nullptr;
  ProjectHost host_;
  ScopedIdeServices services_{&host_};
  std::string base_folder_;
};

// Names on standard error every file the run meant to take and did not, with
// the reason: "tolvern: WHAT: PATH: REASON".
void NameSkippedFiles(const RunReport& report, const std::string& what);

// Names on out every unit outside the project file that the run left as it
// is, a line each: lead, its path as the listings show it, ": " and why.
void NameOutsideUnits(const RunReport& report, const std::string& base_folder, std::ostream& out,
                      const std::string& lead);

// Adds --follow-uses to a command that takes --project.
void AddFollowUsesOption(CLI::App* command, RunArgs& args, CLI::Option* project);
// --drop-old-units.
void AddDropOldUnitsOption(CLI::App* command, RunArgs& args);

}  // namespace tolvern::cli
