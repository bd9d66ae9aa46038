#include "parsing/grammar_engine.h"

#include <algorithm>

#include "base/ascii_text.h"
#include "platform/large_stack.h"

namespace tolvern {

namespace {

// Deep parses run on a private stack this large (reserved, committed only as
// used), so kMaxDepth nested nonterminals fit whatever the caller's stack.
constexpr std::size_t kParseStackBytes = std::size_t{1} << 30;

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

class DepthGuard {
 public:
  explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int& depth_;
};

}  // namespace

TLL1Parser::TLL1Parser(StateClass state_class)
    : state_class_(std::move(state_class)), state_(state_class_(this)) {
  State = state_.get();
}

TLL1Parser::~TLL1Parser() = default;

TLL1Parser::Rule* TLL1Parser::FindRule(std::string_view name) {
  int i = RuleIndex(name);
  return i < 0 ? nullptr : &rules_[static_cast<size_t>(i)];
}

int TLL1Parser::RuleIndex(std::string_view name) const {
  auto it = std::lower_bound(
      rules_.begin(), rules_.end(), name,
      [](const Rule& r, std::string_view n) { return CompareText(r.name, n) < 0; });
  if (it == rules_.end() || CompareText(it->name, name) != 0) return -1;
  return static_cast<int>(it - rules_.begin());
}

void TLL1Parser::AddRule(std::string_view text) {
  if (prepared_) throw EAssertionFailed("Assertion failure (LL1Parser, line 117)");
  if (text.size() < 2) return;
  const std::string rule = LowerCase(text);
  const size_t close = RuleHeadEnd(rule);
  std::string name = rule.substr(0, close + 1);
  Rule* target = FindRule(name);
  if (target) {
    target->alternatives.clear();
  } else {
    auto at = std::lower_bound(
        rules_.begin(), rules_.end(), name,
        [](const Rule& r, const std::string& n) { return CompareText(r.name, n) < 0; });
    target = &*rules_.insert(at, Rule{name, {}, {}});
  }
  ReadAlternatives(rule, close + 2, target->alternatives);
}

void TLL1Parser::Prepare() {
  if (prepared_) return;
  RemoveEmptyAlternatives();
  SortAlternatives();
  Compile();
  FindPureRules();
  ComputeFirstSets();
  FindSharedPrefixes();
  prepared_ = true;
}

// Every use of a rule that can be empty is replaced by all combinations of
// its alternatives, leaving it out included, and the rule loses its empty
// alternative.
void TLL1Parser::RemoveEmptyAlternatives() {
  std::vector<std::string> names;
  for (const Rule& r : rules_) names.push_back(r.name);
  for (const std::string& name : names) {
    Rule* nullable = FindRule(name);
    auto& own = nullable->alternatives;
    if (std::find(own.begin(), own.end(), std::string()) == own.end()) continue;
    const std::vector<std::string> choices = own;
    for (Rule& r : rules_)
      if (&r != nullable) r.alternatives = ExpandUses(r.alternatives, name, choices);
    own = ExpandUses(own, name, choices);
    auto empty = std::find(own.begin(), own.end(), std::string());
    if (empty != own.end()) own.erase(empty);
  }
}

void TLL1Parser::SortAlternatives() {
  for (Rule& r : rules_) OrderAlternatives(r.alternatives);
}

int TLL1Parser::TerminalIndex(const std::string& name) {
  for (size_t i = 0; i < terminals_.size(); ++i)
    if (SameText(terminals_[i].name, name)) return static_cast<int>(i);
  Terminal t;
  t.name = name;
  try {
    GetCharSet(name, t.set, t.single);
  } catch (const EAssertionFailed&) {
    t.valid = false;  // raised when a parse reaches it
  }
  terminals_.push_back(std::move(t));
  return static_cast<int>(terminals_.size() - 1);
}

int TLL1Parser::TerminalIndexOf(std::string_view name) const {
  for (size_t i = 0; i < terminals_.size(); ++i)
    if (SameText(terminals_[i].name, name)) return static_cast<int>(i);
  return -1;
}

std::vector<TLL1Parser::Item> TLL1Parser::CompileAlternative(std::string_view alt) {
  std::vector<Item> items;
  for (size_t i = 0; i < alt.size();) {
    size_t len = ReferenceLength(alt, i);
    if (len == 0) {
      items.push_back({ItemKind::kLiteral, static_cast<unsigned char>(AsciiLower(alt[i])), 0});
      ++i;
      continue;
    }
    std::string ref(alt.substr(i, len));
    i += len;
    if (ref[1] == '*') {
      items.push_back({ItemKind::kTerminal, 0, TerminalIndex(ref)});
    } else if (int r = RuleIndex(ref); r >= 0) {
      items.push_back({ItemKind::kRule, 0, r});
    } else {
      unknown_names_.push_back(ref);
      items.push_back({ItemKind::kUnknownRule, 0, static_cast<int>(unknown_names_.size() - 1)});
    }
  }
  return items;
}

void TLL1Parser::Compile() {
  for (Rule& r : rules_) {
    r.compiled.clear();
    for (const std::string& alt : r.alternatives)
      r.compiled.push_back({CompileAlternative(alt), {}, false, 0, {}});
  }
}

void TLL1Parser::FindPureRules() {
  pure_.assign(rules_.size(), true);
  for (size_t r = 0; r < rules_.size(); ++r)
    if (ObservesRule(static_cast<int>(r))) pure_[r] = false;
  for (bool changed = true; changed;) {
    changed = false;
    for (size_t r = 0; r < rules_.size(); ++r) {
      if (!pure_[r]) continue;
      for (const auto& alt : rules_[r].compiled)
        for (const Item& item : alt.items)
          if (item.kind == ItemKind::kUnknownRule ||
              (item.kind == ItemKind::kRule && !pure_[static_cast<size_t>(item.index)]))
            pure_[r] = false;
      changed = changed || !pure_[r];
    }
  }
}

// An alternative that cannot start with the character at the position fails
// before it changes anything, so it need not be tried: the first sets let the
// engine pass over it without taking a snapshot.
void TLL1Parser::ComputeFirstSets() {
  auto merge = [](CharSet& into, const CharSet& from) {
    bool grew = false;
    for (size_t c = 0; c < 256; ++c)
      if (from[c] && !into[c]) into[c] = grew = true;
    return grew;
  };
  for (bool changed = true; changed;) {
    changed = false;
    for (Rule& r : rules_) {
      for (Compiled& alt : r.compiled) {
        if (alt.items.empty()) continue;
        const Item& first = alt.items[0];
        CharSet set{};
        switch (first.kind) {
          case ItemKind::kLiteral:
            set[first.ch] = true;
            if (first.ch >= 'a' && first.ch <= 'z') set[first.ch - 32] = true;
            break;
          case ItemKind::kTerminal: {
            const Terminal& t = terminals_[static_cast<size_t>(first.index)];
            if (!t.valid) continue;
            set = t.set;
            break;
          }
          case ItemKind::kRule:
            set = rules_[static_cast<size_t>(first.index)].first;
            break;
          case ItemKind::kUnknownRule:
            continue;
        }
        alt.filtered = true;
        changed = merge(alt.first, set) | changed;
        changed = merge(r.first, set) | changed;
      }
    }
  }
}

void TLL1Parser::FindSharedPrefixes() {
  auto same = [](const Item& x, const Item& y) {
    return x.kind == y.kind && x.ch == y.ch && x.index == y.index;
  };
  auto common = [&same](const Compiled& x, const Compiled& y) {
    size_t n = 0;
    while (n < x.items.size() && n < y.items.size() && same(x.items[n], y.items[n])) ++n;
    return static_cast<int>(n);
  };
  for (Rule& r : rules_) {
    for (size_t a = 0; a < r.compiled.size(); ++a) {
      Compiled& alt = r.compiled[a];
      alt.mark_at.assign(alt.items.size() + 1, false);
      for (size_t later = a + 1; later < r.compiled.size(); ++later) {
        const int n = common(alt, r.compiled[later]);
        if (later == a + 1) alt.shared_with_next = n;
        if (n > 0) alt.mark_at[static_cast<size_t>(n)] = true;
      }
    }
  }
}

std::vector<std::string> TLL1Parser::Alternatives(std::string_view rule) const {
  int i = RuleIndex(rule);
  return i < 0 ? std::vector<std::string>() : rules_[static_cast<size_t>(i)].alternatives;
}

bool TLL1Parser::Parse(std::string_view text, std::string_view start_rule, int& pos) {
  Prepare();
  Text = text;
  State->Pos = pos;
  BeforeParse();
  int start = RuleIndex(start_rule);
  if (start < 0) throw EGrammarError("Unknown nonterminal: " + std::string(start_rule));
  bool result = false;
  depth_ = 0;
  furthest_ = pos;
  memo_.clear();
  RunOnLargeStack(kParseStackBytes, [&] { result = ParseNonTerminal(start); });
  AfterParse(result);
  if (result) pos = State->Pos;
  return result;
}

bool TLL1Parser::ParseNonTerminal(int rule) {
  const Rule& r = rules_[static_cast<size_t>(rule)];
  if (!pure_[static_cast<size_t>(rule)]) return ParseAlternatives(r);
  const std::uint64_t key =
      (static_cast<std::uint64_t>(rule) << 40) | static_cast<std::uint32_t>(State->Pos);
  if (auto hit = memo_.find(key); hit != memo_.end()) {
    if (hit->second < 0) return false;
    State->Pos = hit->second;
    return true;
  }
  const bool matched = ParseAlternatives(r);
  memo_.emplace(key, matched ? State->Pos : -1);
  return matched;
}

// An alternative that fails after the items it shares with the next one
// leaves the state after those items behind, and the next alternative goes
// on from there instead of recognising them again: their result depends on
// the state they start from only. Without this, the last nested object of
// every list would be recognised once per alternative that begins with it,
// which doubles the work with each level of nesting.
bool TLL1Parser::ParseAlternatives(const Rule& rule) {
  DepthGuard guard(depth_);
  if (depth_ > kMaxDepth) throw EGrammarError("Text nested too deeply to parse.");
  if (frames_.size() < static_cast<size_t>(depth_)) frames_.push_back({state_class_(this), {}, {}});
  Frame& frame = frames_[static_cast<size_t>(depth_ - 1)];
  const int text_size = static_cast<int>(Text.size());
  const int start = State->Pos;
  const bool at_end = start < 1 || start > text_size;
  const unsigned char next =
      at_end ? 0 : static_cast<unsigned char>(Text[static_cast<size_t>(start - 1)]);
  frame.start->Assign(*State);
  bool dirty = false;  // the state has moved since the start
  size_t marks = 0;    // saved prefix states that hold for the current alternative
  int failed_at = -1;  // the item at which the previous alternative failed
  for (size_t a = 0; a < rule.compiled.size(); ++a) {
    const Compiled& alt = rule.compiled[a];
    if (a > 0) {
      const int shared = rule.compiled[a - 1].shared_with_next;
      while (marks > 0 && frame.mark_items[marks - 1] > shared) --marks;
      // The same leading items fail the same way.
      if (failed_at >= 0 && failed_at < shared) continue;
    }
    failed_at = 0;
    if (alt.filtered && (at_end || !alt.first[next])) continue;
    int from = 0;
    if (marks > 0) {
      State->Assign(*frame.marks[marks - 1]);
      from = frame.mark_items[marks - 1];
    } else if (dirty) {
      State->Assign(*frame.start);
    }
    dirty = true;
    if (MatchItems(alt, from, frame, marks, failed_at)) return true;
  }
  if (dirty) State->Assign(*frame.start);
  return false;
}

bool TLL1Parser::MatchItems(const Compiled& alt, int from, Frame& frame, size_t& marks,
                            int& failed_at) {
  const int text_size = static_cast<int>(Text.size());
  const int count = static_cast<int>(alt.items.size());
  for (int i = from; i < count; ++i) {
    if (i > from && alt.mark_at[static_cast<size_t>(i)]) {
      if (frame.marks.size() <= marks) {
        frame.marks.push_back(state_class_(this));
        frame.mark_items.push_back(0);
      }
      frame.marks[marks]->Assign(*State);
      frame.mark_items[marks++] = i;
    }
    const Item& item = alt.items[static_cast<size_t>(i)];
    bool matched = true;
    switch (item.kind) {
      case ItemKind::kLiteral: {
        int p = State->Pos;
        matched =
            p >= 1 && p <= text_size &&
            static_cast<unsigned char>(AsciiLower(Text[static_cast<size_t>(p - 1)])) == item.ch;
        if (matched) State->Pos = p + 1;
        break;
      }
      case ItemKind::kTerminal:
        matched = MatchTerminal(item.index);
        break;
      case ItemKind::kRule:
        matched = ParseNonTerminal(item.index);
        break;
      case ItemKind::kUnknownRule:
        throw EGrammarError("Unknown nonterminal: " +
                            unknown_names_[static_cast<size_t>(item.index)]);
    }
    if (!matched) {
      furthest_ = std::max(furthest_, State->Pos);
      failed_at = i;
      return false;
    }
  }
  return true;
}

bool TLL1Parser::MatchTerminal(int terminal) {
  const Terminal& t = terminals_[static_cast<size_t>(terminal)];
  if (!t.valid) throw EAssertionFailed("Assertion failure (LL1Parser, line 202)");
  const int size = static_cast<int>(Text.size());
  int p = State->Pos;
  if (p < 1) return false;
  int end = p;
  while (end <= size && t.set[static_cast<unsigned char>(Text[static_cast<size_t>(end - 1)])]) {
    ++end;
    if (t.single) break;
  }
  State->Pos = end;
  return end > p;
}

void TLL1Parser::GetCharSet(std::string_view name, CharSet& set, bool& single) {
  set.fill(false);
  single = false;
  auto range = [&set](int from, int to) {
    for (int c = from; c <= to; ++c) set[static_cast<size_t>(c)] = true;
  };
  auto letters = [&] {
    range('A', 'Z');
    range('a', 'z');
    set['_'] = true;
  };
  auto symbols = [&] {
    range(1, 255);
    set['\''] = false;
  };
  if (name == "<*chars_or_digits>") {
    letters();
    range('0', '9');
  } else if (name == "<*symbols>") {
    symbols();
  } else if (name == "<*digits>") {
    range('0', '9');
  } else if (name == "<*char>") {
    letters();
    single = true;
  } else if (name == "<*symbol>") {
    symbols();
    single = true;
  } else if (name == "<*digit>") {
    range('0', '9');
    single = true;
  } else if (name == "<*hexs>") {
    range('0', '9');
    range('A', 'F');
    range('a', 'f');
  } else {
    throw EAssertionFailed("Assertion failure (LL1Parser, line 202)");
  }
}

}  // namespace tolvern
