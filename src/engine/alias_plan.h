// What becomes of each BDE alias of a run: the aliases the run's data sets
// give (database names that no database component of the run declares),
// each with what the profile maps it to: an existing component, a new
// connection in the connection module, or nothing (the data sets stay
// unbound, each with a to-do item).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/connection_module.h"
#include "engine/database_index.h"
#include "parsing/mapping_profile.h"

namespace tolvern {

// What the run does for an alias.
enum class AliasAction {
  kCreate,    // a new connection in the module
  kBind,      // an existing component
  kUnmapped,  // left for a person
};
namespace alias_action {
using enum AliasAction;
}  // namespace alias_action

// The word the reports show: "create", "bind", "unmapped".
std::string_view ToString(AliasAction action);

struct AliasOutcome {
  AliasUse use;
  AliasAction action = AliasAction::kUnmapped;
  std::string reference;       // what its data sets refer to: "Form.Component"; "" when unmapped
  NewConnection connection{};  // kCreate: the connection made for it
};

struct AliasPlan {
  std::vector<AliasOutcome> aliases;
  ConnectionModuleNames module;
  std::string unit_path;      // where the module's unit goes, when it is made
  std::vector<int> projects;  // the project files (by index in the run) that bring it in

  // The connections to create, in the order of the aliases.
  std::vector<NewConnection> NewConnections() const;
  // The root names of the forms that refer to a created connection.
  FoldedSet FormsNeedingModule() const;
};

// The plan for the aliases of uses under rules; module_unit names the unit
// of created connections. A new connection is named after its rule, else
// "con" and the alias (characters that cannot stand in a name as "_"), made
// unique in the module with a number.
AliasPlan PlanAliases(const std::vector<AliasUse>& uses, const std::vector<AliasRule>& rules,
                      const std::string& module_unit);

}  // namespace tolvern
