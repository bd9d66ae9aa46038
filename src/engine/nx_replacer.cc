#include "engine/nx_replacer.h"

#include <utility>
#include <vector>

#include "parsing/nx_form_parser.h"
#include "platform/class_registry.h"

namespace tolvern {

NXLibrary& Library() {
  static NXLibrary library;
  return library;
}

std::unique_ptr<TComponentReplacer> MakeProfileReplacer(const MappingProfile& profile,
                                                        TReplaceOptions* options) {
  auto shared = std::make_shared<const MappingProfile>(profile);
  auto replacer = std::make_unique<TComponentReplacer>(
      [shared] { return std::make_unique<TNXFormParser>(shared); }, profile.source_unit,
      profile.NewUnitsText(), options);
  for (const ClassMapping& m : profile.classes) {
    replacer->AddReplacement(m.from, m.to);
    if (!m.units.empty()) replacer->ClassUnits[m.from] = m.units;
  }
  for (const ClassPair& e : profile.exceptions) replacer->AddReplacement(e.from, e.to);
  replacer->ProfileFiles = profile.files;
  replacer->AliasRules = profile.aliases;
  replacer->AliasModuleUnit = profile.AliasModule();
  replacer->AliasModuleNamed = !profile.alias_module.empty();
  return replacer;
}

MappingProfile EffectiveProfile(Disk& disk, bool ado, const std::vector<std::string>& files) {
  MappingProfile profile = BuiltinProfile(ado);
  for (const std::string& f : files) ApplyProfile(&profile, ReadProfile(disk, f));
  return profile;
}

void NXReplacerStartup() {
  NXLibrary& lib = Library();
  if (lib.users++ > 0) return;
  // The target classes of the built-in profiles, for the registry's users.
  for (const ComponentClass& cls : BuiltinProfile(false).targets) RegisterClass(cls);
  lib.options = std::make_unique<TReplaceOptions>("BDE/ADO");
  lib.bde = MakeProfileReplacer(BuiltinProfile(false), lib.options.get());
  lib.ado = MakeProfileReplacer(BuiltinProfile(true), lib.options.get());
}

void NXReplacerShutdown() {
  NXLibrary& lib = Library();
  if (lib.users == 0 || --lib.users > 0) return;
  lib.bde.reset();
  lib.ado.reset();
  lib.options.reset();
}

}  // namespace tolvern
