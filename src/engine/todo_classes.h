// The class tables of the to-do list: what the scanners need of a replacer,
// and the names the units of a run declare with a mapped class.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ascii_text.h"
#include "engine/todo_item.h"
#include "engine/unit_todo.h"
#include "parsing/pascal_scanner.h"
#include "parsing/source_family.h"

namespace tolvern {

class TComponentReplacer;

// A member that a target class lacks: what to do in code, and what its drop
// from a form means (form_level: a note or a warning; form_advice, when
// given, replaces advice there, "%v" standing for the value).
struct MemberGap {
  std::string target;
  std::string advice;
  TodoLevel form_level;
  std::string form_advice;
  TodoKind kind;  // kErrorHandling for the members of an exception
};

// What the scanners need of a replacer: its family and the target class of
// every class name it knows, source names and target names alike, so that
// a unit reads the same before and after its migration.
struct TodoClasses {
  std::string family;  // the source unit of the family, "DBTables" or "ADODB"
  // The family: its rows, which the maps below point into, live as long as
  // this does.
  std::shared_ptr<const SourceFamily> source;
  FoldedMap<std::string> target_of;  // by name
  // Names that the units of a run declare with a mapped class, so that
  // dmOrders.qryOrders.Member is known in every unit, not only in the one
  // that declares qryOrders.
  FoldedMap<std::string> names;  // name -> target class
  NameFilter names_filter;       // of the keys of names
  // The classes the units of a run declare: parents, and fields of mapped
  // classes, so that a descendant knows its ancestors' objects.
  ClassLineage lineage;

  // The interface rows of the family by name: identifiers
  // ("name" rows) and units of uses clauses ("unit" rows); and the "prefix"
  // rows.
  FoldedMap<const TodoInterface*> interface_names, interface_units;
  // The "handler" rows by exception class, source and target names alike.
  FoldedMap<const TodoInterface*> handlers;
  NameFilter interface_names_filter;
  std::vector<const TodoInterface*> interface_prefixes;
  // The member rows of the family by member: target class and advice, for
  // targets that do not publish the member.
  FoldedMap<std::vector<MemberGap>> members;

  // Takes what a unit declares (DeclaredNames); a name or field known
  // already ends as the later unit declares it.
  void LearnNames(UnitDeclarations declared);
  // What a unit declares: its names of mapped classes (name -> target
  // class) and its classes' lineage, from its text and its significant
  // tokens.
  UnitDeclarations DeclaredNames(std::string_view unit_text, PasTokens tokens) const;

  static TodoClasses Of(const TComponentReplacer& replacer);
  // The target class of a class name (letter case ignored), or "".
  std::string TargetOf(std::string_view cls) const;
  // The same without a copy: nullptr for a class the run does not map.
  const std::string* FindTarget(std::string_view cls) const {
    auto it = target_of.find(cls);
    return it == target_of.end() ? nullptr : &it->second;
  }
  const std::string* FindTarget(const FoldedKey& cls) const {
    auto it = target_of.find(cls);
    return it == target_of.end() ? nullptr : &it->second;
  }
  // The advice for a member of an object whose class has that target, or
  // "" when the target class has the member or it is not listed.
  std::string MemberAdvice(const std::string& target, std::string_view member) const;
  // The same with the form's part: nullptr when there is no gap.
  const MemberGap* FindMember(const std::string& target, std::string_view member) const;
};

}  // namespace tolvern
