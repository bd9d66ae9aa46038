#include "streams/form_text_scanner.h"

#include "platform/text_encoding.h"

namespace tolvern {

int FormTextScanner::HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void FormTextScanner::FailAt(size_t at, const std::string& what) const {
  size_t line = 1, col = 1;
  for (size_t i = 0; i < at && i < t_.size(); ++i) {
    if (t_[i] == '\n') {
      ++line;
      col = 1;
    } else {
      ++col;
    }
  }
  throw EParserError("Invalid form text at line " + std::to_string(line) + ", column " +
                     std::to_string(col) + ": " + what);
}

void FormTextScanner::Expect(char c) {
  SkipBlanks();
  if (AtEnd() || t_[pos_] != c) Fail(std::string("'") + c + "' expected");
  ++pos_;
}

std::string_view FormTextScanner::Ident() {
  SkipBlanks();
  if (!IsIdentStart(Cur())) Fail("identifier expected");
  size_t start = pos_;
  while (pos_ < t_.size() && IsIdentChar(static_cast<unsigned char>(t_[pos_]))) ++pos_;
  return t_.substr(start, pos_ - start);
}

std::string_view FormTextScanner::PeekIdent() {
  size_t save = pos_;
  SkipBlanks();
  std::string_view id;
  if (IsIdentStart(Cur())) id = Ident();
  pos_ = save;
  return id;
}

std::int64_t FormTextScanner::IntegerValue() {
  SkipBlanks();
  size_t start = pos_;
  bool negative = false;
  if (Cur() == '-' || Cur() == '+') {
    negative = Cur() == '-';
    ++pos_;
  }
  std::uint64_t v = 0;
  bool any = false;
  if (Cur() == '$') {
    ++pos_;
    for (int h; (h = HexValue(Cur())) >= 0; ++pos_, any = true)
      v = (v << 4) | static_cast<unsigned>(h);
  } else {
    for (; IsDigit(Cur()); ++pos_, any = true) {
      if (v > (UINT64_MAX - 9) / 10) FailAt(start, "integer too large");
      v = v * 10 + (Cur() - '0');
    }
  }
  if (!any) FailAt(start, "integer expected");
  return negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
}

bool FormTextScanner::SkipDecimal() {
  bool is_float = false;
  while (IsDigit(Cur())) ++pos_;
  if (Cur() == '.') {
    is_float = true;
    ++pos_;
    while (IsDigit(Cur())) ++pos_;
  }
  if (Cur() == 'e' || Cur() == 'E') {
    size_t save = pos_;
    ++pos_;
    if (Cur() == '-' || Cur() == '+') ++pos_;
    if (IsDigit(Cur())) {
      is_float = true;
      while (IsDigit(Cur())) ++pos_;
    } else {
      pos_ = save;
    }
  }
  return is_float;
}

char FormTextScanner::TakeNumberSuffix() {
  char suffix = static_cast<char>(Cur());
  if (suffix >= 'A' && suffix <= 'Z') suffix = static_cast<char>(suffix + 32);
  if (suffix != 's' && suffix != 'c' && suffix != 'd') return 0;
  ++pos_;
  return suffix;
}

std::u16string FormTextScanner::StringValue(bool* wide) {
  std::u16string units;
  *wide = false;
  for (;;) {
    bool piece = false;
    while (Cur() == '\'' || Cur() == '#') {
      piece = true;
      if (Cur() == '#')
        TakeCode(units, wide);
      else
        TakeQuoted(units, wide);
    }
    if (!piece) Fail("string expected");
    size_t save = pos_;
    SkipBlanks();
    if (Cur() != '+') {
      pos_ = save;
      return units;
    }
    ++pos_;
    SkipBlanks();
  }
}

void FormTextScanner::TakeCode(std::u16string& units, bool* wide) {
  ++pos_;
  std::int64_t code = IntegerValue();
  if (code < 0 || code > 0xFFFF) Fail("character code out of range");
  units += static_cast<char16_t>(code);
  if (code > 127) *wide = true;
}

void FormTextScanner::TakeQuoted(std::u16string& units, bool* wide) {
  size_t open = pos_++;
  for (;;) {
    if (AtEnd() || Cur() == '\r' || Cur() == '\n') FailAt(open, "unterminated string");
    if (Cur() == '\'') {
      ++pos_;
      if (Cur() != '\'') break;
    }
    if (utf8_ && Cur() >= 0x80) *wide = true;
    TakeChar(units);
  }
}

void FormTextScanner::TakeChar(std::u16string& units) {
  unsigned char c = Cur();
  if (!utf8_ || c < 0x80) {
    units += static_cast<char16_t>(c);
    ++pos_;
    return;
  }
  std::uint32_t cp;
  if (!DecodeUtf8(t_, &pos_, &cp)) Fail("invalid UTF-8 text");
  if (cp >= 0x10000) {
    cp -= 0x10000;
    units += static_cast<char16_t>(0xD800 + (cp >> 10));
    units += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  } else {
    units += static_cast<char16_t>(cp);
  }
}

std::string FormTextScanner::HexData() {
  std::string data;
  int high = -1;
  for (;; ++pos_) {
    unsigned char h = Cur();
    if (AtEnd()) Fail("'}' expected");
    if (h == '}') break;
    if (h <= ' ') continue;
    int v = HexValue(h);
    if (v < 0) Fail("hexadecimal digit expected");
    if (high < 0) {
      high = v;
    } else {
      data += static_cast<char>((high << 4) | v);
      high = -1;
    }
  }
  if (high >= 0) Fail("odd number of hexadecimal digits");
  return data;
}

}  // namespace tolvern
