// The tokens of form text as the conversion to a binary object stream reads
// them: identifiers, integers, the parts of a decimal number, strings of
// quoted pieces and #codes, and hexadecimal data. A scanner is a position in
// a view of the text; it never copies the text, and its errors name the line
// and column where the text goes wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "streams/object_stream.h"

namespace tolvern {

class FormTextScanner {
 public:
  FormTextScanner(std::string_view text, FormCharset charset)
      : t_(text), utf8_(charset == FormCharset::kUtf8) {}

  static bool IsIdentStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
  }
  static bool IsIdentChar(unsigned char c) {
    return IsIdentStart(c) || (c >= '0' && c <= '9') || c == '.';
  }
  static bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
  // The value of a hexadecimal digit, or -1.
  static int HexValue(unsigned char c);

 protected:
  // Throw EParserError naming the line and column of the position, or of at.
  [[noreturn]] void Fail(const std::string& what) const { FailAt(pos_, what); }
  [[noreturn]] void FailAt(size_t at, const std::string& what) const;

  // The character at the position, 0 at the end.
  unsigned char Cur() const { return pos_ < t_.size() ? static_cast<unsigned char>(t_[pos_]) : 0; }
  bool AtEnd() const { return pos_ >= t_.size(); }
  // Passes blanks, control characters and line breaks.
  void SkipBlanks() {
    while (pos_ < t_.size() && static_cast<unsigned char>(t_[pos_]) <= ' ') ++pos_;
  }
  // Passes blanks and c, which must come next.
  void Expect(char c);

  std::string_view Ident();
  // The identifier at the position without consuming it ("" when none).
  std::string_view PeekIdent();
  // A decimal or "$" hexadecimal integer with an optional sign.
  std::int64_t IntegerValue();

  // Passes the digits, the fraction and the exponent of a decimal number:
  // true when it has a fraction or an exponent. An "e" without digits
  // behind it is not taken.
  bool SkipDecimal();
  // The type letter behind a number, in lower case and taken: 's' single,
  // 'c' currency, 'd' date; or 0 when there is none.
  char TakeNumberSuffix();

  // Quoted pieces and #codes, joined by "+" across lines. Sets *wide when
  // the text writes a character beyond ASCII as a code, or (in UTF-8 text)
  // at all: such strings are stored as wide strings.
  std::u16string StringValue(bool* wide);

  // The bytes of pairs of hexadecimal digits up to the "}", blanks and line
  // breaks between any two digits.
  std::string HexData();

  std::string_view t_;
  bool utf8_;
  size_t pos_ = 0;

 private:
  // "#nnn": one UTF-16 unit.
  void TakeCode(std::u16string& units, bool* wide);
  // "'...'" on one line, a doubled quote standing for one.
  void TakeQuoted(std::u16string& units, bool* wide);
  // Appends the character at the position (a UTF-8 sequence in UTF-8 text)
  // as UTF-16 units.
  void TakeChar(std::u16string& units);
};

}  // namespace tolvern
