#include "platform/code_pages.h"

#include <gtest/gtest.h>

#include "platform/system_code_pages.h"

namespace tolvern {
namespace {

TEST(CodePagesTest, EachTableDecodesItsLetters) {
  struct Case {
    int code_page;
    std::string bytes;
    std::string utf8;
  };
  const std::vector<Case> cases = {
      {437, "\x80\x9B\xE1\xDB", "Ç¢ß█"},
      {850, "\x82\x9C\xD0\xE5", "é£ðÕ"},
      {852, "\xA5\xE7", "ąš"},
      {866, "\x80\xAF\xE0\xF0", "АпрЁ"},
      {1250, "\x8A\xB9", "Šą"},
      {1251, "\xC0\xFF\xA8\xB9", "АяЁ№"},
      {1252, "\x80\xE9\x9F", "€éŸ"},
      {1253, "\xC1\xF9", "Αω"},
      {1254, "\xD0\xFE", "Ğş"},
      {1257, "\xC0\xE8", "Ąč"},
      // Bytes a page leaves undefined become the control of the same number.
      {1252, "\x81\x8D", "\xC2\x81\xC2\x8D"},
      {1251, "\x98", "\xC2\x98"},
      // ASCII is ASCII in every page, NUL included.
      {866, std::string("a\0Z~", 4), std::string("a\0Z~", 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code_page);
    EXPECT_TRUE(IsKnownCodePage(c.code_page));
    EXPECT_EQ(CodePageToUtf8(c.code_page, c.bytes), c.utf8);
  }
}

TEST(CodePagesTest, AnUnknownPageReadsAs1252) {
  EXPECT_FALSE(IsKnownCodePage(0));
  EXPECT_FALSE(IsKnownCodePage(12345));
  EXPECT_EQ(CodePageToUtf8(12345, "\xE9"), "é");
}

TEST(CodePagesTest, EastAsianPagesGoToTheSystem) {
  if (!SystemKnowsCodePage(936)) GTEST_SKIP() << "the system has no code page 936";
  EXPECT_TRUE(IsKnownCodePage(936));
  EXPECT_EQ(CodePageToUtf8(936, "\xBF\xD8\xBC\xFE abc"), "控件 abc");
  // A sequence cut short is read as 1252 rather than lost.
  EXPECT_EQ(CodePageToUtf8(936, "\xBF"), "¿");
}

}  // namespace
}  // namespace tolvern
