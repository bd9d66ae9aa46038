// A source family: the components one migration replaces (the BDE's, ADO's),
// as its mapping profile describes them under "family". What the engine
// asks of the family instead of naming one: its database class and the
// property that names a database, its source unit, the Nexa classes that
// "@dataset" stands for in its to-do rows, and those rows.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/ascii_text.h"

namespace tolvern {

// A member of a source class that its target class lacks. cls a source
// class, or "@dataset" for every source class whose target is one of the
// family's Nexa datasets. A row applies to every source class with the same
// target class as cls (TTable and TwwTable alike). member
// "Params.Values['USER NAME']" stands for that entry of the list. advice is
// for code, where the member will not compile (empty for a member the Nexa
// class has as a TDataSet, which only its form drop concerns); dropped says
// what the run's drop of the property from a form means: "note" (nothing to
// do) or "warning" (a person must re-create its value, as form_advice says
// when given, "%v" standing for the value).
struct TodoMember {
  std::string cls;
  std::string member;
  std::string advice;
  std::string dropped;
  std::string form_advice = {};
};

// An identifier of the source family's API with no counterpart. match:
// "name" (the identifier), "prefix" (identifiers that begin with name and go
// on with a capital letter, or with any letter or digit when name ends in
// "_"), "unit" (the name in a uses clause) or "handler" (the exception class
// of an "on E: Class do" handler in a unit that uses the source unit);
// letter case is ignored, as the compiler ignores it. kind is the to-do
// kind, "interface" unless given. level: "error" when code that uses the
// name with the Nexa classes will not compile, "warning" when it compiles
// (the source unit stays in the uses clauses) but acts on the source
// library, which the Nexa components never see; "note" for what the run did.
struct TodoInterface {
  std::string match;
  std::string name;
  std::string advice;
  std::string level;
  std::string kind = "interface";
};

// A value of a source property that the run's value table drops, and what
// a person sets instead: the Nexa value that means the same, or, where the
// Nexa property has none, the values it has. cls as for TodoMember.
struct TodoValue {
  std::string cls;
  std::string property;
  std::string value;
  std::string advice;
};

// The rows of the to-do list that differ from one family to the next.
struct FamilyTodo {
  std::vector<TodoMember> members;
  std::vector<TodoValue> values;
  std::vector<TodoInterface> interfaces;
  // The advice for a data set whose database no database of the run
  // declares, "%v" standing for the name it gives.
  std::string no_database;
};

inline constexpr const char* kAnyDataset = "@dataset";

struct SourceFamily {
  std::string id;            // the name the command line takes: "bde"
  std::string display_name;  // as the wizard shows it: "BDE"
  // The family's own units; the first is its source unit, the one its
  // replacer searches uses clauses for.
  std::vector<std::string> units;
  // The class of the components that declare a database, and the property
  // that names it (on the database and on the data sets that use it).
  std::string database_class;
  std::string database_property;
  std::vector<std::string> datasets;  // the Nexa classes "@dataset" stands for
  // The replacer's index among the built-in families (the wizard's mode);
  // -1 for a family read from a file of its own.
  int index = -1;
  FamilyTodo todo;

  const std::string& SourceUnit() const { return units.front(); }
  // Whether the unit is one of the family's own (letter case ignored).
  bool OwnsUnit(std::string_view unit) const {
    for (const std::string& u : units)
      if (SameText(u, unit)) return true;
    return false;
  }
};

}  // namespace tolvern
