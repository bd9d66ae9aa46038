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
// entry of the list.
struct TodoMember {
  std::string_view family;
  std::string_view cls;
  std::string_view member;
  std::string_view advice;
};

// An identifier of the source family's API with no counterpart. match:
// "name" (the identifier, letter case ignored), "prefix" (identifiers that
// begin with name followed by a capital letter, letter case as written) or
// "unit" (the name in a uses clause).
struct TodoInterface {
  std::string_view family;
  std::string_view match;
  std::string_view name;
  std::string_view advice;
};

const std::vector<TodoMember>& TodoMembers();
const std::vector<TodoInterface>& TodoInterfaces();

}  // namespace tolvern
