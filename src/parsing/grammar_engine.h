// A parsing engine driven by a grammar given at run time as rule strings:
// top-down, ordered choice with backtracking, and committed choice (a
// nonterminal that has matched is never re-entered to try a later
// alternative). The alternatives of every rule are put into a fixed order
// once, before the first parse; at parse time rules, alternatives and
// character classes are plain indices, and the text is never copied. An
// alternative that begins with the items of one that failed after them goes
// on from the state those items left instead of recognising them again, so
// nested lists cost time in proportion to their text at any depth.
//
// Rule notation: "<name>-alt1|alt2|...". An alternative is a sequence of
// literal characters and references: "<rule>" names another rule, "<*class>"
// a built-in character class. "\nn" is the character of code nn, "\x" the
// character x. Rules and literals are case-insensitive.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/errors.h"
#include "parsing/grammar_rules.h"

namespace tolvern {

class TLL1Parser;

// The state of a parse that is saved before each alternative and restored when
// it fails. Subclasses add fields and extend Assign so that their own side
// effects roll back with it.
class TParseState {
 public:
  explicit TParseState(TLL1Parser* owner) : Owner(owner) {}
  virtual ~TParseState() = default;
  virtual void Assign(const TParseState& source) { Pos = source.Pos; }
  void SetPos(int pos) { Pos = pos; }

  int Pos = 1;  // 1-based index of the next character; length + 1 is the end
  TLL1Parser* Owner;
};

// Makes the state objects of an engine: the current state and the snapshots.
using StateClass = std::function<std::unique_ptr<TParseState>(TLL1Parser*)>;

template <typename S>
StateClass StateClassOf() {
  return [](TLL1Parser* owner) { return std::make_unique<S>(owner); };
}

using CharSet = std::array<bool, 256>;

class TLL1Parser {
 public:
  explicit TLL1Parser(StateClass state_class);
  virtual ~TLL1Parser();
  TLL1Parser(const TLL1Parser&) = delete;
  TLL1Parser& operator=(const TLL1Parser&) = delete;

  // Reads one rule string. Throws EGrammarError "Cannot add rule. Invalid
  // rule format." for a head without its closing ">" before the last
  // character, or a "\" as the last character.
  void AddRule(std::string_view rule);

  // Recognises start_rule in text from the 1-based position pos. On success
  // pos is set just after the recognised text. The text must stay alive while
  // the caller uses what the parse captured.
  bool Parse(std::string_view text, std::string_view start_rule, int& pos);

  // Prepares the grammar (done by the first Parse): removes empty
  // alternatives and puts the alternatives in their fixed order.
  void Prepare();
  bool Prepared() const { return prepared_; }

  // The alternatives of a rule as texts (after preparation: in the order they
  // are tried), or an empty list for an unknown rule.
  std::vector<std::string> Alternatives(std::string_view rule) const;

  // The 1-based position of the furthest character the last parse tested
  // and found wrong: where a text that does not match leaves the grammar.
  int FurthestPos() const { return furthest_; }

  // The deepest nesting of nonterminals a parse may reach; beyond it the
  // parse fails with EGrammarError instead of exhausting the stack.
  static constexpr int kMaxDepth = 200000;

 protected:
  // Sets the characters of a built-in class and whether it matches exactly one
  // character (single) or the longest run of at least one.
  virtual void GetCharSet(std::string_view class_name, CharSet& set, bool& single);
  // Recognises the rule with that index at State->Pos.
  virtual bool ParseNonTerminal(int rule);
  // Recognises the built-in class with that index at State->Pos.
  virtual bool MatchTerminal(int terminal);
  // Whether the subclass acts on this rule when it is recognised. Rules that
  // are not observed and reach no observed rule have no effect but the
  // position, so their results are remembered per position within a parse
  // instead of being recognised again after a backtrack. The default observes
  // every rule and remembers nothing.
  virtual bool ObservesRule(int rule) const {
    (void)rule;
    return true;
  }
  virtual void BeforeParse() {}
  virtual void AfterParse(bool& result) { (void)result; }

  // The index of a built-in class used by the grammar, by name, or -1.
  int TerminalIndexOf(std::string_view name) const;
  // The index of a rule by name (case-insensitive), or -1.
  int RuleIndex(std::string_view name) const;
  const std::string& RuleName(int rule) const { return rules_[static_cast<size_t>(rule)].name; }

  std::string_view Text;
  TParseState* State = nullptr;

 private:
  enum class ItemKind : std::uint8_t { kLiteral, kTerminal, kRule, kUnknownRule };
  struct Item {
    ItemKind kind;
    unsigned char ch;
    int index;  // terminal, rule, or unknown-name index
  };
  struct Compiled {
    std::vector<Item> items;
    // The characters the alternative can start with; an alternative whose
    // first item is an unknown rule is always tried (so that it raises).
    CharSet first{};
    bool filtered = false;
    // How many leading items the alternative has in common with the next one.
    int shared_with_next = 0;
    // Per number of leading items: whether a later alternative begins with
    // exactly those items, so that the state after them is worth keeping.
    std::vector<bool> mark_at;
  };
  // The saved states of one depth of the parse: the state before the rule,
  // and the states after the leading items of the alternative being tried.
  struct Frame {
    std::unique_ptr<TParseState> start;
    std::vector<std::unique_ptr<TParseState>> marks;
    std::vector<int> mark_items;
  };
  struct Rule {
    std::string name;
    std::vector<std::string> alternatives;  // texts, as read and prepared
    std::vector<Compiled> compiled;
    CharSet first{};
  };
  struct Terminal {
    std::string name;
    CharSet set{};
    bool single = false;
    bool valid = true;
  };

  Rule* FindRule(std::string_view name);
  void RemoveEmptyAlternatives();
  void SortAlternatives();
  void Compile();
  std::vector<Item> CompileAlternative(std::string_view alt);
  int TerminalIndex(const std::string& name);
  bool ParseAlternatives(const Rule& rule);
  void FindPureRules();
  void ComputeFirstSets();
  void FindSharedPrefixes();
  bool MatchItems(const Compiled& alt, int from, Frame& frame, size_t& marks, int& failed_at);

  StateClass state_class_;
  std::unique_ptr<TParseState> state_;
  std::vector<Rule> rules_;  // sorted by name, case-insensitively
  std::vector<Terminal> terminals_;
  std::vector<std::string> unknown_names_;
  std::deque<Frame> frames_;  // one per depth; deeper ones are added without moving these
  int depth_ = 0;
  int furthest_ = 0;
  std::vector<bool> pure_;                       // per rule: result depends on position only
  std::unordered_map<std::uint64_t, int> memo_;  // (rule, pos) -> end pos, or -1
  bool prepared_ = false;
};

}  // namespace tolvern
