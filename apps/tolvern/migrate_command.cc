#include "migrate_command.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>

#include "aliases_command.h"
#include "base/paths.h"
#include "base/system_texts.h"
#include "engine/todo_list.h"
#include "files/display_text.h"
#include "files/unified_diff.h"
#include "html_page.h"
#include "platform/disk.h"
#include "platform/worker_pool.h"
#include "sarif_output.h"

namespace tolvern::cli {
namespace {

// ---- The options ----

// Where the files come from: a project or a folder, and which components.
void AddSourceOptions(CLI::App* migrate, RunArgs& args) {
  auto* project = migrate->add_option("--project", args.project,
                                      "Project file (.dpr) whose units are migrated");
  auto* folder =
      migrate->add_option("--folder", args.folder, "Folder whose .pas and .dpr files are migrated");
  project->excludes(folder);
  migrate->add_flag("--recursive,-r", args.recursive, "Folder mode: walk sub-folders too")
      ->needs(folder);
  AddFamilyOptions(migrate, args.family, "Migrate");
  migrate
      ->add_option("--units", args.units, "Project mode: unit file names to migrate (default: all)")
      ->delimiter(',')
      ->needs(project);
  AddFollowUsesOption(migrate, args, project);
  AddDropOldUnitsOption(migrate, args);
}

// What is kept of the originals and of the run.
void AddBackupAndLogOptions(CLI::App* migrate, MigrateArgs& args) {
  auto* backup =
      migrate->add_option("--backup-dir", args.backup_dir,
                          "Backup folder (default: RBackup in the project or target folder)");
  migrate->add_flag("--no-backup", args.no_backup, "Do not back up changed originals")
      ->excludes(backup);
  migrate->add_flag("--no-log", args.no_log, "Do not write Wiz_Log.txt");
  migrate->add_flag("--view-log", args.view_log, "Open the log in the desktop's viewer afterwards");
  migrate->add_flag("--data", args.data,
                    "Move the Paradox and dBASE tables of each alias whose folder a profile names "
                    "(\"data\") into Wiz_Data_ALIAS.sql and Wiz_Data_ALIAS.sqlite beside the log");
}

// How the run goes and what it shows.
void AddRunOptions(CLI::App* migrate, MigrateArgs& args) {
  migrate->add_flag("--quiet,-q", args.quiet, "No progress line");
  migrate->add_flag("--dry-run,-n", args.dry_run,
                    "Rewrite in a work folder only and show what would change; touch nothing");
  migrate->add_flag("--diff", args.diff, "Print a unified diff of every changed file");
  migrate->add_option("--report", args.report, "Write a JSON account of the run to FILE");
  migrate->add_option("--html", args.html,
                      "Write the account of the run as one HTML page to FILE: figures, files, "
                      "diffs, objects, to-do places");
  migrate
      ->add_option("--jobs,-j", args.run.jobs,
                   "Files rewritten at once (default: the machine's cores, at most 8; 1: one "
                   "after the other)")
      ->check(CLI::Range(1, 1024));
  migrate->add_flag("--todo", args.todo,
                    "List every place left for a person: file:line:col: level: kind: text \u2014 "
                    "advice (errors and warnings)");
  migrate->add_flag("--all", args.run.all, "With --todo: list the notes too");
  migrate->add_flag("--include-read-only", args.include_read_only,
                    "Migrate read-only files too (they keep their read-only mode); by default "
                    "they are left as they are and named");
  migrate->add_option("--profile", args.run.profiles,
                      "Lay a mapping profile (JSON) over the built-in one; repeatable, in order");
  AddSarifOptions(migrate, args.run);
}

// ---- The run ----

// Shows which file a long run is at, on a terminal only, on one line.
class ProgressLine {
 public:
  explicit ProgressLine(bool enabled) : enabled_(enabled && isatty(STDERR_FILENO)) {}
  ~ProgressLine() { Clear(); }
  void Show(int index, int count, const std::string& file) {
    if (!enabled_) return;
    std::string line = "[" + std::to_string(index + 1) + "/" + std::to_string(count) + "] " +
                       ExtractFileName(file);
    if (line.size() > 78) line.resize(78);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    shown_ = true;
  }
  void Clear() {
    if (shown_) std::fprintf(stderr, "\r\033[K");
    shown_ = false;
  }

 private:
  bool enabled_;
  bool shown_ = false;
};

// The options of a run that rewrites the files as the arguments say.
void SetRunOptions(const MigrateArgs& args, const RunSetup& run) {
  TReplaceOptions& options = run.options();
  options.MakeBackup = !args.no_backup;
  options.BackupDir =
      args.backup_dir.empty() ? PathJoin(run.base_folder(), "RBackup") : Absolute(args.backup_dir);
  options.WriteLog = !args.no_log;
  options.ViewLog = args.view_log;
  options.DryRun = args.dry_run;
  options.Jobs = WorkerPool::ThreadsFor(args.run.jobs);
  options.IncludeReadOnly = args.include_read_only;
  options.MoveData = args.data;
}

// Follows the run on the console: the progress line, and with --diff the
// diff of each file as it is rewritten.
void FollowRun(const MigrateArgs& args, const RunSetup& run, ProgressLine& progress) {
  TComponentReplacer& replacer = run.replacer();
  replacer.OnProgress = [&progress](int i, int n, const std::string& f) { progress.Show(i, n, f); };
  if (!args.diff) return;
  const bool color = isatty(STDOUT_FILENO);
  replacer.OnFileChanged = [&progress, &base_folder = run.base_folder(), color, &replacer](
                               const std::string& original, const std::string& rewritten) {
    progress.Clear();
    std::string shown = Shown(original, base_folder);
    Disk& disk = replacer.RunDisk();
    std::cout << UnifiedDiff(DisplayText(disk, original), DisplayText(disk, rewritten),
                             "a/" + shown, "b/" + shown, color);
  };
}

struct TimedOutcome {
  bool ok;
  double seconds;
};

// The files the run's account goes to are written at its end, after the
// originals are replaced: one that could not be written (a pipe, which would
// hold the run for a reader) stops the run before it starts.
void CheckAccountFiles(const MigrateArgs& args, Disk& disk) {
  for (const std::string* name : {&args.report, &args.html, &args.run.sarif}) {
    if (name->empty()) continue;
    const std::string path = Absolute(*name);
    if (const std::string why = OutputRefusal(disk, path); !why.empty())
      throw EFCreateError("Cannot create file \"" + path + "\". " + why);
  }
}

// Runs the replacer, and times it.
TimedOutcome ExecuteTimed(TComponentReplacer& replacer) {
  const auto start = std::chrono::steady_clock::now();
  const bool ok = replacer.Execute();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {ok, seconds};
}

// Every path of the report as the listings show it, the to-do places' too.
void UseShownPaths(RunReport& report, const std::string& base_folder) {
  for (FileReport& f : report.files) {
    f.path = Shown(f.path, base_folder);
    for (TodoItem& t : f.todo) t.file = f.path;
  }
}

// ---- What the run prints ----

void PrintWouldChange(const RunReport& report) {
  for (const FileReport& f : report.files)
    if (f.outcome == FileOutcome::kChanged)
      std::cout << "would change: " << f.path << " (" << f.changes << " change(s))\n";
  std::cout << "Dry run: no file was changed.\n";
}

// The outcome line of a run that replaced the originals.
std::string OutcomeLine(bool ok, int left) {
  if (!ok) return res::kReplaceFailed;
  if (left > 0) return res::Format(res::kReplaceIncomplete, {std::to_string(left)});
  return res::kReplaceSucceeded;
}

void PrintOutcome(bool ok, int left) { std::cout << OutcomeLine(ok, left) << "\n"; }

// Objects left unconverted make their forms fail to load: each is named.
void PrintUnconverted(const RunReport& report) {
  for (const FileReport& f : report.files)
    for (const UnparsedObject& u : f.unparsed)
      std::cout << "Not converted: " << f.path << "(" << u.line << "): object " << u.name
                << " of class " << u.cls << ": " << u.reason << "\n";
}

// The profiles used, then one line of counts.
void PrintSummary(const MigrateArgs& args, const RunSetup& run, double seconds) {
  const RunReport& report = run.replacer().Report;
  const int left = report.FilesNotMigrated();
  const int todo = report.TodoCount();
  const std::string todo_levels =
      std::to_string(report.TodoCount(todo_level::kError)) + " error(s), " +
      std::to_string(report.TodoCount(todo_level::kWarning)) + " warning(s), " +
      std::to_string(report.TodoCount(todo_level::kNote)) + " note(s)";
  char time[32];
  std::snprintf(time, sizeof time, "%.2f", seconds);
  const int dropped = report.PropertiesDropped();
  for (const std::string& f : run.profile_files())
    std::cout << res::Format(res::kProfileUsed, {f}) << "\n";
  std::cout << "Files scanned: " << report.files.size() - report.FilesCreated()
            << "; units changed: " << report.UnitsChanged()
            << "; forms changed: " << report.FormsChanged()
            << "; objects rewritten: " << report.ObjectsRewritten()
            << "; properties dropped: " << dropped
            << (dropped && args.report.empty() ? " (--report FILE lists them)" : "")
            << "; not migrated: " << left;
  if (const int outside = report.FilesOutside())
    std::cout << "; outside the project: " << outside
              << (args.run.follow_uses ? "" : " (--follow-uses migrates them)");
  std::cout << "; to do: " << todo_levels << (todo && !args.todo ? " (--todo lists them)" : "")
            << "; time: " << time << " s\n";
  if (const std::string aliases = AliasesLine(report); !aliases.empty())
    std::cout << aliases << "\n";
  if (args.data && args.dry_run) std::cout << "Dry run: no table was moved (--data).\n";
  for (const AliasDataReport& r : report.data) std::cout << DataMoveLine(r) << "\n";
  for (const FileReport& f : report.files)
    if (f.outcome == FileOutcome::kCreated)
      std::cout << (args.dry_run ? "Would create: " : "Created: ")
                << Shown(f.path, run.base_folder()) << "\n";
}

void PrintUndoFile(const TComponentReplacer& replacer) {
  if (replacer.UndoFilePath.empty()) return;
  std::cout << "Undo file: " << replacer.UndoFilePath << "\n";
  if (!replacer.EarlierUndoFile.empty())
    std::cout << res::Format(res::kEarlierUndoFile,
                             {replacer.EarlierUndoFile, replacer.UndoFilePath})
              << "\n";
}

// The JSON report, written as the log is: a link under its name is not
// followed, and a pipe there is refused rather than waited on.
void WriteReportFile(Disk& disk, const std::string& name, const RunReport& report) {
  const std::string path = Absolute(name);
  std::string why;
  if (!WriteOutputFile(disk, path, report.ToJson(), &why))
    throw EFCreateError("Cannot create file \"" + path + "\". " + why);
}

// Everything the run leaves after it: the report file, and on standard
// output the outcome, the places left and the summary.
void TellOutcome(const MigrateArgs& args, const RunSetup& run, const TimedOutcome& outcome,
                 const HtmlPage& page) {
  const RunReport& report = run.replacer().Report;
  if (!args.report.empty()) WriteReportFile(run.replacer().RunDisk(), args.report, report);
  WriteSarif(run, args.run);
  HtmlReportFacts facts;
  facts.seconds = outcome.seconds;
  facts.whole = outcome.ok && report.FilesNotMigrated() == 0 && run.replacer().Log.Error().empty();
  facts.outcome = args.dry_run ? "Dry run: no file was changed."
                               : OutcomeLine(outcome.ok, report.FilesNotMigrated());
  page.Write(run, args.run, facts);
  if (args.dry_run)
    PrintWouldChange(report);
  else
    PrintOutcome(outcome.ok, report.FilesNotMigrated());
  PrintUnconverted(report);
  NameOutsideUnits(report, run.base_folder(), std::cout, "Outside the project: ");
  if (args.todo) std::cout << FormatTodo(report.TodoParts(), args.run.all);
  PrintSummary(args, run, outcome.seconds);
  PrintUndoFile(run.replacer());
}

}  // namespace

Subcommand AddMigrateCommand(CLI::App& app) {
  auto args = std::make_shared<MigrateArgs>();
  CLI::App* migrate =
      app.add_subcommand("migrate", "Migrate the units and forms of a project or folder.");
  AddSourceOptions(migrate, args->run);
  AddBackupAndLogOptions(migrate, *args);
  AddRunOptions(migrate, *args);
  return {migrate,
          [args] {
            RequireProjectOrFolder(args->run);
            ChosenFamily(args->run.family);
          },
          [args] { return RunMigrate(*args); }, res::kReplaceFailed};
}

int RunMigrate(const MigrateArgs& args) {
  RunSetup run;
  if (const int code = run.Prepare(args.run); code != kExitOk) return code;
  SetRunOptions(args, run);
  ProgressLine progress(!args.quiet);
  FollowRun(args, run, progress);
  RunReport& report = run.replacer().Report;
  report.details = !args.report.empty();
  CheckAccountFiles(args, run.replacer().RunDisk());
  const HtmlPage page(args.html, run);
  const TimedOutcome outcome = ExecuteTimed(run.replacer());
  progress.Clear();
  // Every file the run meant to migrate and did not, with the reason.
  NameSkippedFiles(report, "not migrated");
  UseShownPaths(report, run.base_folder());
  TellOutcome(args, run, outcome, page);
  if (!outcome.ok) return kExitFailed;
  // A log that lost lines leaves the run without its full record: the
  // files are as the run says, but the run is not a complete success.
  const std::string& log_error = run.replacer().Log.Error();
  if (!log_error.empty())
    std::cerr << "tolvern: the log could not be written completely: " << log_error << "\n";
  bool data_whole = true;
  for (const AliasDataReport& r : report.data) data_whole = data_whole && r.Complete();
  return report.FilesNotMigrated() > 0 || !log_error.empty() || !data_whole ? kExitIncomplete
                                                                            : kExitOk;
}

}  // namespace tolvern::cli
