#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tolvern {
namespace {

// One sequence per row: the code point it decodes to, or none.
struct Utf8Case {
  const char* what;
  std::string bytes;
  bool valid;
  std::uint32_t code_point;
};

const Utf8Case kUtf8Cases[] = {
    {"U+0000", std::string(1, '\0'), true, 0x0},
    {"U+007F, the last of one byte", "\x7F", true, 0x7F},
    {"U+0080, the first of two bytes", "\xC2\x80", true, 0x80},
    {"U+07FF, the last of two bytes", "\xDF\xBF", true, 0x7FF},
    {"U+0800, the first of three bytes", "\xE0\xA0\x80", true, 0x800},
    {"U+D7FF, below the surrogates", "\xED\x9F\xBF", true, 0xD7FF},
    {"U+E000, above the surrogates", "\xEE\x80\x80", true, 0xE000},
    {"U+FFFF, the last of three bytes", "\xEF\xBF\xBF", true, 0xFFFF},
    {"U+10000, the first of four bytes", "\xF0\x90\x80\x80", true, 0x10000},
    {"U+10FFFF, the last code point", "\xF4\x8F\xBF\xBF", true, 0x10FFFF},
    {"overlong 2-byte NUL", "\xC0\x80", false, 0},
    {"overlong 2-byte U+007F", "\xC1\xBF", false, 0},
    {"overlong 3-byte U+007F", "\xE0\x81\xBF", false, 0},
    {"overlong 3-byte U+07FF", "\xE0\x9F\xBF", false, 0},
    {"overlong 4-byte U+FFFF", "\xF0\x8F\xBF\xBF", false, 0},
    {"overlong 4-byte NUL", "\xF0\x80\x80\x80", false, 0},
    {"surrogate U+D800", "\xED\xA0\x80", false, 0},
    {"surrogate U+DBFF", "\xED\xAF\xBF", false, 0},
    {"surrogate U+DC00", "\xED\xB0\x80", false, 0},
    {"surrogate U+DFFF", "\xED\xBF\xBF", false, 0},
    {"U+110000, past the last", "\xF4\x90\x80\x80", false, 0},
    {"lead F5", "\xF5\x80\x80\x80", false, 0},
    {"lead F7, U+1FFFFF", "\xF7\xBF\xBF\xBF", false, 0},
    {"lead F8, a five-byte form", "\xF8\x88\x80\x80\x80", false, 0},
    {"lead FF", "\xFF", false, 0},
    {"a stray continuation byte", "\x80", false, 0},
    {"truncated 2-byte", "\xC3", false, 0},
    {"truncated 3-byte after one", "\xE2", false, 0},
    {"truncated 3-byte after two", "\xE2\x82", false, 0},
    {"truncated 4-byte after three", "\xF0\x9F\x98", false, 0},
    {"2-byte cut by ASCII",
     "\xC3"
     "A",
     false, 0},
    {"3-byte cut by a new lead", "\xE2\x82\xC3\xA9", false, 0},
};

TEST(DecodeUtf8Test, DecodesWellFormedSequencesAndRefusesTheRest) {
  for (const Utf8Case& c : kUtf8Cases) {
    // The sequence after an ASCII letter, so that a decoder reading from the
    // start of the bytes rather than from the position is caught.
    const std::string bytes = "a" + c.bytes;
    size_t at = 1;
    std::uint32_t code_point = 0xFFFFFFFF;
    EXPECT_EQ(DecodeUtf8(bytes, &at, &code_point), c.valid) << c.what;
    if (c.valid) {
      EXPECT_EQ(code_point, c.code_point) << c.what;
      EXPECT_EQ(at, bytes.size()) << c.what;
    } else {
      EXPECT_EQ(at, 1u) << c.what << ": the position stays on the bad sequence";
    }
  }
}

// Whole texts are refused by the same rules: UTF-8 text holding any bad
// sequence is not valid, with or without its mark.
TEST(DecodeUtf8Test, TextIsValidWhenEverySequenceIs) {
  for (const Utf8Case& c : kUtf8Cases) {
    const std::string text = "unit A; { " + c.bytes + " }";
    EXPECT_EQ(IsValidUtf8(text), c.valid) << c.what;
    std::string decoded, error;
    EXPECT_EQ(DecodeText("\xEF\xBB\xBF" + text, TextEncoding::kUtf8, &decoded, &error), c.valid)
        << c.what;
  }
}

TEST(TextEncodingTest, InvalidBytesAreRefused) {
  std::string text, error;
  EXPECT_FALSE(DecodeText(std::string("\xFF\xFE"
                                      "a",
                                      3),
                          TextEncoding::kUtf16LE, &text, &error));
  EXPECT_NE(error.find("odd"), std::string::npos);
  EXPECT_FALSE(
      DecodeText(std::string("\xFF\xFE\x00\xD8", 4), TextEncoding::kUtf16LE, &text, &error));
  EXPECT_FALSE(
      DecodeText("\xEF\xBB\xBF"
                 "a\xC3",
                 TextEncoding::kUtf8, &text, &error));
  EXPECT_FALSE(
      DecodeText("\xEF\xBB\xBF"
                 "\xC0\x80",
                 TextEncoding::kUtf8, &text, &error));
  EXPECT_TRUE(DecodeText("\xE9t\xE9", TextEncoding::kAnsi, &text, &error));
  EXPECT_EQ(text, "\xE9t\xE9");
  EXPECT_EQ(DetectEncoding("\xFF"), TextEncoding::kAnsi);
  EXPECT_EQ(DetectEncoding("\xEF\xBB"), TextEncoding::kAnsi);
}

// Bytes handed over decode as bytes that are copied, in every encoding,
// valid or not.
TEST(TextEncodingTest, OwnedBytesDecodeAsCopiedOnes) {
  const std::string inputs[] = {
      "",
      "\xE9t\xE9",
      "\xEF\xBB\xBF"
      "unit \xC3\xA9;",
      "\xEF\xBB\xBF"
      "a\xC3",
      "\xEF\xBB\xBF",
      std::string("\xFF\xFEu\0n\0i\0t\0", 10),
      std::string("\xFF\xFE"
                  "a",
                  3),
      std::string("\xFF\xFE\x00\xD8", 4),
  };
  for (const std::string& bytes : inputs) {
    const TextEncoding encoding = DetectEncoding(bytes);
    std::string copied, owned, copied_error, owned_error;
    const bool ok = DecodeText(bytes, encoding, &copied, &copied_error);
    EXPECT_EQ(DecodeOwnedText(std::string(bytes), encoding, &owned, &owned_error), ok) << bytes;
    EXPECT_EQ(owned, copied) << bytes;
    EXPECT_EQ(owned_error, copied_error) << bytes;
  }
}

}  // namespace
}  // namespace tolvern
