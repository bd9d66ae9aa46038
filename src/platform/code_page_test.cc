#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text_encoding.h"

namespace tolvern {
namespace {

struct CodePageCase {
  const char* what;
  int code_page;
  std::string bytes;
  std::string utf8;
};

const CodePageCase kCases[] = {
    {"Cyrillic letters", 1251, "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0", "Привет, мир"},
    {"the euro sign in 1251", 1251, "\x88", "€"},
    {"Western accents", 1252, "A\xE7\xE3o \xE9 Mar\xE7o", "Ação é Março"},
    {"1252's typographic quotes", 1252, "\x93x\x94 \x85", "“x” …"},
    {"Central European letters", 1250, "\x8A\x9A\xB3\xF8", "Ššłř"},
    {"Greek letters", 1253, "\xE1\xE2\xE3", "αβγ"},
    {"Thai", 874, "\xA1", "ก"},
    {"ASCII as it is", 1251, "select * from T;\r\n", "select * from T;\r\n"},
    {"a byte 1251 leaves undefined", 1251, "a\x98z", "a\xEF\xBF\xBDz"},
    {"a byte 1252 leaves undefined", 1252, "\x81", "\xEF\xBF\xBD"},
    {"a multi-byte page reads as 1252", 932, "\xE9", "é"},
};

TEST(CodePageTest, DecodesEachPageToItsCharacters) {
  for (const CodePageCase& c : kCases) {
    const CodePageText text(c.code_page);
    EXPECT_EQ(text.ToUtf8(c.bytes), c.utf8) << c.what;
    EXPECT_TRUE(IsValidUtf8(text.ToUtf8(c.bytes))) << c.what;
  }
}

TEST(CodePageTest, EveryByteOfEveryPageGivesValidUtf8WithoutControls) {
  for (int page : {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
    ASSERT_TRUE(IsSingleByteCodePage(page));
    const CodePageText text(page);
    for (int b = 0x80; b < 0x100; ++b) {
      const std::string utf8 = text.ToUtf8(std::string(1, static_cast<char>(b)));
      EXPECT_TRUE(IsValidUtf8(utf8)) << page << " byte " << b;
      // No C1 control character (U+0080 to U+009F) ever reaches a page.
      EXPECT_FALSE(utf8.size() == 2 && utf8[0] == '\xC2' &&
                   static_cast<unsigned char>(utf8[1]) < 0xA0)
          << page << " byte " << b;
    }
  }
}

TEST(CodePageTest, UtfEightTextIsLeftAsItIsOnlyWhenWellFormed) {
  const CodePageText cyrillic(1251);
  EXPECT_EQ(cyrillic.ToUtf8IfNeeded("Привет"), "Привет");
  EXPECT_EQ(cyrillic.ToUtf8IfNeeded("\xCF\xF0\xE8"), "При");
  EXPECT_FALSE(IsSingleByteCodePage(65001));
  EXPECT_FALSE(IsSingleByteCodePage(1249));
  EXPECT_FALSE(IsSingleByteCodePage(1259));
  EXPECT_TRUE(IsSingleByteCodePage(SystemCodePage()));
}

}  // namespace
}  // namespace tolvern
