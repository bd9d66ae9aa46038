// What the Nexa classes do not have: the members of the BDE and ADO classes
// with no counterpart on their Nexa class (with advice, and the Nexa member
// to use where there is one), and the BDE and ADO interfaces that have no
// Nexa counterpart at all. The to-do classes (todo_classes.h) and the unit
// scan (unit_todo.h) read them; adding a member is one line here.
#pragma once

#include <string_view>
#include <vector>

namespace tolvern {

// A member of a source class that its target class lacks. family is the
// source unit of the replacer ("DBTables", "ADODB"); cls a source class, or
// "@dataset" for every source class whose target is a Nexa dataset
// (TNXQuery, TNXTable, TNXStoredProc). A row
// applies to every source class with the same target class as cls (TTable
// and TwwTable alike). member "Params.Values['USER NAME']" stands for that
// entry of the list. advice is for code, where the member will not compile
// (empty for a member the Nexa class has as a TDataSet, which only its form
// drop concerns);
// dropped says what the run's drop of the property from a form means:
// "note" (nothing to do) or "warning" (a person must re-create its value,
// as form_advice says when given, "%v" standing for the value).
struct TodoMember {
  std::string_view family;
  std::string_view cls;
  std::string_view member;
  std::string_view advice;
  std::string_view dropped;
  std::string_view form_advice = {};
};

// An identifier of the source family's API with no counterpart. match:
// "name" (the identifier), "prefix" (identifiers that begin with name and go
// on with a capital letter, or with any letter or digit when name ends in
// "_"), "unit" (the name in a uses clause) or "handler" (the exception class
// of an "on E: Class do" handler in a unit that uses the source unit);
// letter case is ignored, as the compiler ignores it. kind is the to-do
// kind, "interface" unless given. level: "error" when code that uses
// the name with the Nexa classes will not compile, "warning" when it
// compiles (the source unit stays in the uses clauses) but acts on the
// source library, which the Nexa components never see.
struct TodoInterface {
  std::string_view family;
  std::string_view match;
  std::string_view name;
  std::string_view advice;
  std::string_view level;
  std::string_view kind = "interface";
};

// A value of a source property that the run's value table drops, and what
// a person sets instead: the Nexa value that means the same, or, where the
// Nexa property has none, the values it has. family and cls as for
// TodoMember.
struct TodoValue {
  std::string_view family;
  std::string_view cls;
  std::string_view property;
  std::string_view value;
  std::string_view advice;
};

const std::vector<TodoMember>& TodoMembers();
const std::vector<TodoValue>& TodoValues();
const std::vector<TodoInterface>& TodoInterfaces();

}  // namespace tolvern
