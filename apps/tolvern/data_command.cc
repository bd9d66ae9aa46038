#include "data_command.h"

#include <iostream>
#include <memory>

#include "base/paths.h"
#include "data/move_summary.h"
#include "data/sql_script_writer.h"
#include "data/sqlite_writer.h"
#include "data/table_mover.h"
#include "engine/component_replacer.h"
#include "platform/code_pages.h"
#include "platform/disk.h"

namespace tolvern::cli {
namespace {

void CheckArgs(const DataArgs& args) {
  const bool aliases = !args.run.project.empty() || !args.run.folder.empty();
  if (aliases && !args.folders.empty())
    throw CLI::ValidationError("data", "give table folders, or --project/--folder, not both");
  if (!aliases && args.folders.empty())
    throw CLI::ValidationError("data", "give the folders of the tables, or --project/--folder");
  if (aliases && (!args.sql.empty() || !args.sqlite.empty()))
    throw CLI::ValidationError(
        "data",
        "with --project/--folder each alias's tables go into Wiz_Data_ALIAS.sql and "
        ".sqlite beside the project: --sql and --sqlite are for table folders");
  if (aliases) return;
  if (args.sql.empty() && args.sqlite.empty())
    throw CLI::ValidationError("data", "give --sql FILE or --sqlite FILE (or both)");
  if (args.code_page && !IsKnownCodePage(args.code_page))
    throw CLI::ValidationError(
        "--codepage", "code page " + std::to_string(args.code_page) + " is not one tolvern reads");
}

// Whether path lies in folder or below it.
bool Below(const std::string& path, const std::string& folder) {
  std::string prefix = PathJoin(folder, "");
  return path.compare(0, prefix.size(), prefix) == 0;
}

// Whether an output may be written at path; names the problem when not.
bool OutputAllowed(Disk& disk, const std::string& path, const std::vector<std::string>& folders,
                   bool force) {
  for (const std::string& folder : folders)
    if (Below(disk.Resolve(path), disk.Resolve(folder))) {
      Fail(path + " lies in the table folder " + folder +
           "; tolvern data never writes there: name a file elsewhere");
      return false;
    }
  if (disk.FileExists(path) && !force) {
    Fail(path + " exists; give --force to replace it");
    return false;
  }
  return true;
}

}  // namespace

Subcommand AddDataCommand(CLI::App& app) {
  auto args = std::make_shared<DataArgs>();
  CLI::App* data = app.add_subcommand(
      "data", "Move the Paradox and dBASE tables of folders into a SQL script and a SQLite file.");
  data->add_option("FOLDER", args->folders, "Folders holding .DB and .DBF tables");
  auto* project = data->add_option("--project", args->run.project,
                                   "The tables of the project's aliases, each from the folder its "
                                   "profile rule names (\"data\")");
  auto* folder = data->add_option("--folder", args->run.folder,
                                  "The same for the aliases of the units and forms of a folder");
  project->excludes(folder);
  data->add_flag("--recursive,-r", args->run.recursive, "With --folder: walk sub-folders too")
      ->needs(folder);
  data->add_option("--profile", args->run.profiles,
                   "With --project/--folder: a mapping profile naming the aliases' table folders; "
                   "repeatable, in order");
  data->add_option("--sql", args->sql, "Write the tables as a SQL script to FILE");
  data->add_option("--sqlite", args->sqlite, "Write the tables into a new SQLite database FILE");
  data->add_option("--codepage", args->code_page,
                   "Code page of tables whose files name none (default 1252)");
  data->add_option("--password", args->passwords,
                   "Password of password-protected Paradox tables; give it again for each "
                   "other password (each table takes the one that opens it)")
      ->take_all()
      ->allow_extra_args(false);
  data->add_flag("--force", args->force, "Replace output files that exist");
  return {data, [args] { CheckArgs(*args); }, [args] { return RunData(*args); }, nullptr};
}

namespace {

// The tables of the aliases of a project or folder: the aliases a dry run
// finds (and those the profiles name), each from its rule's folder, beside
// the project.
int RunAliasData(const DataArgs& args) {
  RunSetup run;
  if (const int code = run.Prepare(args.run); code != kExitOk) return code;
  run.ListOnly(args.run);
  TComponentReplacer& replacer = run.replacer();
  replacer.Execute();
  for (AliasRule& rule : replacer.AliasRules)
    rule.data_passwords.insert(rule.data_passwords.end(), args.passwords.begin(),
                               args.passwords.end());
  run.options().CodePage = args.code_page;
  replacer.MoveRunData(replacer.RunDisk(), run.base_folder());
  for (const AliasDataReport& r : replacer.Report.data) {
    std::cout << DataMoveLine(r) << "\n";
    for (const data::TableOutcome& t : r.tables) {
      for (const std::string& problem : t.account.problems)
        std::cout << "  problem: " << problem << "\n";
      if (!t.error.empty()) std::cout << "  problem: " << t.error << "\n";
    }
  }
  if (replacer.Report.data.empty())
    std::cout << "No BDE alias in the run and none with a table folder in the profiles: no table "
                 "was moved.\n";
  return replacer.Report.DataComplete() ? kExitOk : kExitIncomplete;
}

}  // namespace

int RunData(const DataArgs& args) {
  if (!args.run.project.empty() || !args.run.folder.empty()) return RunAliasData(args);
  RealDisk disk;
  std::vector<std::string> folders;
  for (const std::string& folder : args.folders) {
    folders.push_back(Absolute(folder));
    if (!disk.DirExists(folders.back())) {
      Fail("folder \"" + folders.back() + "\" does not exist.");
      return kExitFailed;
    }
  }
  std::string sql = args.sql.empty() ? "" : Absolute(args.sql);
  std::string sqlite = args.sqlite.empty() ? "" : Absolute(args.sqlite);
  for (const std::string& out : {sql, sqlite})
    if (!out.empty() && !OutputAllowed(disk, out, folders, args.force)) return kExitFailed;

  std::vector<data::TableSink*> sinks;
  std::unique_ptr<data::SqlScriptWriter> script;
  std::unique_ptr<data::TableSink> database;
  std::string error;
  bool sqlite_missing = false;
  if (!sql.empty()) {
    script = std::make_unique<data::SqlScriptWriter>(disk, sql);
    if (!script->Open(&error)) {
      Fail(error);
      return kExitFailed;
    }
    sinks.push_back(script.get());
  }
  if (!sqlite.empty()) {
    database = data::OpenSqliteWriter(disk, sqlite, &error);
    if (!database) {
      Fail(error);
      if (!data::SqliteAvailable() && script)
        sqlite_missing = true;
      else
        return kExitFailed;
    } else {
      sinks.push_back(database.get());
    }
  }

  data::MoveResult result;
  std::vector<std::string> files;
  for (const std::string& folder : folders) {
    std::string why;
    std::vector<std::string> found = data::FindTableFiles(disk, folder, &why);
    if (!why.empty()) result.listing_errors.push_back(folder + ": cannot be listed: " + why);
    files.insert(files.end(), found.begin(), found.end());
  }
  data::ReadOptions options;
  options.code_page = args.code_page;
  options.passwords = args.passwords;
  data::MoveResult moved = data::MoveTables(disk, files, options, sinks);
  moved.listing_errors = result.listing_errors;
  std::cout << data::MoveSummary(moved, folders.size() == 1 ? folders[0] : "");
  if (!moved.output_error.empty()) {
    Fail(moved.output_error);
    return kExitFailed;
  }
  return moved.Complete() && !sqlite_missing ? kExitOk : kExitIncomplete;
}

}  // namespace tolvern::cli
