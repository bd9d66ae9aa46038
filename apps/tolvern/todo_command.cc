#include "todo_command.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "engine/todo_list.h"

namespace tolvern::cli {
namespace {

void AddTodoOptions(CLI::App* todo, RunArgs& args) {
  auto* project =
      todo->add_option("--project", args.project, "Project file (.dpr) whose units are read");
  auto* folder =
      todo->add_option("--folder", args.folder, "Folder whose .pas and .dpr files are read");
  project->excludes(folder);
  todo->add_flag("--recursive,-r", args.recursive, "Folder mode: walk sub-folders too")
      ->needs(folder);
  todo->add_flag("--ado", args.ado, "The ADO components (default: BDE)");
  AddFollowUsesOption(todo, args, project);
  todo->add_option("--profile", args.profiles,
                   "Lay a mapping profile (JSON) over the built-in one; repeatable, in order");
  todo->add_flag("--all", args.all, "List the notes too (what the run did, needing nothing)");
  todo->add_option("--jobs,-j", args.jobs,
                   "Files read at once (default: the machine's cores, at most 8; 1: one after "
                   "the other)")
      ->check(CLI::Range(1, 1024));
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
  auto args = std::make_shared<RunArgs>();
  CLI::App* todo = app.add_subcommand(
      "todo", "List every place a migration would leave for a person, without running it.");
  AddTodoOptions(todo, *args);
  return {todo, [args] { RequireProjectOrFolder(*args); }, [args] { return RunTodo(*args); },
          nullptr};
}

int RunTodo(const RunArgs& args) {
  RunSetup run;
  if (const int code = run.Prepare(args); code != kExitOk) return code;
  // The list comes from a dry run that leaves no log: nothing is touched.
  run.ListOnly(args);
  run.replacer().Execute();
  const RunReport& report = run.replacer().Report;
  NameSkippedFiles(report, "not read");
  NameOutsideUnits(report, run.base_folder(), std::cerr, "tolvern: outside the project: ");
  PrintTodo(report, run.base_folder(), args.all);
  return report.FilesNotMigrated() > 0 ? kExitIncomplete : kExitOk;
}

}  // namespace tolvern::cli
