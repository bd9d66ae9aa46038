// The replacer a wizard run takes, and the wizard's scan for aliases: the
// library's replacer of the chosen mode, or, where the project carries a
// profile ("tolvern.json" beside it), the person chose one, or the Aliases
// step says what becomes of an alias, a replacer built from the built-in
// profile with those laid over it in that order, as `tolvern migrate
// --profile` builds it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/component_replacer.h"
#include "engine/run_report.h"
#include "platform/disk.h"
#include "wizard/wizard_model.h"

namespace tolvern {

// The profile files of the run the pages describe, in the order they are
// laid over the built-in one.
std::vector<std::string> WizardProfileFiles(Disk& disk, const WizardModel& wizard);

// base itself, or a replacer of *own built for the pages' profiles (and,
// with choices, the Aliases step's choices); throws EProfileError for a
// profile that cannot be used.
TComponentReplacer* WizardRunReplacer(Disk& disk, const WizardModel& wizard,
                                      TComponentReplacer& base, bool with_choices,
                                      std::unique_ptr<TComponentReplacer>* own);

// The aliases a dry run of the pages' choices finds (none when it cannot
// run); the options are as they were afterwards.
std::vector<AliasReport> ScanWizardAliases(Disk& disk, const WizardModel& wizard,
                                           TComponentReplacer& base);

}  // namespace tolvern
