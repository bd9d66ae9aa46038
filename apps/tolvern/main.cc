// tolvern: the command-line face of the migration engine.
//
//   tolvern migrate (--project FILE.dpr | --folder DIR) [options]
//   tolvern todo (--project FILE.dpr | --folder DIR) [--family NAME | --ado]
//                [--profile FILE.json]... [--all]
//   tolvern aliases (--project FILE.dpr | --folder DIR) [--profile FILE.json]...
//                   [--write-profile FILE.json]
//   tolvern restore UNDOFILE
//   tolvern form (--to-text | --to-binary) IN [-o OUT]
//   tolvern data [--sql FILE] [--sqlite FILE] [--codepage N] [--force] FOLDER...
//   tolvern profile (--show [--family NAME | --ado] [--profile FILE.json]... | --check
//   FILE.json...)
//
// Exit codes: 0 success, 1 the run or restore failed, 2 usage errors (a
// profile that cannot be used among them),
// 3 the run completed but left files not migrated (each named on standard
// error) or could not write its whole log.
//
// Each subcommand lives in a file of its own, which adds it to the app and
// runs it; this file only puts them together.
#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "aliases_command.h"
#include "base/errors.h"
#include "base/version.h"
#include "cli_common.h"
#include "data_command.h"
#include "form_command.h"
#include "migrate_command.h"
#include "profile_command.h"
#include "restore_command.h"
#include "todo_command.h"

int main(int argc, char** argv) {
  using namespace tolvern;
  using namespace tolvern::cli;
  const Utf8CommandLine command_line(argc, argv);
  SetUpProcess();
  CLI::App app{"Migrates Object Pascal applications from BDE and ADO components to Nexa."};
  app.require_subcommand(1);
  app.footer(
      "Exit codes: 0 success; 1 the run or restore failed; 2 usage error; 3 the run completed, "
      "N files not migrated (each named on standard error) or the log incomplete.");
  app.set_version_flag("--version", VersionLine());
  // In the order the help lists them.
  const std::vector<Subcommand> subcommands = {AddMigrateCommand(app), AddTodoCommand(app),
                                               AddAliasesCommand(app), AddRestoreCommand(app),
                                               AddFormCommand(app),    AddProfileCommand(app),
                                               AddDataCommand(app)};

  const Subcommand* chosen = nullptr;
  try {
    app.parse(command_line.argc(), command_line.argv());
    chosen = &ChosenSubcommand(subcommands);
    if (chosen->check) chosen->check();
  } catch (const CLI::ParseError& e) {
    int code = ExitOnParseError(app, e);
    return code == 0 ? kExitOk : kExitUsage;
  }

  try {
    return chosen->run();
  } catch (const Exception& e) {
    Fail(e.Detail().empty() ? e.what() : std::string(e.what()) + " " + e.Detail());
    if (chosen->failed_text) std::cout << chosen->failed_text << "\n";
    return kExitFailed;
  } catch (const std::exception& e) {
    Fail(e.what());
    if (chosen->failed_text) std::cout << chosen->failed_text << "\n";
    return kExitFailed;
  }
}
