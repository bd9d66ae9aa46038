// The library-wide objects: the shared run options and the two replacers, one
// for the BDE components (and their InfoPower variants), one for the ADO
// components, built from the built-in mapping profiles (their class tables,
// uses-clause edits and property conversions); and the target classes
// registered with their published properties.
#pragma once

#include "engine/component_replacer.h"
#include "engine/replace_options.h"
#include "parsing/mapping_profile.h"

namespace tolvern {

extern TReplaceOptions* ReplaceOptions;
extern TComponentReplacer* BdeReplacer;  // replacer index 0
extern TComponentReplacer* AdoReplacer;  // replacer index 1

// A replacer for a mapping profile: its source unit and new units, its class
// and exception pairs, a form parser with its conversions.
std::unique_ptr<TComponentReplacer> MakeProfileReplacer(const MappingProfile& profile,
                                                        TReplaceOptions* options);
// The built-in BDE or ADO profile with the profile files laid over it, in
// order; throws EProfileError for the first file that cannot be used.
MappingProfile EffectiveProfile(bool ado, const std::vector<std::string>& files);

// Builds the objects on the first call from the built-in profiles; later
// calls only count.
void NXReplacerStartup();
// Frees the BDE replacer, the ADO replacer and the options, in this order,
// when the last user is gone.
void NXReplacerShutdown();

// Start-up and shut-down for the life of a scope.
class NXReplacerScope {
 public:
  NXReplacerScope() { NXReplacerStartup(); }
  ~NXReplacerScope() { NXReplacerShutdown(); }
  NXReplacerScope(const NXReplacerScope&) = delete;
  NXReplacerScope& operator=(const NXReplacerScope&) = delete;
};

}  // namespace tolvern
