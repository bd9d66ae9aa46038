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
  if (shared->family)
    replacer->Family = std::shared_ptr<const SourceFamily>(shared, &*shared->family);
  replacer->ProfileFiles = profile.files;
  replacer->AliasRules = profile.aliases;
  replacer->AliasModuleUnit = profile.AliasModule();
  replacer->AliasModuleNamed = !profile.alias_module.empty();
  return replacer;
}

MappingProfile EffectiveProfile(Disk& disk, std::string_view family,
                                const std::vector<std::string>& files) {
  MappingProfile profile = BuiltinProfile(family);
  for (const std::string& f : files) ApplyProfile(&profile, ReadProfile(disk, f));
  return profile;
}

void NXReplacerStartup() {
  NXLibrary& lib = Library();
  if (lib.users++ > 0) return;
  // The target classes of the built-in profiles, for the registry's users.
  const std::vector<MappingProfile>& families = BuiltinProfiles();
  for (const ComponentClass& cls : families.front().targets) RegisterClass(cls);
  lib.options = std::make_unique<TReplaceOptions>("BDE/ADO");
  lib.bde = MakeProfileReplacer(families[0], lib.options.get());
  lib.ado = MakeProfileReplacer(families[1], lib.options.get());
  for (size_t i = 2; i < families.size(); ++i)
    lib.more.push_back(MakeProfileReplacer(families[i], lib.options.get()));
}

TComponentReplacer* LibraryReplacer(size_t index) {
  NXLibrary& lib = Library();
  if (index == 0) return lib.bde.get();
  if (index == 1) return lib.ado.get();
  return index - 2 < lib.more.size() ? lib.more[index - 2].get() : nullptr;
}

void NXReplacerShutdown() {
  NXLibrary& lib = Library();
  if (lib.users == 0 || --lib.users > 0) return;
  lib.bde.reset();
  lib.ado.reset();
  lib.more.clear();
  lib.options.reset();
}

}  // namespace tolvern
