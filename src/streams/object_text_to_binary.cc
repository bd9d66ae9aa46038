// Form text to binary object stream.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/ascii_text.h"
#include "platform/large_stack.h"
#include "streams/form_numbers.h"
#include "streams/object_stream.h"

namespace tolvern {

namespace {

bool IsIdentStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}
bool IsIdentChar(unsigned char c) { return IsIdentStart(c) || (c >= '0' && c <= '9') || c == '.'; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

class Converter {
 public:
  Converter(std::string_view text, FormCharset charset)
      : t_(text), utf8_(charset == FormCharset::kUtf8) {
    out_.reserve(text.size() / 2 + 16);
  }

  // The stream of a whole form, or (without the signature) of one object.
  std::string Run(bool signature) {
    if (utf8_ && t_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    if (signature) out_ += "TPF0";
    SkipBlanks();
    RunOnLargeStack(kLargeStackBytes, [this] { ConvertObject(0); });
    SkipBlanks();
    if (pos_ < t_.size()) Fail("text after the end of the form");
    return std::move(out_);
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const { FailAt(pos_, what); }
  [[noreturn]] void FailAt(size_t at, const std::string& what) const {
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

  unsigned char Cur() const { return pos_ < t_.size() ? static_cast<unsigned char>(t_[pos_]) : 0; }
  bool AtEnd() const { return pos_ >= t_.size(); }
  void SkipBlanks() {
    while (pos_ < t_.size() && static_cast<unsigned char>(t_[pos_]) <= ' ') ++pos_;
  }
  void Expect(char c) {
    SkipBlanks();
    if (AtEnd() || t_[pos_] != c) Fail(std::string("'") + c + "' expected");
    ++pos_;
  }
  void Enter(int nest) const {
    if (nest > kMaxStreamNesting) Fail("nesting too deep");
  }

  std::string_view Ident() {
    SkipBlanks();
    if (!IsIdentStart(Cur())) Fail("identifier expected");
    size_t start = pos_;
    while (pos_ < t_.size() && IsIdentChar(static_cast<unsigned char>(t_[pos_]))) ++pos_;
    return t_.substr(start, pos_ - start);
  }
  // The identifier at the position without consuming it ("" when none).
  std::string_view PeekIdent() {
    size_t save = pos_;
    SkipBlanks();
    std::string_view id;
    if (IsIdentStart(Cur())) id = Ident();
    pos_ = save;
    return id;
  }

  void WriteShortString(std::string_view s, size_t at) {
    if (s.size() > 255) FailAt(at, "name longer than 255 characters");
    out_ += static_cast<char>(s.size());
    out_ += s;
  }
  void WriteU32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  void WriteU64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out_ += static_cast<char>((v >> (8 * i)) & 0xFF);
  }
  void WriteInteger(std::int64_t v) {
    if (v >= -128 && v <= 127) {
      out_ += static_cast<char>(vaInt8);
      out_ += static_cast<char>(static_cast<std::int8_t>(v));
    } else if (v >= -32768 && v <= 32767) {
      out_ += static_cast<char>(vaInt16);
      out_ += static_cast<char>(v & 0xFF);
      out_ += static_cast<char>((v >> 8) & 0xFF);
    } else if (v >= INT32_MIN && v <= INT32_MAX) {
      out_ += static_cast<char>(vaInt32);
      WriteU32(static_cast<std::uint32_t>(v));
    } else {
      out_ += static_cast<char>(vaInt64);
      WriteU64(static_cast<std::uint64_t>(v));
    }
  }

  void ConvertObject(int level) {
    Enter(level);
    size_t at = pos_;
    std::string_view keyword = Ident();
    unsigned char flags = 0;
    if (SameText(keyword, "inherited"))
      flags = 1;
    else if (SameText(keyword, "inline"))
      flags = 4;
    else if (!SameText(keyword, "object"))
      FailAt(at, "'object' expected");
    size_t name_at = pos_;
    std::string_view name = Ident();
    std::string_view cls = name;
    SkipBlanks();
    if (Cur() == ':') {
      ++pos_;
      cls = Ident();
    } else {
      name = {};
    }
    SkipBlanks();
    bool has_pos = false;
    std::int64_t child_pos = 0;
    if (Cur() == '[') {
      ++pos_;
      child_pos = IntegerValue();
      Expect(']');
      has_pos = true;
      flags |= 2;
    }
    if (flags) {
      out_ += static_cast<char>(0xF0 | flags);
      if (has_pos) WriteInteger(child_pos);
    }
    WriteShortString(cls, name_at);
    WriteShortString(name, name_at);
    // Properties, then nested objects, then "end".
    for (;;) {
      std::string_view next = PeekIdent();
      if (next.empty()) Fail("property name or 'end' expected");
      if (SameText(next, "end") || IsObjectKeyword(next)) break;
      ConvertProperty(level + 1);
    }
    out_ += static_cast<char>(vaNull);
    for (;;) {
      std::string_view next = PeekIdent();
      if (SameText(next, "end")) break;
      if (!IsObjectKeyword(next))
        Fail(next.empty() ? "'end' expected" : "properties must come before nested objects");
      ConvertObject(level + 1);
      SkipBlanks();
    }
    Ident();  // end
    out_ += static_cast<char>(vaNull);
  }

  bool IsObjectKeyword(std::string_view word) {
    if (!SameText(word, "object") && !SameText(word, "inherited") && !SameText(word, "inline"))
      return false;
    // "Object = 1" is a property of that name.
    size_t save = pos_;
    SkipBlanks();
    pos_ += word.size();
    SkipBlanks();
    bool is_property = Cur() == '=';
    pos_ = save;
    return !is_property;
  }

  void ConvertProperty(int nest) {
    size_t at = pos_;
    std::string_view name = Ident();
    WriteShortString(name, at);
    Expect('=');
    ConvertValue(nest);
  }

  std::int64_t IntegerValue() {
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

  void ConvertNumber() {
    size_t start = pos_;
    if (Cur() == '-' || Cur() == '+') ++pos_;
    if (Cur() == '$') {
      pos_ = start;
      WriteInteger(IntegerValue());
      return;
    }
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
    std::string_view number = t_.substr(start, pos_ - start);
    char suffix = static_cast<char>(Cur());
    if (suffix >= 'A' && suffix <= 'Z') suffix = static_cast<char>(suffix + 32);
    if (suffix == 's' || suffix == 'c' || suffix == 'd') {
      ++pos_;
      is_float = true;
    } else {
      suffix = 0;
    }
    if (IsIdentChar(Cur())) Fail("invalid number");
    if (!is_float) {
      pos_ = start;
      WriteInteger(IntegerValue());
      return;
    }
    if (suffix == 'c') {
      auto c = ParseCurrency(number);
      if (!c) FailAt(start, "invalid currency value");
      out_ += static_cast<char>(vaCurrency);
      WriteU64(static_cast<std::uint64_t>(*c));
      return;
    }
    auto v = ParseFloat(number);
    if (!v) FailAt(start, "invalid number");
    if (suffix == 's') {
      float f = static_cast<float>(*v);
      std::uint32_t bits;
      std::memcpy(&bits, &f, 4);
      out_ += static_cast<char>(vaSingle);
      WriteU32(bits);
    } else if (suffix == 'd') {
      double d = static_cast<double>(*v);
      std::uint64_t bits;
      std::memcpy(&bits, &d, 8);
      out_ += static_cast<char>(vaDate);
      WriteU64(bits);
    } else {
      unsigned char bytes[10];
      EncodeExtended(*v, bytes);
      out_ += static_cast<char>(vaExtended);
      out_.append(reinterpret_cast<const char*>(bytes), 10);
    }
  }

  // Appends the character at the position (a UTF-8 sequence in UTF-8 text)
  // as UTF-16 units.
  void TakeChar(std::u16string& units) {
    unsigned char c = Cur();
    if (!utf8_ || c < 0x80) {
      units += static_cast<char16_t>(c);
      ++pos_;
      return;
    }
    int len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (len == 0 || pos_ + static_cast<size_t>(len) > t_.size()) Fail("invalid UTF-8 text");
    std::uint32_t cp = c & (0x7F >> len);
    for (int j = 1; j < len; ++j) {
      unsigned char t = static_cast<unsigned char>(t_[pos_ + static_cast<size_t>(j)]);
      if ((t & 0xC0) != 0x80) Fail("invalid UTF-8 text");
      cp = (cp << 6) | (t & 0x3F);
    }
    pos_ += static_cast<size_t>(len);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      units += static_cast<char16_t>(0xD800 + (cp >> 10));
      units += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      units += static_cast<char16_t>(cp);
    }
  }

  // Quoted pieces and #codes, joined by "+" across lines. Sets *wide when
  // the text writes a character beyond ASCII as a code, or (in UTF-8 text)
  // at all: such strings are stored as wide strings.
  std::u16string StringValue(bool* wide) {
    std::u16string units;
    *wide = false;
    for (;;) {
      bool piece = false;
      while (Cur() == '\'' || Cur() == '#') {
        piece = true;
        if (Cur() == '#') {
          ++pos_;
          std::int64_t code = IntegerValue();
          if (code < 0 || code > 0xFFFF) Fail("character code out of range");
          units += static_cast<char16_t>(code);
          if (code > 127) *wide = true;
          continue;
        }
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

  void WriteStringValue(const std::u16string& units, bool wide) {
    bool narrow = !wide;
    for (char16_t u : units) narrow = narrow && u <= 0xFF;
    if (narrow) {
      if (units.size() <= 255) {
        out_ += static_cast<char>(vaString);
        out_ += static_cast<char>(units.size());
      } else {
        out_ += static_cast<char>(vaLString);
        WriteU32(static_cast<std::uint32_t>(units.size()));
      }
      for (char16_t u : units) out_ += static_cast<char>(u);
      return;
    }
    out_ += static_cast<char>(vaWString);
    WriteU32(static_cast<std::uint32_t>(units.size()));
    for (char16_t u : units) {
      out_ += static_cast<char>(u & 0xFF);
      out_ += static_cast<char>(u >> 8);
    }
  }

  void ConvertValue(int nest) {
    Enter(nest);
    SkipBlanks();
    unsigned char c = Cur();
    if (AtEnd()) Fail("value expected");
    if (IsDigit(c) || c == '-' || c == '+' || c == '$') {
      ConvertNumber();
    } else if (c == '\'' || c == '#') {
      bool wide = false;
      std::u16string units = StringValue(&wide);
      WriteStringValue(units, wide);
    } else if (IsIdentStart(c)) {
      size_t at = pos_;
      std::string_view id = Ident();
      if (SameText(id, "False"))
        out_ += static_cast<char>(vaFalse);
      else if (SameText(id, "True"))
        out_ += static_cast<char>(vaTrue);
      else if (SameText(id, "nil"))
        out_ += static_cast<char>(vaNil);
      else if (SameText(id, "Null"))
        out_ += static_cast<char>(vaNull);
      else {
        out_ += static_cast<char>(vaIdent);
        WriteShortString(id, at);
      }
    } else if (c == '[') {
      ++pos_;
      out_ += static_cast<char>(vaSet);
      SkipBlanks();
      if (Cur() != ']') {
        for (;;) {
          size_t at = pos_;
          WriteShortString(Ident(), at);
          SkipBlanks();
          if (Cur() == ']') break;
          Expect(',');
        }
      }
      ++pos_;
      out_ += static_cast<char>(0);
    } else if (c == '(') {
      ++pos_;
      out_ += static_cast<char>(vaList);
      for (SkipBlanks(); Cur() != ')'; SkipBlanks()) {
        if (AtEnd()) Fail("')' expected");
        ConvertValue(nest + 1);
      }
      ++pos_;
      out_ += static_cast<char>(vaNull);
    } else if (c == '{') {
      ++pos_;
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
      ++pos_;
      out_ += static_cast<char>(vaBinary);
      WriteU32(static_cast<std::uint32_t>(data.size()));
      out_ += data;
    } else if (c == '<') {
      ++pos_;
      out_ += static_cast<char>(vaCollection);
      for (;;) {
        SkipBlanks();
        if (Cur() == '>') break;
        size_t at = pos_;
        if (!SameText(Ident(), "item")) FailAt(at, "'item' expected");
        SkipBlanks();
        if (Cur() == '[') {
          ++pos_;
          WriteInteger(IntegerValue());
          Expect(']');
        }
        out_ += static_cast<char>(vaList);
        for (;;) {
          std::string_view next = PeekIdent();
          if (next.empty()) Fail("property name or 'end' expected");
          if (SameText(next, "end")) break;
          ConvertProperty(nest + 2);
        }
        Ident();
        out_ += static_cast<char>(vaNull);
      }
      ++pos_;
      out_ += static_cast<char>(vaNull);
    } else {
      Fail("value expected");
    }
  }

  std::string_view t_;
  bool utf8_;
  size_t pos_ = 0;
  std::string out_;
};

}  // namespace

std::string ObjectTextToBinary(std::string_view text, FormCharset charset) {
  return Converter(text, charset).Run(true);
}

std::string ObjectTextToBinaryObject(std::string_view text, FormCharset charset) {
  return Converter(text, charset).Run(false);
}

}  // namespace tolvern
