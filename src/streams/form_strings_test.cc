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
