// The lineage of the classes the units of a run declare, as the to-do list
// needs it: each class's parent and the fields it declares with a mapped
// class, so that a descendant's code and form know the objects of every
// ancestor of the run ("TfrmCust = class(TfrmBase)" has TfrmBase's
// qryList). The tables are filled once per run, unit by unit, and looked up
// by class name in any letter case; the fields a unit's classes inherit are
// gathered into one table per unit, so that a token costs one look-up
// however many ancestors its classes have.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii_text.h"
#include "parsing/pascal_scanner.h"

namespace tolvern {

// A class a unit declares: "TName = class(TParent) ... end", its body the
// tokens from body to end (indexes into the unit's significant tokens).
struct UnitClass {
  std::string_view name, parent;
  size_t body = 0, end = 0;
};

// The classes a unit declares, in text order, from its significant tokens
// (comments left out). A unit-qualified parent ("Forms.TForm") is named
// without its unit; "class of" and forward declarations are no classes.
std::vector<UnitClass> ReadUnitClasses(const PasTokens& tokens);

class ClassLineage {
 public:
  // A class's parent; a class declared again with a parent takes the later
  // one, and one declared again without a parent keeps what it had.
  void SetParent(std::string_view cls, std::string_view parent);
  // A field of a class declared with a mapped class; declared again, it
  // ends with its later target.
  void SetField(std::string_view cls, std::string_view name, const std::string& target);
  // Takes what another lineage learnt from units that come after this one's:
  // parents and fields as if they had been set here one after the other.
  void Absorb(ClassLineage&& later);
  bool empty() const { return classes_.empty(); }

  // The parent of cls, or nullptr when the run knows none.
  const std::string* ParentOf(std::string_view cls) const;
  // The target of field name of cls itself (not of its ancestors), or nullptr.
  const std::string* FieldOf(std::string_view cls, std::string_view name) const;
  // The fields of the classes named, the nearest first: a name two of them
  // declare keeps the target of the one named first.
  FoldedMap<std::string> FieldsOf(const std::vector<std::string>& classes) const;

 private:
  struct Entry {
    std::string parent;  // "" while no declaration named one
    FoldedMap<std::string> fields;
  };
  FoldedMap<Entry> classes_;
};

}  // namespace tolvern
