// The classes a project derives from other classes, learnt from the class
// declarations of its units ("TAppQuery = class(TQuery)"), so that the
// objects of a descendant of a mapped class are converted as the mapped
// ancestor's are. A chain of descendants resolves to the first mapped class
// up the chain.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "parsing/pascal_scanner.h"

namespace tolvern {

class TDescendantClasses {
 public:
  // Reads every class declaration with an ancestor in one Pascal text. A
  // class declared again replaces what an earlier declaration said.
  void LearnFrom(std::string_view unit_text);
  // The same, from the text's significant tokens.
  void LearnFrom(const PasTokens& unit_tokens);
  // Whether a part of a Pascal text may declare a class with an ancestor:
  // it holds the word "class" with "(" after it, blanks between. A quick
  // look at the bytes (a comment or string may say so too), for a part that
  // is then read only when it may.
  static bool MayDeclare(std::string_view text);
  // Takes what another set learnt from units that come after this set's:
  // a class both declare ends as the later declaration says.
  void Absorb(TDescendantClasses&& later);
  void Clear() { classes_.clear(); }
  bool Empty() const { return classes_.empty(); }

  // The first class up the ancestor chain of cls (cls itself excluded) for
  // which is_mapped holds, or "" when the chain leaves the learnt classes
  // first. Letter case is ignored; a cycle in the declarations ends the walk.
  std::string MappedAncestor(std::string_view cls,
                             const std::function<bool(const std::string&)>& is_mapped) const;

  // The properties the classes from cls up to (not including) ancestor
  // declare with a type of their own ("property Audit: Boolean ..."):
  // properties a mapped ancestor does not have but the descendant does.
  std::vector<std::string> OwnProperties(std::string_view cls, std::string_view ancestor) const;

 private:
  struct ClassInfo {
    std::string ancestor;  // as written, without a unit qualifier
    std::vector<std::string> own_properties;
  };
  const ClassInfo* Find(std::string_view cls) const;

  std::unordered_map<std::string, ClassInfo> classes_;  // by upper-case name
};

}  // namespace tolvern
