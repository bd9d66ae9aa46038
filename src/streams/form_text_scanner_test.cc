#include "streams/form_text_scanner.h"

#include <gtest/gtest.h>

#include <string>

#include "streams/object_stream.h"

namespace tolvern {
namespace {

// A form whose one property holds the given value.
std::string FormWith(const std::string& value) {
  return "object F: TForm\r\n  S = " + value + "\r\nend\r\n";
}

// A character of UTF-8 form text is stored as the UTF-16 units its #codes
// give, a character past U+FFFF as its surrogate pair.
TEST(FormTextScannerTest, Utf8CharactersAreStoredAsTheirUtf16Units) {
  struct Case {
    std::string utf8;
    std::string codes;
  } cases[] = {
      {"\xC2\x80", "#128"},
      {"\xDF\xBF", "#2047"},
      {"\xE0\xA0\x80", "#2048"},
      {"\xED\x9F\xBF", "#55295"},
      {"\xEE\x80\x80", "#57344"},
      {"\xEF\xBF\xBF", "#65535"},
      {"\xF0\x90\x80\x80", "#55296#56320"},
      {"\xF4\x8F\xBF\xBF", "#56319#57343"},
      {"a\xC3\xA9z", "'a'#233'z'"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ObjectTextToBinary(FormWith("'" + c.utf8 + "'"), FormCharset::kUtf8),
              ObjectTextToBinary(FormWith(c.codes), FormCharset::kAnsi))
        << c.codes;
}

// A sequence that is no UTF-8 stops the conversion at its first byte:
// overlong forms, surrogates and code points past U+10FFFF among them, which
// would otherwise be stored as other characters than the text's writer meant.
TEST(FormTextScannerTest, IllFormedUtf8IsRefusedWhereItStands) {
  const std::string bad[] = {
      "\xC0\x80",
      "\xC1\xBF",
      "\xE0\x80\xAF",
      "\xE0\x9F\xBF",
      "\xF0\x8F\xBF\xBF",
      "\xED\xA0\x80",
      "\xED\xBF\xBF",
      "\xF4\x90\x80\x80",
      "\xF7\xBF\xBF\xBF",
      "\x80",
      "\xFE",
      "\xE2\x82",
      "\xC3",
  };
  for (const std::string& b : bad) {
    try {
      ObjectTextToBinary(FormWith("'ab" + b + "'"), FormCharset::kUtf8);
      ADD_FAILURE() << "accepted: " << b;
    } catch (const EParserError& e) {
      EXPECT_NE(std::string(e.what()).find("line 2, column 10: invalid UTF-8 text"),
                std::string::npos)
          << e.what();
    }
  }
}

}  // namespace
}  // namespace tolvern
