#include "parsing/pascal_scanner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>

#include "corpus.h"
#include "test_support.h"

namespace tolvern {
namespace {

struct Tok {
  int code;
  std::string text;
  bool operator==(const Tok&) const = default;
};

std::vector<Tok> Scan(std::string_view text) {
  TPasParser p(text);
  std::vector<Tok> out;
  std::string_view t;
  for (int code; (code = p.GetNext(&t)) != kTokEnd;) out.push_back({code, std::string(t)});
  return out;
}

void PrintTo(const Tok& t, std::ostream* os) { *os << "{" << t.code << ", \"" << t.text << "\"}"; }

TEST(PasParserTest, FormObjectHeader) {
  TPasParser p("object Query1: TQuery");
  std::string_view t;
  EXPECT_EQ(p.GetNext(&t), kTokObject);
  EXPECT_EQ(t, "object");
  EXPECT_EQ(p.PrevPos(), 0);
  EXPECT_EQ(Scan("object Query1: TQuery"), (std::vector<Tok>{{32, "object"},
                                                             {kTokBlank, " "},
                                                             {kTokIdent, "Query1"},
                                                             {15, ":"},
                                                             {kTokBlank, " "},
                                                             {kTokIdent, "TQuery"}}));
}

TEST(PasParserTest, CodesOfTokens) {
  struct Case {
    const char* text;
    std::vector<Tok> tokens;
  } cases[] = {
      {"Uses", {{kTokUses, "Uses"}}},
      {"USES", {{kTokUses, "USES"}}},
      {"end.", {{kTokEndKw, "end"}, {13, "."}}},
      {"inherited inline item",
       {{29, "inherited"}, {kTokBlank, " "}, {30, "inline"}, {kTokBlank, " "}, {31, "item"}}},
      {"ends", {{kTokIdent, "ends"}}},
      {"OBJECT Item INHERITED",
       {{32, "OBJECT"}, {kTokBlank, " "}, {31, "Item"}, {kTokBlank, " "}, {29, "INHERITED"}}},
      // Near misses of each keyword's length and first letter stay names.
      {"en usesx items objecta inlines inheritex",
       {{kTokIdent, "en"},
        {kTokBlank, " "},
        {kTokIdent, "usesx"},
        {kTokBlank, " "},
        {kTokIdent, "items"},
        {kTokBlank, " "},
        {kTokIdent, "objecta"},
        {kTokBlank, " "},
        {kTokIdent, "inlines"},
        {kTokBlank, " "},
        {kTokIdent, "inheritex"}}},
      {"eND uSES iNLINE oBJECT",
       {{28, "eND"},
        {kTokBlank, " "},
        {33, "uSES"},
        {kTokBlank, " "},
        {30, "iNLINE"},
        {kTokBlank, " "},
        {32, "oBJECT"}}},
      {"and ises inlike object_",
       {{kTokIdent, "and"},
        {kTokBlank, " "},
        {kTokIdent, "ises"},
        {kTokBlank, " "},
        {kTokIdent, "inlike"},
        {kTokBlank, " "},
        {kTokIdent, "object_"}}},
      {"$FF", {{kTokNumber, "$FF"}}},
      {"$", {{kTokNumber, "$"}}},
      {"_x1", {{kTokIdent, "_x1"}}},
      {"a:=1;", {{kTokIdent, "a"}, {15, ":"}, {18, "="}, {kTokNumber, "1"}, {16, ";"}}},
      {"'it''s'", {{kTokString, "'it''s'"}}},
      {"#13#10", {{3, "#"}, {kTokNumber, "13"}, {3, "#"}, {kTokNumber, "10"}}},
      {"{ c }x", {{kTokComment, "{ c }"}, {kTokIdent, "x"}}},
      {"(* c *)x", {{kTokComment, "(* c *)"}, {kTokIdent, "x"}}},
      {"(x)", {{7, "("}, {kTokIdent, "x"}, {8, ")"}}},
      {"|~}", {{kTokOther, "|"}, {kTokOther, "~"}, {kTokOther, "}"}}},
      {"\"`\\", {{2, "\""}, {27, "`"}, {23, "\\"}}},
      {"{$R *.DFM}", {{kTokComment, "{$R *.DFM}"}}},
      {"\xD0\x9F\xD1\x80x", {{kTokIdent, "\xD0\x9F\xD1\x80x"}}},
      {"tbl\xD0\x9D_1: T",
       {{kTokIdent, "tbl\xD0\x9D_1"}, {15, ":"}, {kTokBlank, " "}, {kTokIdent, "T"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(Scan(c.text), c.tokens) << c.text;
}

TEST(PasParserTest, LineCommentWithApostropheEndsAtLineEnd) {
  auto toks = Scan("// don't\r\nTQuery;");
  ASSERT_GE(toks.size(), 3u);
  EXPECT_EQ(toks[0], (Tok{kTokComment, "// don't"}));
  EXPECT_EQ(toks[1], (Tok{kTokBlank, "\r\n"}));
  EXPECT_EQ(toks[2], (Tok{kTokIdent, "TQuery"}));
}

TEST(PasParserTest, UnterminatedStringEndsAtLineEnd) {
  auto toks = Scan("s := 'abc\nTQuery");
  EXPECT_EQ(toks[toks.size() - 3], (Tok{kTokString, "'abc"}));
  EXPECT_EQ(toks.back(), (Tok{kTokIdent, "TQuery"}));
}

TEST(PasParserTest, UnterminatedCommentsRunToTheEnd) {
  EXPECT_EQ(Scan("x {"),
            (std::vector<Tok>{{kTokIdent, "x"}, {kTokBlank, " "}, {kTokComment, "{"}}));
  EXPECT_EQ(Scan("(* open"), (std::vector<Tok>{{kTokComment, "(* open"}}));
  EXPECT_EQ(Scan("(*)"), (std::vector<Tok>{{kTokComment, "(*)"}}));
}

TEST(PasParserTest, KeepQuotesOffGivesTheValue) {
  TPasParser p("'it''s' 'x' '' 'open");
  p.KeepQuotes = false;
  std::vector<std::string> values;
  std::string s;
  for (int code; (code = p.GetNext(s)) != kTokEnd;)
    if (code == kTokString) values.push_back(s);
  EXPECT_EQ(values, (std::vector<std::string>{"it's", "x", "", "open"}));
}

TEST(PasParserTest, PrevPosIsOffsetOfLastToken) {
  TPasParser p("  object X");
  std::string_view t;
  p.GetNext(&t);
  EXPECT_EQ(p.PrevPos(), 0);
  p.GetNext(&t);
  EXPECT_EQ(p.PrevPos(), 2);
  p.SetText("y");
  p.GetNext(&t);
  EXPECT_EQ(t, "y");
  EXPECT_EQ(p.PrevPos(), 0);
}

TEST(PasParserTest, CharacterClasses) {
  EXPECT_FALSE(TPasParser::IsSymbolChar('$'));
  EXPECT_FALSE(TPasParser::IsSymbolChar('_'));
  EXPECT_EQ(TPasParser::SymbolCode('_'), 26);
  EXPECT_TRUE(TPasParser::IsSymbolChar('{'));
  EXPECT_EQ(TPasParser::SymbolCode('{'), 0);
  EXPECT_TRUE(TPasParser::IsNumberChar('$'));
  EXPECT_TRUE(TPasParser::IsNumberChar('f'));
  EXPECT_FALSE(TPasParser::IsNumberChar('g'));
  int symbols = 0;
  for (int c = 0; c < 256; ++c) {
    if (TPasParser::IsSymbolChar(static_cast<unsigned char>(c))) {
      EXPECT_GE(c, 33);
      EXPECT_LE(c, 126);
      ++symbols;
    }
  }
  EXPECT_EQ(symbols, 30);  // the coded symbols but "_", plus { | } ~
}

// Every text, whatever its bytes, comes back from its tokens exactly, and the
// positions tell where each token starts.
void ExpectLossless(std::string_view text, const std::string& what) {
  TPasParser p(text);
  std::string joined;
  std::string_view t;
  for (int code; (code = p.GetNext(&t)) != kTokEnd;) {
    ASSERT_FALSE(t.empty()) << what;
    ASSERT_EQ(static_cast<size_t>(p.PrevPos()), joined.size()) << what;
    joined += t;
  }
  ASSERT_EQ(joined, text) << what;
}

TEST(PasParserTest, LosslessOnGeneratedInputs) {
  std::mt19937 rng(12345);
  std::string alphabet = "{}()*/'\r\n \t$#;:=abcTQuery01_\x80\xff";
  alphabet += '\0';
  for (int round = 0; round < 3000; ++round) {
    std::string s;
    int len = static_cast<int>(rng() % 64);
    for (int i = 0; i < len; ++i)
      s += (rng() % 4 == 0) ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
    ExpectLossless(s, "round " + std::to_string(round));
  }
}

TEST(PasParserTest, LosslessOnEveryCorpusFile) {
  TOLVERN_NEED_CORPUS("the lossless scan of every corpus file");
  namespace fs = std::filesystem;
  int files = 0;
  for (const auto& e : fs::recursive_directory_iterator(::tolvern::testing::CorpusDir())) {
    if (!e.is_regular_file()) continue;
    std::string bytes = testing::ReadFileBytes(e.path().string());
    ExpectLossless(bytes, e.path().string());
    // The same text read as a unit: wrapped in a unit skeleton.
    ExpectLossless("unit X;\ninterface\n{ " + bytes + " }\nend.", e.path().string());
    ++files;
  }
  EXPECT_GT(files, 800);
}

// The significant tokens, packed, give back every token the scanner finds,
// with its code, text and offset: negative codes, symbols, keywords, and
// tokens too long for the packed size (their size is kept aside).
TEST(SignificantTokensTest, PackedTokensAreTheScannersTokens) {
  const std::string long_comment = "{" + std::string(std::size_t{1} << 24, 'c') + "}";
  const std::string text = "unit U; // note\r\nvar Q: TQuery; 'str' $1F " + long_comment +
                           " object end inherited x" + long_comment + " ~";
  for (bool with_comments : {false, true}) {
    SCOPED_TRACE(with_comments);
    std::vector<PasToken> expected;
    TPasParser scanner(text);
    std::string_view token;
    for (int code; (code = scanner.GetNext(&token)) != kTokEnd;)
      if (code != kTokBlank && (code != kTokComment || with_comments))
        expected.push_back({code, token, static_cast<size_t>(scanner.PrevPos())});
    const PasTokens tokens = SignificantTokens(text, with_comments);
    ASSERT_EQ(tokens.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(tokens[i].code, expected[i].code) << i;
      EXPECT_EQ(tokens[i].offset, expected[i].offset) << i;
      EXPECT_EQ(tokens[i].text.data(), expected[i].text.data()) << i;
      EXPECT_EQ(tokens[i].text.size(), expected[i].text.size()) << i;
    }
  }
  // Comments dropped afterwards leave what a scan without them gives.
  PasTokens tokens = SignificantTokens(text, true);
  tokens.EraseCode(kTokComment);
  const PasTokens without = SignificantTokens(text, false);
  ASSERT_EQ(tokens.size(), without.size());
  for (size_t i = 0; i < tokens.size(); ++i) {
    EXPECT_EQ(tokens[i].code, without[i].code) << i;
    EXPECT_EQ(tokens[i].text, without[i].text) << i;
  }
}

}  // namespace
}  // namespace tolvern

namespace tolvern {
namespace {

// The interface's tokens end before the first word "implementation" (not
// one in a comment or string, nor a longer word), and equal the first
// tokens of the whole text.
TEST(InterfaceTokensTest, EndBeforeTheImplementationWord) {
  struct Case {
    const char* text;
    const char* rest;  // the text from *rest on; nullptr: npos
  } cases[] = {
      {"unit A; interface var X: Integer; IMPLEMENTATION var Y: Integer; end.",
       "IMPLEMENTATION var Y: Integer; end."},
      {"unit A; interface { implementation } 'implementation' Implementations;\r\n"
       "implementation end.",
       "implementation end."},
      {"program P; begin end.", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const std::string_view text = c.text;
    size_t rest = 0;
    const PasTokens head = InterfaceTokens(text, &rest);
    if (c.rest == nullptr) {
      EXPECT_EQ(rest, std::string_view::npos);
    } else {
      EXPECT_EQ(text.substr(rest), c.rest);
    }
    const PasTokens all = SignificantTokens(text);
    ASSERT_LE(head.size(), all.size());
    if (c.rest == nullptr) {
      EXPECT_EQ(head.size(), all.size());
    }
    for (size_t i = 0; i < head.size(); ++i) {
      EXPECT_EQ(head[i].code, all[i].code) << i;
      EXPECT_EQ(head[i].offset, all[i].offset) << i;
      EXPECT_LT(head[i].offset, std::min(rest, text.size())) << i;
    }
  }
}

}  // namespace
}  // namespace tolvern
