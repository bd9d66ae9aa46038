#include "todo_command.h"

#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "engine/todo_list.h"
#include "html_page.h"
#include "sarif_output.h"

namespace tolvern::cli {
namespace {

void AddTodoOptions(CLI::App* todo, TodoArgs& todo_args) {
  RunArgs& args = todo_args.run;
  auto* project =
      todo->add_option("--project", args.project, "Project file (.dpr) whose units are read");
  auto* folder =
      todo->add_option("--folder", args.folder, "Folder whose .pas and .dpr files are read");
  project->excludes(folder);
  todo->add_flag("--recursive,-r", args.recursive, "Folder mode: walk sub-folders too")
      ->needs(folder);
  AddFamilyOptions(todo, args.family, "The");
  AddFollowUsesOption(todo, args, project);
  AddDropOldUnitsOption(todo, args);
  todo->add_option("--profile", args.profiles,
                   "Lay a mapping profile (JSON) over the built-in one; repeatable, in order");
  todo->add_flag("--all", args.all, "List the notes too (what the run did, needing nothing)");
  todo->add_option("--jobs,-j", args.jobs,
                   "Files read at once (default: the machine's cores, at most 8; 1: one after "
                   "the other)")
      ->check(CLI::Range(1, 1024));
  todo->add_option("--html", todo_args.html,
                   "Write the account of the dry run as one HTML page to FILE: figures, files, "
                   "diffs, objects, to-do places");
  AddSarifOptions(todo, args);
}

// Every place (notes with all), with its path as the listings show it, and
// their count per level.
void PrintTodo(const RunReport& report, const std::string& base_folder, bool all) {
  std::vector<TodoItem> items = report.Todo();
  for (TodoItem& t : items) t.file = Shown(t.file, base_folder);
  std::cout << FormatTodo(items, all) << TodoCountLine({&items}, all);
}

}  // namespace

Subcommand AddTodoCommand(CLI::App& app) {
  auto args = std::make_shared<TodoArgs>();
  CLI::App* todo = app.add_subcommand(
      "todo", "List every place a migration would leave for a person, without running it.");
  AddTodoOptions(todo, *args);
  return {todo,
          [args] {
            RequireProjectOrFolder(args->run);
            ChosenFamily(args->run.family);
          },
          [args] { return RunTodo(*args); }, nullptr};
}

int RunTodo(const TodoArgs& todo_args) {
  const RunArgs& args = todo_args.run;
  RunSetup run;
  if (const int code = run.Prepare(args); code != kExitOk) return code;
  // The list comes from a dry run that leaves no log: nothing is touched.
  run.ListOnly(args);
  const HtmlPage page(todo_args.html, run);
  const auto start = std::chrono::steady_clock::now();
  const bool ok = run.replacer().Execute();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const RunReport& report = run.replacer().Report;
  NameSkippedFiles(report, "not read");
  NameOutsideUnits(report, run.base_folder(), std::cerr, "tolvern: outside the project: ");
  PrintTodo(report, run.base_folder(), args.all);
  WriteSarif(run, args);
  if (!todo_args.html.empty()) {
    // The paths as the listings show them, as migrate gives them.
    RunReport& shown = run.replacer().Report;
    for (FileReport& f : shown.files) {
      f.path = Shown(f.path, run.base_folder());
      for (TodoItem& t : f.todo) t.file = f.path;
    }
    HtmlReportFacts facts;
    facts.seconds = seconds;
    facts.whole = ok && report.FilesNotMigrated() == 0;
    facts.outcome = "Dry run: no file was changed.";
    page.Write(run, args, facts);
  }
  return report.FilesNotMigrated() > 0 ? kExitIncomplete : kExitOk;
}

}  // namespace tolvern::cli
