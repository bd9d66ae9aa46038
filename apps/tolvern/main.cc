// tolvern: the command-line face of the migration engine.
//
//   tolvern migrate (--project FILE.dpr | --folder DIR) [options]
//   tolvern todo (--project FILE.dpr | --folder DIR) [--ado] [--profile FILE.json]...
//   tolvern restore UNDOFILE
//   tolvern profile (--show [--ado] [--profile FILE.json]... | --check FILE.json...)
//
// Exit codes: 0 success, 1 the run or restore failed, 2 usage errors (a
// profile that cannot be used among them),
// 3 the run completed but left files not migrated (each named on standard
// error).
#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include "platform/windows_api.h"
#endif

#include <CLI/CLI.hpp>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/system_texts.h"
#include "engine/nx_replacer.h"
#include "engine/todo_list.h"
#include "files/file_utils.h"
#include "files/form_converter.h"
#include "files/unified_diff.h"
#include "ide/ide_utils.h"
#include "ide/project_host.h"
#include "platform/disk.h"
#include "platform/text_encoding.h"
#include "platform/worker_pool.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"

namespace {

using namespace tolvern;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitIncomplete = 3;

struct MigrateArgs {
  std::string project;
  std::string folder;
  bool recursive = false;
  bool ado = false;
  std::vector<std::string> units;
  std::string backup_dir;
  bool no_backup = false;
  bool no_log = false;
  bool view_log = false;
  bool quiet = false;
  bool dry_run = false;
  bool diff = false;
  bool todo = false;       // print the places left for a person
  bool todo_only = false;  // tolvern todo: only the list, nothing run
  std::string report;
  std::vector<std::string> profiles;
  int jobs = 0;  // 0: the machine's cores
};

std::string Absolute(const std::string& path) {
#ifdef _WIN32
  // "\" and "/" alike, drive letters and network shares: the system's own
  // full path, in UTF-16 so that no name passes through the ANSI code page.
  std::wstring wide = WidePath(path);
  DWORD n = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (n == 0) return path;
  std::wstring full(n, L'\0');
  n = ::GetFullPathNameW(wide.c_str(), n, full.data(), nullptr);
  full.resize(n);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return WideToUtf8(full);
#endif
  std::error_code ec;
  std::string abs = std::filesystem::absolute(path, ec).lexically_normal().string();
  if (ec) return path;
  while (abs.size() > 1 && abs.back() == kPathDelim) abs.pop_back();
  return abs;
}

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

void Fail(const std::string& message) { std::cerr << "tolvern: error: " << message << "\n"; }

// A file's text for display: decoded from its encoding, a binary form as its
// form text.
std::string DisplayText(const std::string& path) {
  std::string bytes = ReadWholeFile(path);
  if (IsBinaryForm(bytes)) {
    TRCData header;
    return ObjectBinaryToText(ReadFormResource(bytes, &header));
  }
  std::string text, why;
  return DecodeText(bytes, DetectEncoding(bytes), &text, &why) ? text : bytes;
}

// A path as the report and the listings show it: relative to the run's folder
// when it lies below it.
std::string Shown(const std::string& path, const std::string& base) {
  std::string prefix = PathJoin(base, "");
  return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

// ---- Mapping profiles ----

constexpr const char* kProjectProfileName = "tolvern.json";

// The profile files of a run, in the order they are laid over the built-in
// profile: the one the project carries (tolvern.json beside the project file
// or at the top of the folder), then those given.
std::vector<std::string> RunProfileFiles(const MigrateArgs& args) {
  std::vector<std::string> files;
  const std::string dir =
      args.project.empty() ? Absolute(args.folder) : ExtractFileDir(Absolute(args.project));
  const std::string own = PathJoin(dir, kProjectProfileName);
  if (CurrentDisk().FileExists(own)) files.push_back(own);
  for (const std::string& f : args.profiles) files.push_back(Absolute(f));
  return files;
}

struct ProfileArgs {
  bool show = false;
  bool ado = false;
  std::vector<std::string> check;
  std::vector<std::string> profiles;
};

// Prints the effective profile, or checks profile files and names every
// problem with its JSON path.
int RunProfile(const ProfileArgs& args) {
  if (args.check.empty()) {
    std::vector<std::string> files;
    for (const std::string& f : args.profiles) files.push_back(Absolute(f));
    std::cout << ProfileJson(EffectiveProfile(args.ado, files));
    return kExitOk;
  }
  int bad = 0;
  for (const std::string& f : args.check) {
    std::string text, why;
    std::vector<std::string> problems;
    if (CurrentDisk().ReadFile(Absolute(f), &text, &why))
      ParseProfile(text, &problems);
    else
      problems.push_back("cannot be read: " + why);
    for (const std::string& p : problems) std::cout << f << ": " << p << "\n";
    if (problems.empty()) std::cout << f << ": a valid profile\n";
    bad += problems.empty() ? 0 : 1;
  }
  return bad > 0 ? kExitFailed : kExitOk;
}

int RunMigrate(const MigrateArgs& args) {
  NXReplacerScope library;
  TReplaceOptions& options = *ReplaceOptions;
  // The profiles are read and checked before anything of the tree is.
  const std::vector<std::string> profile_files = RunProfileFiles(args);
  std::unique_ptr<TComponentReplacer> profiled;
  try {
    if (!profile_files.empty())
      profiled = MakeProfileReplacer(EffectiveProfile(args.ado, profile_files), &options);
  } catch (const EProfileError& e) {
    Fail(e.what());
    return kExitUsage;
  }
  TComponentReplacer& replacer = profiled ? *profiled : args.ado ? *AdoReplacer : *BdeReplacer;
  ProjectHost host;
  ScopedIdeServices services(&host);
  std::string base_folder;
  if (!args.project.empty()) {
    std::string project = Absolute(args.project);
    if (!CurrentDisk().FileExists(project)) {
      Fail("project file \"" + project + "\" does not exist.");
      return kExitFailed;
    }
    host.Load(project);
    options.Dest = RunSource::kProject;
    base_folder = ExtractFileDir(project);
    std::vector<std::string> names;
    for (int m = 0; m < TIDEUtils::GetProjectModuleCount(); ++m) {
      std::string module;
      TIDEUtils::GetProjectModuleFileName(m, module);
      if (UpperCase(ExtractFileExt(module)) == ".PAS") names.push_back(ExtractFileName(module));
    }
    for (const std::string& u : args.units) {
      bool known = false;
      for (const std::string& n : names) known = known || SameText(u, n);
      if (!known) {
        Fail("\"" + u + "\" is not a unit of the project \"" + project + "\".");
        return kExitUsage;
      }
    }
    std::string units;
    for (const std::string& n : names) {
      bool picked = args.units.empty();
      for (const std::string& u : args.units) picked = picked || SameText(u, n);
      if (picked) units += n + "\r\n";
    }
    options.Units = units;
  } else {
    std::string folder = Absolute(args.folder);
    if (!CurrentDisk().DirExists(folder)) {
      Fail("folder \"" + folder + "\" does not exist.");
      return kExitFailed;
    }
    options.Dest = RunSource::kFolder;
    options.Directory = folder;
    options.IncludeSubDirs = args.recursive;
    base_folder = folder;
  }
  if (args.todo_only) {
    // The list comes from a dry run that leaves no log: nothing is touched.
    options.MakeBackup = false;
    options.WriteLog = false;
    options.ViewLog = false;
    options.DryRun = true;
    options.Jobs = WorkerPool::ThreadsFor(args.jobs);
    replacer.Report.details = false;
    replacer.OnProgress = nullptr;
    replacer.OnFileChanged = nullptr;
    replacer.Execute();
    RunReport& report = replacer.Report;
    for (const FileReport& f : report.files)
      if (f.outcome == "skipped")
        std::cerr << "tolvern: not read: " << f.path << ": " << f.note << "\n";
    std::vector<TodoItem> items = report.Todo();
    for (TodoItem& t : items) t.file = Shown(t.file, base_folder);
    std::cout << FormatTodo(items) << "to do: " << items.size() << "\n";
    return report.FilesNotMigrated() > 0 ? kExitIncomplete : kExitOk;
  }
  options.MakeBackup = !args.no_backup;
  options.BackupDir =
      args.backup_dir.empty() ? PathJoin(base_folder, "RBackup") : Absolute(args.backup_dir);
  options.WriteLog = !args.no_log;
  options.ViewLog = args.view_log;
  options.DryRun = args.dry_run;
  options.Jobs = WorkerPool::ThreadsFor(args.jobs);

  ProgressLine progress(!args.quiet);
  replacer.OnProgress = [&progress](int i, int n, const std::string& f) { progress.Show(i, n, f); };
  const bool color = isatty(STDOUT_FILENO);
  if (args.diff) {
    replacer.OnFileChanged = [&](const std::string& original, const std::string& rewritten) {
      progress.Clear();
      std::string shown = Shown(original, base_folder);
      std::cout << UnifiedDiff(DisplayText(original), DisplayText(rewritten), "a/" + shown,
                               "b/" + shown, color);
    };
  }
  replacer.Report.details = !args.report.empty();
  const auto start = std::chrono::steady_clock::now();
  bool ok = replacer.Execute();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  progress.Clear();
  RunReport& report = replacer.Report;
  // Every file the run meant to migrate and did not, with the reason.
  for (const FileReport& f : report.files)
    if (f.outcome == "skipped")
      std::cerr << "tolvern: not migrated: " << f.path << ": " << f.note << "\n";
  for (FileReport& f : report.files) {
    f.path = Shown(f.path, base_folder);
    for (TodoItem& t : f.todo) t.file = f.path;
  }
  if (!args.report.empty()) WriteWholeFile(Absolute(args.report), report.ToJson());
  if (args.dry_run) {
    for (const FileReport& f : report.files)
      if (f.outcome == "changed")
        std::cout << "would change: " << f.path << " (" << f.changes << " change(s))\n";
    std::cout << "Dry run: no file was changed.\n";
  }
  const int left = report.FilesNotMigrated();
  if (!args.dry_run) {
    if (!ok)
      std::cout << res::kReplaceFailed << "\n";
    else if (left > 0)
      std::cout << res::Format(res::kReplaceIncomplete, {std::to_string(left)}) << "\n";
    else
      std::cout << res::kReplaceSucceeded << "\n";
  }
  // Objects left unconverted make their forms fail to load: each is named.
  for (const FileReport& f : report.files)
    for (const UnparsedObject& u : f.unparsed)
      std::cout << "Not converted: " << f.path << "(" << u.line << "): object " << u.name
                << " of class " << u.cls << ": " << u.reason << "\n";
  const int todo = report.TodoCount();
  if (args.todo) std::cout << FormatTodo(report.TodoParts());
  char time[32];
  std::snprintf(time, sizeof time, "%.2f", seconds);
  const int dropped = report.PropertiesDropped();
  for (const std::string& f : profile_files)
    std::cout << res::Format(res::kProfileUsed, {f}) << "\n";
  std::cout << "Files scanned: " << report.files.size()
            << "; units changed: " << report.FilesChanged("unit") + report.FilesChanged("project")
            << "; forms changed: " << report.FilesChanged("form")
            << "; objects rewritten: " << report.ObjectsRewritten()
            << "; properties dropped: " << dropped
            << (dropped && args.report.empty() ? " (--report FILE lists them)" : "")
            << "; not migrated: " << left << "; to do: " << todo
            << (todo && !args.todo ? " (--todo lists them)" : "") << "; time: " << time << " s\n";
  if (!replacer.UndoFilePath.empty()) {
    std::cout << "Undo file: " << replacer.UndoFilePath << "\n";
    if (!replacer.EarlierUndoFile.empty())
      std::cout << res::Format(res::kEarlierUndoFile,
                               {replacer.EarlierUndoFile, replacer.UndoFilePath})
                << "\n";
  }
  if (!ok) return kExitFailed;
  return left > 0 ? kExitIncomplete : kExitOk;
}

int RunRestore(const std::string& undo_file) {
  NXReplacerScope library;
  std::string path = Absolute(undo_file);
  if (!CurrentDisk().FileExists(path)) {
    Fail("undo file \"" + path + "\" does not exist.");
    std::cout << res::kRestoreFailed << "\n";
    return kExitFailed;
  }
  bool ok = BdeReplacer->RestoreFiles(path);
  if (!ok) Fail(BdeReplacer->RestoreError);
  std::cout << (ok ? res::kRestoreSucceeded : res::kRestoreFailed) << "\n";
  return ok ? kExitOk : kExitFailed;
}

int RunForm(bool to_text, const std::string& in, const std::string& out) {
  std::string source = Absolute(in);
  if (!CurrentDisk().FileExists(source)) {
    Fail("form file \"" + source + "\" does not exist.");
    return kExitFailed;
  }
  std::string target = out.empty() ? source : Absolute(out);
  bool converted =
      ConvertFormFile(source, target, to_text ? FormStorage::kText : FormStorage::kBinary);
  if (!converted)
    std::cout << source << " is already a " << (to_text ? "text" : "binary") << " form.\n";
  return kExitOk;
}

#ifdef _WIN32
// The arguments as UTF-8, from the wide command line: main's own argv is in
// the ANSI code page, which cannot hold every file name.
std::vector<std::string> Utf8Arguments() {
  std::vector<std::string> args;
  int count = 0;
  if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) args.push_back(WideToUtf8(wide[i]));
    ::LocalFree(wide);
  }
  return args;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  std::vector<std::string> utf8_args = Utf8Arguments();
  std::vector<char*> utf8_argv;
  for (std::string& a : utf8_args) utf8_argv.push_back(a.data());
  utf8_argv.push_back(nullptr);
  if (!utf8_args.empty()) {
    argc = static_cast<int>(utf8_args.size());
    argv = utf8_argv.data();
  }
  // Output as on every system: UTF-8, lines ending in a line feed.
  ::SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  std::setlocale(LC_TIME, "");
  // A write past the file-size limit fails with an error the run reports,
  // instead of ending the process.
#ifdef SIGXFSZ
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  CLI::App app{"Migrates Object Pascal applications from BDE and ADO components to Nexa."};
  app.require_subcommand(1);
  app.footer(
      "Exit codes: 0 success; 1 the run or restore failed; 2 usage error; 3 the run completed, "
      "N files not migrated (each named on standard error).");
  app.set_version_flag("--version", "tolvern 0.1.0");

  MigrateArgs margs;
  CLI::App* migrate =
      app.add_subcommand("migrate", "Migrate the units and forms of a project or folder.");
  auto* project = migrate->add_option("--project", margs.project,
                                      "Project file (.dpr) whose units are migrated");
  auto* folder = migrate->add_option("--folder", margs.folder,
                                     "Folder whose .pas and .dpr files are migrated");
  project->excludes(folder);
  migrate->add_flag("--recursive,-r", margs.recursive, "Folder mode: walk sub-folders too")
      ->needs(folder);
  migrate->add_flag("--ado", margs.ado, "Migrate ADO components (default: BDE)");
  migrate
      ->add_option("--units", margs.units,
                   "Project mode: unit file names to migrate (default: all)")
      ->delimiter(',')
      ->needs(project);
  auto* backup =
      migrate->add_option("--backup-dir", margs.backup_dir,
                          "Backup folder (default: RBackup in the project or target folder)");
  migrate->add_flag("--no-backup", margs.no_backup, "Do not back up changed originals")
      ->excludes(backup);
  migrate->add_flag("--no-log", margs.no_log, "Do not write Wiz_Log.txt");
  migrate->add_flag("--view-log", margs.view_log,
                    "Open the log in the desktop's viewer afterwards");
  migrate->add_flag("--quiet,-q", margs.quiet, "No progress line");
  migrate->add_flag("--dry-run,-n", margs.dry_run,
                    "Rewrite in a work folder only and show what would change; touch nothing");
  migrate->add_flag("--diff", margs.diff, "Print a unified diff of every changed file");
  migrate->add_option("--report", margs.report, "Write a JSON account of the run to FILE");
  migrate
      ->add_option("--jobs,-j", margs.jobs,
                   "Files rewritten at once (default: the machine's cores, at most 8; 1: one "
                   "after the other)")
      ->check(CLI::Range(1, 1024));
  migrate->add_flag("--todo", margs.todo,
                    "List every place left for a person: file:line:col: kind: text \u2014 advice");

  MigrateArgs targs;
  targs.todo_only = true;
  CLI::App* todo = app.add_subcommand(
      "todo", "List every place a migration would leave for a person, without running it.");
  auto* tproject =
      todo->add_option("--project", targs.project, "Project file (.dpr) whose units are read");
  auto* tfolder =
      todo->add_option("--folder", targs.folder, "Folder whose .pas and .dpr files are read");
  tproject->excludes(tfolder);
  todo->add_flag("--recursive,-r", targs.recursive, "Folder mode: walk sub-folders too")
      ->needs(tfolder);
  todo->add_flag("--ado", targs.ado, "The ADO components (default: BDE)");
  todo->add_option("--profile", targs.profiles,
                   "Lay a mapping profile (JSON) over the built-in one; repeatable, in order");
  todo->add_option("--jobs,-j", targs.jobs,
                   "Files read at once (default: the machine's cores, at most 8; 1: one after "
                   "the other)")
      ->check(CLI::Range(1, 1024));

  std::string undo_file;
  CLI::App* restore =
      app.add_subcommand("restore", "Put back the originals listed in an undo file.");
  restore->add_option("UNDOFILE", undo_file, "The undo file (ZUvezod.reu) of an earlier run")
      ->required();

  bool to_text = false, to_binary = false;
  std::string form_in, form_out;
  CLI::App* form = app.add_subcommand("form", "Convert a form file to text or to binary.");
  auto* text_flag = form->add_flag("--to-text", to_text, "Binary form to form text");
  form->add_flag("--to-binary", to_binary, "Form text to binary form")->excludes(text_flag);
  form->add_option("IN", form_in, "The form file (.dfm)")->required();
  form->add_option("-o,--output", form_out, "Where to write (default: replace IN)");

  migrate->add_option("--profile", margs.profiles,
                      "Lay a mapping profile (JSON) over the built-in one; repeatable, in order");

  ProfileArgs pargs;
  CLI::App* profile =
      app.add_subcommand("profile", "Show the effective mapping profile, or check profile files.");
  auto* show = profile->add_flag("--show", pargs.show, "Print the effective profile as JSON");
  profile->add_option("--check", pargs.check, "Check profile files; name every problem")
      ->excludes(show);
  profile->add_flag("--ado", pargs.ado, "The ADO profile (default: BDE)")->needs(show);
  profile->add_option("--profile", pargs.profiles, "Lay these profiles over the built-in one")
      ->needs(show);

  try {
    app.parse(argc, argv);
    if (profile->parsed() && !pargs.show && pargs.check.empty())
      throw CLI::RequiredError("--show or --check");
    if (form->parsed() && !to_text && !to_binary)
      throw CLI::RequiredError("--to-text or --to-binary");
    if (migrate->parsed() && margs.project.empty() && margs.folder.empty())
      throw CLI::RequiredError("--project or --folder");
    if (todo->parsed() && targs.project.empty() && targs.folder.empty())
      throw CLI::RequiredError("--project or --folder");
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  }

  try {
    if (migrate->parsed()) return RunMigrate(margs);
    if (todo->parsed()) return RunMigrate(targs);
    if (form->parsed()) return RunForm(to_text, form_in, form_out);
    if (profile->parsed()) return RunProfile(pargs);
    return RunRestore(undo_file);
  } catch (const Exception& e) {
    Fail(e.Detail().empty() ? e.what() : std::string(e.what()) + " " + e.Detail());
    if (migrate->parsed()) std::cout << res::kReplaceFailed << "\n";
    if (restore->parsed()) std::cout << res::kRestoreFailed << "\n";
    return kExitFailed;
  } catch (const std::exception& e) {
    Fail(e.what());
    if (migrate->parsed()) std::cout << res::kReplaceFailed << "\n";
    if (restore->parsed()) std::cout << res::kRestoreFailed << "\n";
    return kExitFailed;
  }
}
