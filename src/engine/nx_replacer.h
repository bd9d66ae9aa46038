// The library-wide objects: the shared run options and the two replacers, one
// for the BDE components (and their InfoPower variants), one for the ADO
// components, with their class tables and uses-clause edits; and the target
// classes registered with their published properties.
#pragma once

#include "engine/component_replacer.h"
#include "engine/replace_options.h"

namespace tolvern {

extern TReplaceOptions* ReplaceOptions;
extern TComponentReplacer* BdeReplacer;  // replacer index 0
extern TComponentReplacer* AdoReplacer;  // replacer index 1

// Builds the objects on the first call; later calls only count.
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
