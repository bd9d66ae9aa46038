#include "engine/alias_plan.h"

namespace tolvern {

namespace {

std::string NameFromAlias(const std::string& alias) {
  std::string name = "con";
  for (char c : alias) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    name += ok ? c : '_';
  }
  return name;
}

}  // namespace

std::string_view ToString(AliasAction action) {
  switch (action) {
    case AliasAction::kCreate:
      return "create";
    case AliasAction::kBind:
      return "bind";
    case AliasAction::kUnmapped:
      return "unmapped";
  }
  return "";
}

std::vector<NewConnection> AliasPlan::NewConnections() const {
  // Aliases whose rules give one name share that connection.
  std::vector<NewConnection> connections;
  FoldedSet named;
  for (const AliasOutcome& a : aliases)
    if (a.action == alias_action::kCreate && named.insert(a.connection.name).second)
      connections.push_back(a.connection);
  return connections;
}

FoldedSet AliasPlan::FormsNeedingModule() const {
  FoldedSet forms;
  for (const AliasOutcome& a : aliases)
    if (a.action == alias_action::kCreate) forms.insert(a.use.forms.begin(), a.use.forms.end());
  return forms;
}

AliasPlan PlanAliases(const std::vector<AliasUse>& uses, const std::vector<AliasRule>& rules,
                      const std::string& module_unit) {
  AliasPlan plan;
  plan.module = ConnectionModuleNames::ForUnit(module_unit);
  FoldedSet taken{plan.module.module, plan.module.cls};
  // Names a rule gives are taken first, so that a made-up name never
  // takes one a rule asks for.
  // The rule of each alias by its name, letter case ignored: the last one
  // when several give it.
  FoldedMap<const AliasRule*> rule_of;
  for (const AliasRule& r : rules) {
    if (r.Creates() && !r.connection.empty()) taken.insert(r.connection);
    rule_of[r.alias] = &r;
  }
  for (const AliasUse& use : uses) {
    AliasOutcome out{use, alias_action::kUnmapped, ""};
    const auto found = rule_of.find(use.alias);
    const AliasRule* rule = found == rule_of.end() ? nullptr : found->second;
    if (rule && !rule->Creates()) {
      out.action = alias_action::kBind;
      out.reference = rule->bind;
    } else if (rule) {
      out.action = alias_action::kCreate;
      std::string name = rule->connection;
      if (name.empty()) {
        const std::string base = NameFromAlias(use.alias);
        name = base;
        for (int n = 2; taken.count(name); ++n) name = base + std::to_string(n);
        taken.insert(name);
      }
      out.connection = {name, use.alias, rule->properties};
      out.reference = plan.module.module + "." + name;
    }
    plan.aliases.push_back(std::move(out));
  }
  return plan;
}

}  // namespace tolvern
