#include "engine/todo_classes.h"

#include <utility>

#include "engine/component_replacer.h"
#include "engine/todo_list.h"
#include "engine/unit_todo.h"
#include "platform/class_registry.h"

namespace tolvern {

TodoClasses TodoClasses::Of(const TComponentReplacer& replacer) {
  TodoClasses c;
  c.source = replacer.SourceFamilyOf();
  c.family = c.source->SourceUnit();
  for (int i = 0; i < replacer.OldNames.Count(); ++i) {
    const std::string target = replacer.NewNames[replacer.OldNames.Object(i)];
    c.target_of[replacer.OldNames[i]] = target;
    c.target_of[target] = target;
  }
  for (const TodoMember& row : c.source->todo.members) {
    std::vector<std::string> targets;
    if (row.cls == kAnyDataset)
      targets = c.source->datasets;
    else if (std::string t = c.TargetOf(row.cls); !t.empty())
      targets = {t};
    for (const std::string& target : targets) {
      // A member the target class publishes is no gap, whatever the table says.
      if (const ComponentClass* cls = GetClass(target);
          cls && cls->HasProperty(std::string(row.member)))
        continue;
      auto& list = c.members[std::string(row.member)];
      bool listed = false;
      for (const MemberGap& entry : list) listed = listed || entry.target == target;
      if (!listed)
        list.push_back({target, std::string(row.advice),
                        ParseTodoLevel(row.dropped).value_or(todo_level::kNote),
                        std::string(row.form_advice),
                        // Exception classes are named E..., as Pascal has it.
                        row.cls.starts_with('E') ? todo_kind::kErrorHandling : todo_kind::kMember});
    }
  }
  for (const TodoInterface& row : c.source->todo.interfaces) {
    if (row.match == "prefix") {
      c.interface_prefixes.push_back(&row);
    } else if (row.match == "unit") {
      c.interface_units[std::string(row.name)] = &row;
    } else if (row.match == "handler") {
      c.handlers[std::string(row.name)] = &row;
      if (std::string t = c.TargetOf(row.name); !t.empty()) c.handlers[t] = &row;
    } else {
      c.interface_names[std::string(row.name)] = &row;
      c.interface_names_filter.Add(row.name);
    }
  }
  return c;
}

void TodoClasses::LearnNames(UnitDeclarations declared) {
  for (auto& [name, target] : declared.names) {
    names_filter.Add(name);
    names[name] = std::move(target);
  }
  lineage.Absorb(std::move(declared.lineage));
}

// Read by the unit scanner itself, so that a name learnt from one unit
// means in another what it means in the unit's own scan.
UnitDeclarations TodoClasses::DeclaredNames(std::string_view unit_text, PasTokens tokens) const {
  return FindDeclaredNames(unit_text, std::move(tokens), *this);
}

std::string TodoClasses::TargetOf(std::string_view cls) const {
  const std::string* target = FindTarget(cls);
  return target ? *target : std::string();
}

const MemberGap* TodoClasses::FindMember(const std::string& target, std::string_view member) const {
  auto rows = members.find(member);
  if (rows == members.end()) return nullptr;
  for (const MemberGap& gap : rows->second)
    if (gap.target == target) return &gap;
  return nullptr;
}

std::string TodoClasses::MemberAdvice(const std::string& target, std::string_view member) const {
  const MemberGap* gap = FindMember(target, member);
  return gap ? gap->advice : std::string();
}

}  // namespace tolvern
