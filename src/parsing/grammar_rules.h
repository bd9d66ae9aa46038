// The rules of a grammar as texts, before the engine compiles them (the
// notation is described in grammar_engine.h): reading a rule string into its
// alternatives, and the rewrites the engine makes on those texts when it
// prepares the grammar.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"

namespace tolvern {

class EGrammarError : public Exception {
 public:
  using Exception::Exception;
};

// The index of the ">" that closes the name of a rule string "<name>-...".
// Throws EGrammarError when there is none before the last character.
size_t RuleHeadEnd(std::string_view rule);

// Appends the alternatives of a rule string, read from `from` (just after
// the "-"), with their escapes decoded. A "|" at the very end adds an empty
// alternative. Throws EGrammarError for a "\" as the last character; the
// alternatives read before it stay appended.
void ReadAlternatives(std::string_view rule, size_t from, std::vector<std::string>& alternatives);

// The length of the reference that starts at alt[i], or 0 when the character
// there is a literal: a reference starts at a "<" followed by a character
// that is neither "<" nor ">", and ends at the next ">", unless another "<"
// or the end of the alternative comes first.
size_t ReferenceLength(std::string_view alt, size_t i);

// Puts alternatives in the order they are tried: those that begin with a
// literal, then those that begin with a built-in class, then those that
// begin with a nonterminal; within each group, later texts (letter case
// ignored) first, and equal ones in the order they came.
void OrderAlternatives(std::vector<std::string>& alternatives);

// The alternatives with every use of the rule `name` replaced by each of
// `choices` in turn, leaving it out included when a choice is empty: one
// alternative per combination, the first use varying slowest, duplicates
// (letter case ignored) dropped.
std::vector<std::string> ExpandUses(const std::vector<std::string>& alternatives,
                                    std::string_view name, const std::vector<std::string>& choices);

}  // namespace tolvern
