#include "aliases_command.h"

#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "engine/alias_plan.h"
#include "parsing/alias_key.h"
#include "parsing/json_locator.h"
#include "platform/disk.h"

namespace tolvern::cli {
namespace {

struct AliasesArgs : RunArgs {
  std::string write_profile;
};

std::string Joined(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
  return s;
}

std::string Becomes(const AliasReport& a) {
  if (a.action == alias_action::kCreate) return "a new connection, " + a.connection;
  if (a.action == alias_action::kBind) return a.connection;
  return "nothing: not mapped, its data sets stay unbound (a to-do item each)";
}

// A profile that makes a new connection for every alias, its parameters
// and its table folder ("data", which migrate --data and tolvern data read)
// left for the user to fill in. Each alias is a key of its own (their names
// differ beyond letter case), written so that any bytes come back the same.
std::string ProfileForAliases(const RunReport& report) {
  nlohmann::ordered_json aliases = nlohmann::ordered_json::object();
  for (const AliasReport& a : report.aliases)
    profile_json::AppendNew(aliases, AliasKey(a.alias),
                            {{"database", ""}, {"server", ""}, {"username", ""}, {"data", ""}});
  nlohmann::ordered_json profile = {{"name", "aliases"}, {"aliases", aliases}};
  return profile.dump(2) + "\n";
}

int RunAliases(const AliasesArgs& args) {
  RunSetup run;
  if (const int code = run.Prepare(args); code != kExitOk) return code;
  // What the run would do comes from a dry run that leaves no log.
  run.ListOnly(args);
  TComponentReplacer& replacer = run.replacer();
  replacer.Execute();
  const RunReport& report = replacer.Report;
  NameSkippedFiles(report, "not read");
  if (report.aliases.empty()) {
    std::cout << "No BDE aliases: every data set's DatabaseName names a database component of "
                 "the run.\n";
  } else {
    for (const AliasReport& a : report.aliases)
      std::cout << a.alias << ": " << a.data_sets << " data set(s) (" << Joined(a.forms) << ") -> "
                << Becomes(a) << "\n";
    std::cout << AliasesLine(report) << "\n";
  }
  if (!args.write_profile.empty()) {
    const std::string path = Absolute(args.write_profile);
    std::string why;
    bool taken = false;
    if (!RealDisk().WriteExclusive(path, ProfileForAliases(report), &why, &taken)) {
      Fail("cannot write the profile " + path + ": " +
           (taken ? "a file of that name is there already; give another name or remove it" : why));
      return kExitFailed;
    }
    std::cout << "Profile written: " << path << " (" << report.aliases.size()
              << " alias(es), each a new connection; fill in their database, server, user "
                 "name and table folder, then migrate with --profile "
              << path << ")\n";
  }
  return report.FilesNotMigrated() > 0 ? kExitIncomplete : kExitOk;
}

}  // namespace

std::string AliasesLine(const RunReport& report) {
  if (report.aliases.empty()) return "";
  int sets = 0, created = 0, bound = 0, unmapped = 0, unmapped_sets = 0;
  for (const AliasReport& a : report.aliases) {
    sets += a.data_sets;
    created += a.action == alias_action::kCreate;
    bound += a.action == alias_action::kBind;
    if (a.action == alias_action::kUnmapped) {
      ++unmapped;
      unmapped_sets += a.data_sets;
    }
  }
  std::string line = "BDE aliases: " + std::to_string(report.aliases.size()) + " (" +
                     std::to_string(sets) +
                     " data set(s)); to new connections: " + std::to_string(created) +
                     "; to existing components: " + std::to_string(bound) +
                     "; not mapped: " + std::to_string(unmapped);
  if (unmapped)
    line += " (" + std::to_string(unmapped_sets) +
            " data set(s) left unbound; tolvern aliases --write-profile FILE maps them)";
  return line;
}

Subcommand AddAliasesCommand(CLI::App& app) {
  auto args = std::make_shared<AliasesArgs>();
  CLI::App* cmd = app.add_subcommand(
      "aliases",
      "List the BDE aliases of a project or folder, with the data sets on each and what each "
      "would become; optionally write a profile that makes a connection for every one.");
  auto* project =
      cmd->add_option("--project", args->project, "Project file (.dpr) whose units are read");
  auto* folder =
      cmd->add_option("--folder", args->folder, "Folder whose .pas and .dpr files are read");
  project->excludes(folder);
  cmd->add_flag("--recursive,-r", args->recursive, "Folder mode: walk sub-folders too")
      ->needs(folder);
  // The aliases of the units a migration with --follow-uses takes in too.
  AddFollowUsesOption(cmd, *args, project);
  cmd->add_option("--profile", args->profiles,
                  "Lay a mapping profile (JSON) over the built-in one; repeatable, in order");
  cmd->add_option("--write-profile", args->write_profile,
                  "Write a profile (JSON) that creates a new connection for every alias, its "
                  "parameters left to fill in; an existing file is never replaced");
  cmd->add_option("--jobs,-j", args->jobs,
                  "Files read at once (default: the machine's cores, at most 8; 1: one after "
                  "the other)")
      ->check(CLI::Range(1, 1024));
  return {cmd, [args] { RequireProjectOrFolder(*args); }, [args] { return RunAliases(*args); },
          nullptr};
}

}  // namespace tolvern::cli
