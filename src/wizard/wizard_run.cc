#include "wizard/wizard_run.h"

#include "base/errors.h"
#include "base/finally.h"
#include "engine/nx_replacer.h"
#include "files/file_utils.h"
#include "parsing/mapping_profile.h"

namespace tolvern {

namespace {
// The profile a project carries beside its project file (or at the top of
// the folder), as the command line takes it.
constexpr const char* kProjectProfileName = "tolvern.json";
}  // namespace

std::vector<std::string> WizardProfileFiles(Disk& disk, const WizardModel& wizard) {
  std::vector<std::string> files;
  const std::string dir =
      wizard.DestProject ? ExtractFileDir(wizard.ProjectFileName) : wizard.Directory;
  const std::string own = PathJoin(dir, kProjectProfileName);
  if (!dir.empty() && disk.FileExists(own)) files.push_back(own);
  if (!wizard.ProfileFile.empty()) files.push_back(wizard.ProfileFile);
  return files;
}

TComponentReplacer* WizardRunReplacer(Disk& disk, const WizardModel& wizard,
                                      TComponentReplacer& base, bool with_choices,
                                      std::unique_ptr<TComponentReplacer>* own) {
  const std::vector<std::string> files = WizardProfileFiles(disk, wizard);
  const bool choices = with_choices && !wizard.Aliases.ProfileText().empty();
  if (files.empty() && !choices) return &base;
  MappingProfile profile = EffectiveProfile(disk, base.SourceFamilyOf()->id, files);
  if (choices) ApplyProfile(&profile, wizard.Aliases.Profile());
  *own = MakeProfileReplacer(profile, base.Options);
  (*own)->Context = base.Context;
  (*own)->ProfileFiles = files;
  return own->get();
}

std::vector<AliasReport> ScanWizardAliases(Disk& disk, const WizardModel& wizard,
                                           TComponentReplacer& base) {
  TReplaceOptions& options = *base.Options;
  const TReplaceOptions saved = options;
  Finally put_back([&options, &saved] { options = saved; });
  wizard.ApplyTo(options);
  options.DryRun = true;
  options.WriteLog = false;
  options.ViewLog = false;
  try {
    std::unique_ptr<TComponentReplacer> own;
    TComponentReplacer* run = WizardRunReplacer(disk, wizard, base, false, &own);
    run->Execute();
    return run->Report.aliases;
  } catch (const std::exception&) {
    // The scan only offers choices: a tree that cannot be read is told by
    // the run itself.
    return {};
  }
}

}  // namespace tolvern
