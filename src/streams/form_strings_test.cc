#include "streams/form_strings.h"

#include <gtest/gtest.h>

namespace tolvern {
namespace {

TEST(FormStringsTest, DecodesPiecesCodesAndContinuations) {
  struct Case {
    const char* text;
    const char* value;  // nullptr: not a string value
  } cases[] = {
      {"'abc'", "abc"},
      {"'it''s'", "it's"},
      {"#39'a'#13#10'b'", "'a\r\nb"},
      {" 'ab' +\r\n    'cd'", "abcd"},
      {"''", ""},
      {"#1055", "\xD0\x9F"},
      {"'open", nullptr},
      {"abc", nullptr},
      {"'a' 'b'", nullptr},
      {"'a' +", nullptr},
  };
  for (const Case& c : cases) {
    auto v = DecodeFormString(c.text);
    if (!c.value) {
      EXPECT_FALSE(v.has_value()) << c.text;
    } else {
      ASSERT_TRUE(v.has_value()) << c.text;
      EXPECT_EQ(*v, c.value) << c.text;
    }
  }
}

// A code is the character of that number as the form holds its characters:
// in 8-bit text the byte of the code page below 256 (as a quoted byte of
// that value reads), in UTF-8 text always UTF-8 (as the quoted character
// reads), a pair of surrogate codes as the one character they make.
TEST(FormStringsTest, DecodesCodesInTheFormsOwnCharset) {
  struct Case {
    const char* text;
    const char* ansi;
    const char* utf8;
  } cases[] = {
      {"'Sess'#227'o'", "Sess\xE3o", "Sess\xC3\xA3o"},
      {"#83'ess'#227#111", "Sess\xE3o", "Sess\xC3\xA3o"},
      {"'Sess\xE3o'", "Sess\xE3o", "Sess\xE3o"},  // quoted bytes stand as they are
      {"'Sess\xC3\xA3o'", "Sess\xC3\xA3o", "Sess\xC3\xA3o"},
      {"'Ba'#1089'e'",
       "Ba\xD1\x81"
       "e",
       "Ba\xD1\x81"
       "e"},
      {"'Sess\xE3o'#1089", "Sess\xE3o\xD1\x81", "Sess\xE3o\xD1\x81"},
      {"#55357#56832", "\xED\xA0\xBD\xED\xB8\x80", "\xF0\x9F\x98\x80"},
      {"#127#128", "\x7F\x80", "\x7F\xC2\x80"},
      {"'Long' +\r\n  'Name'", "LongName", "LongName"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecodeFormString(c.text, FormCharset::kAnsi), std::string(c.ansi)) << c.text;
    EXPECT_EQ(DecodeFormString(c.text, FormCharset::kUtf8), std::string(c.utf8)) << c.text;
  }
}

// Reading a value in the middle of a text stops behind its last piece.
TEST(FormStringsTest, ReadsAValueWhereItStandsAndStopsBehindIt) {
  const std::string text = "  DatabaseName = 'A'#66 +\n    'C'\n  Left = 1";
  size_t at = text.find('\'');
  EXPECT_EQ(ReadFormString(text, &at, FormCharset::kAnsi), "ABC");
  EXPECT_EQ(text.substr(at), "\n  Left = 1");
  size_t none = text.find("Left");
  EXPECT_EQ(ReadFormString(text, &none, FormCharset::kAnsi), std::nullopt);
  EXPECT_EQ(none, text.find("Left"));
}

TEST(FormStringsTest, DecodesStringLists) {
  auto items = DecodeFormStringList(
      "(\r\n  \r\n    'SERVER NAME=C:\\a' +\r\n    'b.gdb'\r\n  'USER NAME=x')");
  ASSERT_TRUE(items.has_value());
  EXPECT_EQ(*items, (std::vector<std::string>{"SERVER NAME=C:\\ab.gdb", "USER NAME=x"}));
  EXPECT_EQ(DecodeFormStringList("()"), std::vector<std::string>{});
  EXPECT_FALSE(DecodeFormStringList("('a'").has_value());
  EXPECT_FALSE(DecodeFormStringList("'a'").has_value());
}

TEST(FormStringsTest, EncodesWhatTheDecoderReadsBack) {
  for (std::string v : {"", "abc", "it's", "a\r\nb", "\t'x'", "caf\xE9"}) {
    std::string text = EncodeFormString(v);
    auto back = DecodeFormString(text);
    ASSERT_TRUE(back.has_value()) << text;
    EXPECT_EQ(*back, v) << text;
  }
  EXPECT_EQ(EncodeFormString("it's"), "'it'#39's'");
}

}  // namespace
}  // namespace tolvern
