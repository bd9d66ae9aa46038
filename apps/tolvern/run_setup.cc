#include "run_setup.h"

#include <CLI/CLI.hpp>
#include <iostream>

#include "base/ascii_text.h"
#include "base/paths.h"
#include "cli_common.h"
#include "ide/ide_utils.h"
#include "platform/disk.h"
#include "platform/worker_pool.h"

namespace tolvern::cli {
namespace {

constexpr const char* kProjectProfileName = "tolvern.json";

// The profile files of a run, in the order they are laid over the built-in
// profile: the one the project carries (tolvern.json beside the project file
// or at the top of the folder), then those given.
std::vector<std::string> RunProfileFiles(Disk& disk, const RunArgs& args) {
  std::vector<std::string> files;
  const std::string dir =
      args.project.empty() ? Absolute(args.folder) : ExtractFileDir(Absolute(args.project));
  const std::string own = PathJoin(dir, kProjectProfileName);
  if (disk.FileExists(own)) files.push_back(own);
  for (const std::string& f : args.profiles) files.push_back(Absolute(f));
  return files;
}

// Whether a unit asked for is one of the names, whatever its letter case.
bool NamesUnit(const std::vector<std::string>& names, const std::string& unit) {
  for (const std::string& n : names)
    if (SameText(unit, n)) return true;
  return false;
}

// The file names of the open project's Pascal units, in the project's order.
std::vector<std::string> ProjectUnitNames() {
  std::vector<std::string> names;
  for (int m = 0; m < TIDEUtils::GetProjectModuleCount(); ++m) {
    std::string module;
    TIDEUtils::GetProjectModuleFileName(m, module);
    if (UpperCase(ExtractFileExt(module)) == ".PAS") names.push_back(ExtractFileName(module));
  }
  return names;
}

// The units a run takes, as the run's options list them: those asked for, in
// the project's order, or all of them when none was.
std::string PickedUnits(const std::vector<std::string>& names,
                        const std::vector<std::string>& asked) {
  std::string units;
  for (const std::string& n : names)
    if (asked.empty() || NamesUnit(asked, n)) units += n + "\r\n";
  return units;
}

}  // namespace

void RequireProjectOrFolder(const RunArgs& args) {
  if (args.project.empty() && args.folder.empty())
    throw CLI::RequiredError("--project or --folder");
}

int RunSetup::Prepare(const RunArgs& args) {
  // The profiles are read and checked before anything of the tree is.
  if (const int code = UseProfiles(args); code != kExitOk) return code;
  options().CodePage = args.code_page;
  options().DropOldUnits = args.drop_old_units;
  return args.project.empty() ? UseFolder(args) : UseProject(args);
}

int RunSetup::UseProfiles(const RunArgs& args) {
  profile_files_ = RunProfileFiles(disk_, args);
  const SourceFamily& family = *BuiltinProfile(ChosenFamily(args.family)).family;
  try {
    if (!profile_files_.empty())
      profiled_ =
          MakeProfileReplacer(EffectiveProfile(disk_, family.id, profile_files_), &options());
  } catch (const EProfileError& e) {
    Fail(e.what());
    return kExitUsage;
  }
  replacer_ = profiled_ ? profiled_.get() : LibraryReplacer(family.index);
  return kExitOk;
}

int RunSetup::UseProject(const RunArgs& args) {
  const std::string project = Absolute(args.project);
  if (!disk_.FileExists(project)) {
    Fail("project file \"" + project + "\" does not exist.");
    return kExitFailed;
  }
  host_.Load(project);
  options().Dest = RunSource::kProject;
  base_folder_ = ExtractFileDir(project);
  const std::vector<std::string> names = ProjectUnitNames();
  for (const std::string& u : args.units) {
    if (!NamesUnit(names, u)) {
      Fail("\"" + u + "\" is not a unit of the project \"" + project + "\".");
      return kExitUsage;
    }
  }
  options().Units = PickedUnits(names, args.units);
  options().FollowUses = args.follow_uses;
  return kExitOk;
}

int RunSetup::UseFolder(const RunArgs& args) {
  const std::string folder = Absolute(args.folder);
  if (!disk_.DirExists(folder)) {
    Fail("folder \"" + folder + "\" does not exist.");
    return kExitFailed;
  }
  options().Dest = RunSource::kFolder;
  options().Directory = folder;
  options().IncludeSubDirs = args.recursive;
  base_folder_ = folder;
  return kExitOk;
}

void NameSkippedFiles(const RunReport& report, const std::string& what) {
  for (const FileReport& f : report.files)
    if (f.outcome == FileOutcome::kSkipped)
      std::cerr << "tolvern: " << what << ": " << f.path << ": " << f.note << "\n";
}

}  // namespace tolvern::cli

namespace tolvern::cli {

void NameOutsideUnits(const RunReport& report, const std::string& base_folder, std::ostream& out,
                      const std::string& lead) {
  for (const FileReport& f : report.files)
    if (f.outcome == FileOutcome::kOutside)
      out << lead << Shown(f.path, base_folder) << ": " << f.note << "\n";
}

void AddFollowUsesOption(CLI::App* command, RunArgs& args, CLI::Option* project) {
  command
      ->add_flag("--follow-uses", args.follow_uses,
                 "Project mode: migrate too the units the project's units use that stand in its "
                 "folders but not in the project file (named otherwise)")
      ->needs(project);
}

void AddDropOldUnitsOption(CLI::App* command, RunArgs& args) {
  command->add_flag("--drop-old-units", args.drop_old_units,
                    "Take DBTables, DBIProcs, DBITypes, DBIErrs, BDE (ADODB with --ado) out of "
                    "the uses clauses where nothing left in the unit needs them");
}

void RunSetup::ListOnly(const RunArgs& args) const {
  TReplaceOptions& o = options();
  o.MakeBackup = false;
  o.WriteLog = false;
  o.ViewLog = false;
  o.DryRun = true;
  o.Jobs = WorkerPool::ThreadsFor(args.jobs);
  TComponentReplacer& r = replacer();
  r.Report.details = false;
  r.OnProgress = nullptr;
  r.OnFileChanged = nullptr;
}

}  // namespace tolvern::cli
