#include "parsing/mapping_profile.h"

#include <algorithm>
#include <unordered_set>

#include "base/ascii_text.h"
#include "parsing/alias_key.h"
#include "parsing/family_reader.h"
#include "parsing/form_parser.h"
#include "parsing/json_locator.h"
#include "parsing/profile_reader.h"
#include "platform/disk.h"

namespace tolvern {

namespace {

using profile_json::Json;

Json RuleJson(const PropertyRule& r) {
  switch (r.kind) {
    case PropertyRule::Kind::kKeep:
      return "keep";
    case PropertyRule::Kind::kDrop:
      return r.reason == drop_reason::kNotPublished ? Json("drop") : Json{{"drop", r.reason}};
    case PropertyRule::Kind::kCode:
      return Json{{"code", r.code}};
    case PropertyRule::Kind::kRename:
      break;
  }
  Json j{{"rename", r.to}};
  if (r.database_lookup) j["lookup"] = "database";
  if (!r.values.empty()) {
    Json values = Json::object();
    for (const auto& [from, to] : r.values) values[from] = to;
    j["values"] = values;
  }
  return j;
}

Json RulesJson(const PropertyRules& rules) {
  Json j = Json::object();
  for (const auto& [name, rule] : rules) j[name] = RuleJson(rule);
  return j;
}

// Lays the rules of overlay over those of base, by property name.
void ApplyRules(PropertyRules* base, const PropertyRules& overlay) {
  for (const auto& [name, rule] : overlay) {
    auto it =
        std::find_if(base->begin(), base->end(), [&](const auto& r) { return r.first == name; });
    if (it != base->end())
      it->second = rule;
    else
      base->emplace_back(name, rule);
  }
}

// Lays the alias rules of overlay over those of base, by alias name (letter
// case ignored): a hash look-up each, however many aliases there are.
void ApplyAliases(std::vector<AliasRule>* base, const std::vector<AliasRule>& overlay) {
  FoldedMap<size_t> at;
  for (size_t i = 0; i < base->size(); ++i) at.try_emplace((*base)[i].alias, i);
  for (const AliasRule& a : overlay) {
    auto [it, added] = at.try_emplace(a.alias, base->size());
    if (added)
      base->push_back(a);
    else
      (*base)[it->second] = a;
  }
}

template <typename T>
void EraseFrom(std::vector<T>* list, const std::string& from) {
  list->erase(std::remove_if(list->begin(), list->end(),
                             [&](const T& x) { return SameText(x.from, from); }),
              list->end());
}
}  // namespace

std::string MappingProfile::NewUnitsText() const {
  std::string text;
  if (new_units)
    for (const std::string& u : *new_units) text += ", " + u;
  return text;
}

const PropertyRule* MappingProfile::FindRule(std::string_view source_class,
                                             std::string_view property) const {
  for (const ClassMapping& m : classes) {
    if (m.from != source_class) continue;
    for (const auto& [name, rule] : m.properties)
      if (name == property) return &rule;
    break;
  }
  for (const auto& [name, rule] : properties)
    if (name == property) return &rule;
  return nullptr;
}

const AliasRule* MappingProfile::FindAlias(std::string_view alias) const {
  for (const AliasRule& a : aliases)
    if (SameText(a.alias, alias)) return &a;
  return nullptr;
}

const ComponentClass* MappingProfile::FindTarget(std::string_view name) const {
  for (const ComponentClass& c : targets)
    if (SameText(c.name, name)) return &c;
  return nullptr;
}

MappingProfile ParseProfile(std::string_view text, std::vector<std::string>* problems) {
  if (text.size() > kMaxProfileBytes) {
    problems->push_back("larger than " + std::to_string(kMaxProfileBytes >> 20) +
                        " MB, the limit for a profile (" + std::to_string(text.size()) + " bytes)");
    return {};
  }
  const char* reached = text.data();
  profile_json::LocatingReader reader(text, &reached, kMaxProfileNesting);
  profile_json::LocateJson(text, &reader, &reached);
  if (!reader.error.empty()) {
    problems->push_back(reader.error);
    return {};
  }
  problems->insert(problems->end(), reader.duplicates.begin(), reader.duplicates.end());
  return profile_json::ReadProfileJson(reader.root, problems, &reader);
}

MappingProfile ReadProfile(Disk& disk, const std::string& path) {
  std::string text, why;
  if (!disk.ReadFile(path, &text, &why))
    throw EProfileError("profile \"" + path + "\" cannot be read: " + why);
  std::vector<std::string> problems;
  MappingProfile p = ParseProfile(text, &problems);
  if (!problems.empty()) {
    std::string more;
    if (problems.size() > 1)
      more = " (and " + std::to_string(problems.size() - 1) +
             " more; tolvern profile --check lists them)";
    throw EProfileError("profile \"" + path + "\": " + problems[0] + more);
  }
  p.files.push_back(path);
  return p;
}

void ApplyProfile(MappingProfile* base, const MappingProfile& overlay) {
  if (!overlay.name.empty()) base->name = overlay.name;
  if (!overlay.source_unit.empty()) base->source_unit = overlay.source_unit;
  if (overlay.new_units) base->new_units = overlay.new_units;
  for (const ClassMapping& m : overlay.classes) {
    EraseFrom(&base->exceptions, m.from);
    auto it = std::find_if(base->classes.begin(), base->classes.end(),
                           [&](const ClassMapping& c) { return SameText(c.from, m.from); });
    if (it == base->classes.end()) {
      base->classes.push_back(m);
      continue;
    }
    // The class keeps its first spelling: rules match it as forms spell it.
    it->to = m.to;
    ApplyRules(&it->properties, m.properties);
    if (!m.units.empty()) it->units = m.units;
  }
  for (const ClassPair& e : overlay.exceptions) {
    EraseFrom(&base->classes, e.from);
    EraseFrom(&base->exceptions, e.from);
    base->exceptions.push_back(e);
  }
  ApplyRules(&base->properties, overlay.properties);
  for (const ComponentClass& t : overlay.targets) {
    auto it = std::find_if(base->targets.begin(), base->targets.end(),
                           [&](const ComponentClass& c) { return SameText(c.name, t.name); });
    if (it != base->targets.end())
      *it = t;
    else
      base->targets.push_back(t);
  }
  if (!overlay.todo.empty()) base->todo = overlay.todo;
  if (overlay.family) base->family = overlay.family;
  ApplyAliases(&base->aliases, overlay.aliases);
  if (!overlay.alias_module.empty()) base->alias_module = overlay.alias_module;
  base->files.insert(base->files.end(), overlay.files.begin(), overlay.files.end());
}

std::string ProfileJson(const MappingProfile& p) {
  Json j = Json::object();
  j["name"] = p.name;
  j["sourceUnit"] = p.source_unit;
  j["newUnits"] = p.new_units ? *p.new_units : std::vector<std::string>();
  Json classes = Json::array();
  for (const ClassMapping& m : p.classes) {
    Json c{{"from", m.from}, {"to", m.to}};
    if (!m.properties.empty()) c["properties"] = RulesJson(m.properties);
    if (!m.units.empty()) c["units"] = m.units;
    classes.push_back(c);
  }
  j["classes"] = classes;
  Json exceptions = Json::array();
  for (const ClassPair& e : p.exceptions) exceptions.push_back({{"from", e.from}, {"to", e.to}});
  j["exceptions"] = exceptions;
  j["properties"] = RulesJson(p.properties);
  Json targets = Json::array();
  for (const ComponentClass& t : p.targets)
    targets.push_back({{"name", t.name}, {"published", t.published}});
  j["targets"] = targets;
  if (!p.todo.empty()) j["todo"] = Json::parse(p.todo);
  if (!p.aliases.empty()) {
    Json aliases = Json::object();
    std::unordered_set<std::string> keys;
    for (const AliasRule& a : p.aliases) {
      std::string key = AliasKey(a.alias);
      if (keys.insert(key).second)
        profile_json::AppendNew(aliases, std::move(key), Json::parse(a.json));
      else
        aliases[key] = Json::parse(a.json);  // a later rule of the same name wins
    }
    j["aliases"] = aliases;
  }
  if (!p.alias_module.empty()) j["aliasModule"] = p.alias_module;
  if (p.family) j["family"] = profile_json::FamilyJson(*p.family);
  return j.dump(2) + "\n";
}

}  // namespace tolvern
