#include "parsing/grammar_engine.h"

#include <gtest/gtest.h>

namespace tolvern {
namespace {

using Alts = std::vector<std::string>;

std::unique_ptr<TLL1Parser> Engine(std::initializer_list<const char*> rules) {
  auto p = std::make_unique<TLL1Parser>(StateClassOf<TParseState>());
  for (const char* r : rules) p->AddRule(r);
  return p;
}

TEST(LL1ParserTest, ReadsAlternativesAndEscapes) {
  struct Case {
    const char* rule;
    const char* name;
    Alts alts;
  } cases[] = {
      {"<a>-x|", "<a>", {"x", ""}},
      {"<a>-|x", "<a>", {"", "x"}},
      {"<a>-x||y", "<a>", {"x", "", "y"}},
      {"<a>-", "<a>", {}},
      {"<c>-\\60<d>\\62", "<c>", {"<<d>>"}},
      {"<x>-a\\|b", "<x>", {"a|b"}},
      {"<z>-\\124|q", "<z>", {"|", "q"}},
      {"<y>-\\\\|\\316", "<y>", {"\\", "<"}},  // 316 & 0xFF = 60
      {"<UP>-ABC", "<up>", {"abc"}},
  };
  for (const Case& c : cases) {
    auto p = Engine({c.rule});
    EXPECT_EQ(p->Alternatives(c.name), c.alts) << c.rule;
  }
}

TEST(LL1ParserTest, MalformedRules) {
  for (const char* bad : {"<a>", "<abc", "<a>-x\\"}) {
    TLL1Parser p(StateClassOf<TParseState>());
    try {
      p.AddRule(bad);
      FAIL() << bad;
    } catch (const EGrammarError& e) {
      EXPECT_STREQ(e.what(), "Cannot add rule. Invalid rule format.") << bad;
    }
  }
  // The head read before the error stays, with the alternatives completed.
  auto p = Engine({});
  EXPECT_THROW(p->AddRule("<a>-x|y\\"), EGrammarError);
  EXPECT_EQ(p->Alternatives("<a>"), (Alts{"x"}));
  // One character is ignored; a later rule of the same name replaces it.
  p->AddRule("x");
  p->AddRule("<b>-1");
  p->AddRule("<B>-2");
  EXPECT_EQ(p->Alternatives("<b>"), (Alts{"2"}));
}

TEST(LL1ParserTest, PreparationOrders) {
  auto p = Engine({"<s>-+|-|", "<i>-<s><*digits>"});
  p->Prepare();
  EXPECT_EQ(p->Alternatives("<i>"), (Alts{"-<*digits>", "+<*digits>", "<*digits>"}));
  EXPECT_EQ(p->Alternatives("<s>"), (Alts{"-", "+"}));

  p = Engine({"<p>-<x>|<x><p>|a|<*digit>", "<x>-y"});
  p->Prepare();
  EXPECT_EQ(p->Alternatives("<p>"), (Alts{"a", "<*digit>", "<x><p>", "<x>"}));

  p = Engine({"<p>-<e>x<e>", "<e>-a|"});
  p->Prepare();
  EXPECT_EQ(p->Alternatives("<p>"), (Alts{"xa", "x", "axa", "ax"}));
  EXPECT_EQ(p->Alternatives("<e>"), (Alts{"a"}));

  // A recursive nullable rule keeps references to itself.
  p = Engine({"<l>-<d>|<d>,<l>|", "<d>-1"});
  p->Prepare();
  EXPECT_EQ(p->Alternatives("<l>"), (Alts{"<d>,<d>,<l>", "<d>,<d>", "<d>,", "<d>"}));
}

TEST(LL1ParserTest, AddRuleAfterPreparationIsAnInternalError) {
  auto p = Engine({"<a>-x"});
  p->Prepare();
  EXPECT_THROW(p->AddRule("<b>-y"), EAssertionFailed);
}

bool Matches(TLL1Parser& p, std::string_view text, const char* rule, int* end = nullptr) {
  int pos = 1;
  bool ok = p.Parse(text, rule, pos);
  if (end) *end = pos;
  return ok;
}

TEST(LL1ParserTest, MatchingRules) {
  struct Case {
    std::initializer_list<const char*> rules;
    const char* text;
    bool matches;
    int end;
  } cases[] = {
      {{"<k>-end"}, "END", true, 4},
      {{"<k>-end"}, "End;", true, 4},
      {{"<n>-<*digits>1"}, "121", false, 1},  // runs never give back
      {{"<n>-<*digits>"}, "121x", true, 4},
      {{"<c>-<*char>"}, "ab", true, 2},
      {{"<c>-<*chars_or_digits>"}, "a_1 b", true, 4},
      {{"<h>-<*hexs>"}, "0aFg", true, 4},
      {{"<s>-'<*symbols>'"}, "'a b\nc'", true, 8},
      {{"<s>-<*symbol>"}, "'", false, 1},
      {{"<r>-<v>bc", "<v>-a|ab"}, "abc", false, 1},  // committed choice
      {{"<r>-<v>c", "<v>-a|ab"}, "abc", true, 4},
      {{"<u>-<*digits>"}, "", false, 1},
      {{"<a>-"}, "x", false, 1},
      {{"<l>-<d>|<d>,<l>|", "<d>-1"}, "1,1,1", true, 6},
  };
  for (const Case& c : cases) {
    auto p = Engine(c.rules);
    int end = 0;
    std::string first = *c.rules.begin();
    std::string start = first.substr(0, first.find('>') + 1);
    EXPECT_EQ(Matches(*p, c.text, start.c_str(), &end), c.matches) << c.text;
    EXPECT_EQ(end, c.end) << c.text;
  }
}

TEST(LL1ParserTest, BuiltInClassesTestTheTextInItsOwnCase) {
  TLL1Parser p(StateClassOf<TParseState>());
  p.AddRule("<a>-x<*char>");
  EXPECT_TRUE(Matches(p, "XY", "<a>"));
}

TEST(LL1ParserTest, UnknownNonterminalIsRaisedWhenReached) {
  auto p = Engine({"<a>-x<b>|y"});
  EXPECT_TRUE(Matches(*p, "y", "<a>"));
  try {
    Matches(*p, "x", "<a>");
    FAIL();
  } catch (const EGrammarError& e) {
    EXPECT_STREQ(e.what(), "Unknown nonterminal: <b>");
  }
  try {
    Matches(*p, "x", "<x>");
    FAIL();
  } catch (const EGrammarError& e) {
    EXPECT_STREQ(e.what(), "Unknown nonterminal: <x>");
  }
}

TEST(LL1ParserTest, FailedParseLeavesPositionAndStartsAnywhere) {
  auto p = Engine({"<w>-<*char><*chars_or_digits>|<*char>"});
  int pos = 3;
  EXPECT_TRUE(p->Parse("1 abc d", "<w>", pos));
  EXPECT_EQ(pos, 6);
  pos = 1;
  EXPECT_FALSE(p->Parse("1 abc", "<w>", pos));
  EXPECT_EQ(pos, 1);
  pos = 9;
  EXPECT_FALSE(p->Parse("abc", "<w>", pos));
  EXPECT_EQ(pos, 9);
}

// A state whose extra field counts how many alternatives started, to show
// that snapshots restore subclass fields.
struct CountingState : TParseState {
  using TParseState::TParseState;
  int marks = 0;
  void Assign(const TParseState& source) override {
    TParseState::Assign(source);
    marks = static_cast<const CountingState&>(source).marks;
  }
};

class MarkingParser : public TLL1Parser {
 public:
  MarkingParser() : TLL1Parser(StateClassOf<CountingState>()) {}
  int marks() const { return static_cast<CountingState*>(State)->marks; }

 protected:
  bool ParseNonTerminal(int rule) override {
    bool ok = TLL1Parser::ParseNonTerminal(rule);
    if (ok && RuleName(rule) == "<m>") ++static_cast<CountingState*>(State)->marks;
    return ok;
  }
};

TEST(LL1ParserTest, SnapshotsRollBackSubclassState) {
  MarkingParser p;
  p.AddRule("<r>-<m><m>x|<m>y");
  p.AddRule("<m>-a");
  int pos = 1;
  ASSERT_TRUE(p.Parse("ay", "<r>", pos));
  EXPECT_EQ(p.marks(), 1);  // the failed first alternative's mark is gone
}

// Counts the recognitions of the rule "<o>".
class CallCountingParser : public TLL1Parser {
 public:
  CallCountingParser() : TLL1Parser(StateClassOf<TParseState>()) {}
  int calls = 0;

 protected:
  bool ParseNonTerminal(int rule) override {
    if (RuleName(rule) == "<o>") ++calls;
    return TLL1Parser::ParseNonTerminal(rule);
  }
};

TEST(LL1ParserTest, LeadingItemsSharedWithTheFailedAlternativeAreRecognisedOnce) {
  // "[<o>]+" fails after its nested "<o>"; "[<o>]" goes on from there
  // instead of recognising the nested one again, which would double the work
  // with every level.
  CallCountingParser p;
  p.AddRule("<o>-[<o>]+|[<o>]|a");
  p.AddRule("<r>-<o>c|<o>b|<o>");
  const std::string deep = std::string(40, '[') + "a" + std::string(40, ']');
  int pos = 1;
  ASSERT_TRUE(p.Parse(deep + "+b", "<r>", pos));
  EXPECT_EQ(pos, 84);
  EXPECT_EQ(p.calls, 41);
  // An alternative that fails inside the shared items is not tried again.
  p.calls = 0;
  pos = 1;
  EXPECT_FALSE(p.Parse("[[x]]", "<r>", pos));
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(p.calls, 3);
  EXPECT_EQ(p.FurthestPos(), 3);
}

TEST(LL1ParserTest, DeepRecursionFailsCleanly) {
  auto p = Engine({"<n>-(<n>)|x"});
  std::string deep(300000, '(');
  try {
    Matches(*p, deep, "<n>");
    FAIL();
  } catch (const EGrammarError& e) {
    EXPECT_STREQ(e.what(), "Text nested too deeply to parse.");
  }
  std::string ok = std::string(50000, '(') + "x" + std::string(50000, ')');
  EXPECT_TRUE(Matches(*p, ok, "<n>"));
}

}  // namespace
}  // namespace tolvern
