// Binary object stream to form text.
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/large_stack.h"
#include "streams/form_numbers.h"
#include "streams/object_stream.h"

namespace tolvern {

namespace {

constexpr size_t kLineLength = 64;    // characters of a string piece on one line
constexpr size_t kBytesPerLine = 32;  // bytes of binary data on one line
constexpr size_t kLongestWrappedString = size_t{1} << 20;  // in text for rewriting

class Converter {
 public:
  Converter(std::string_view s, std::vector<ObjectSpan>* spans) : s_(s), spans_(spans) {
    out_.reserve(s.size() * 3);
  }

  std::string Run() {
    if (s_.substr(0, 4) != "TPF0") Fail(0, "missing the TPF0 signature");
    pos_ = 4;
    RunOnLargeStack(kLargeStackBytes, [this] { ConvertObject(0); });
    return std::move(out_);
  }

 private:
  [[noreturn]] void Fail(size_t at, const std::string& what) const {
    throw EStreamError("Invalid object stream at offset " + std::to_string(at) + ": " + what);
  }
  void Need(size_t n) const {
    if (s_.size() - pos_ < n) Fail(pos_, "unexpected end of stream");
  }
  unsigned char Byte() {
    Need(1);
    return static_cast<unsigned char>(s_[pos_++]);
  }
  unsigned char Peek() const {
    Need(1);
    return static_cast<unsigned char>(s_[pos_]);
  }
  std::uint64_t Unsigned(int bytes) {
    Need(static_cast<size_t>(bytes));
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
      v = (v << 8) | static_cast<unsigned char>(s_[pos_ + static_cast<size_t>(i)]);
    pos_ += static_cast<size_t>(bytes);
    return v;
  }
  std::string_view Bytes(std::uint64_t n) {
    if (n > s_.size() - pos_) Fail(pos_, "length " + std::to_string(n) + " runs past the end");
    std::string_view v = s_.substr(pos_, static_cast<size_t>(n));
    pos_ += static_cast<size_t>(n);
    return v;
  }
  std::string_view ShortString() { return Bytes(Byte()); }
  // A name as the text can hold it: an identifier, dotted parts allowed.
  std::string_view Name(bool may_be_empty) {
    const size_t at = pos_;
    std::string_view name = ShortString();
    if (name.empty() && may_be_empty) return name;
    auto start = [](unsigned char c) {
      return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
    };
    bool ok = !name.empty() && start(static_cast<unsigned char>(name[0]));
    for (char ch : name) {
      unsigned char c = static_cast<unsigned char>(ch);
      ok = ok && (start(c) || (c >= '0' && c <= '9') || c == '.');
    }
    if (!ok) Fail(at, "invalid name");
    return name;
  }

  void NewLine(int nest) {
    out_ += "\r\n";
    out_.append(static_cast<size_t>(2 * nest), ' ');
  }
  void Enter(int nest) const {
    if (nest > kMaxStreamNesting) Fail(pos_, "nesting too deep");
    // The indentation grows with the depth, so a small stream nested deep
    // in many places could ask for a text without bound.
    if (out_.size() > kMaxFormTextBytes) Fail(pos_, "the form text would exceed 1 GB");
  }

  std::int64_t Integer() {
    const size_t at = pos_;
    const unsigned char type = Byte();
    if (type != vaInt8 && type != vaInt16 && type != vaInt32 && type != vaInt64)
      Fail(at, "integer expected");
    return IntegerOf(type);
  }
  // The integer of that type whose bytes follow.
  std::int64_t IntegerOf(unsigned char type) {
    switch (type) {
      case vaInt8:
        return static_cast<std::int8_t>(Unsigned(1));
      case vaInt16:
        return static_cast<std::int16_t>(Unsigned(2));
      case vaInt32:
        return static_cast<std::int32_t>(Unsigned(4));
      default:  // vaInt64
        return static_cast<std::int64_t>(Unsigned(8));
    }
  }

  void ConvertObject(int level) {
    Enter(level);
    // Spans are in the order of the text: an object before its children.
    const size_t span = spans_ ? spans_->size() : 0;
    if (spans_) spans_->push_back({pos_, 0, 0, out_.size(), 0, level});
    ConvertHeader(level, span);
    while (Peek() != vaNull) ConvertProperty(level + 1);
    ++pos_;
    while (Peek() != vaNull) ConvertObject(level + 1);
    ++pos_;
    out_.append(static_cast<size_t>(2 * level), ' ');
    out_ += "end\r\n";
    if (spans_) {
      (*spans_)[span].stream_end = pos_;
      (*spans_)[span].text_end = out_.size();
    }
  }

  // The line "object Name: TClass [3]" of the flags (inherited, inline, the
  // position among its siblings), the class name and the object's name.
  void ConvertHeader(int level, size_t span) {
    unsigned char flags = 0;
    bool has_pos = false;
    std::int64_t child_pos = 0;
    if ((Peek() & 0xF0) == 0xF0) {
      flags = Byte() & 0x0F;
      if (flags & 2) {
        has_pos = true;
        child_pos = Integer();
      }
    }
    if (spans_) (*spans_)[span].class_begin = pos_;
    std::string_view cls = Name(false);
    std::string_view name = Name(true);
    out_.append(static_cast<size_t>(2 * level), ' ');
    out_ += (flags & 1) ? "inherited " : (flags & 4) ? "inline " : "object ";
    if (!name.empty()) {
      out_ += name;
      out_ += ": ";
    }
    out_ += cls;
    if (has_pos) out_ += " [" + std::to_string(child_pos) + "]";
    out_ += "\r\n";
  }

  void ConvertProperty(int nest) {
    std::string_view name = Name(false);
    out_.append(static_cast<size_t>(2 * nest), ' ');
    out_ += name;
    out_ += " = ";
    ConvertValue(nest);
    out_ += "\r\n";
  }

  // Writes a string of character codes; wide strings write codes above 127
  // as #nnn, 8-bit strings keep their bytes.
  template <typename Codes>
  void WriteString(const Codes& codes, size_t n, bool wide, int nest) {
    if (n == 0) {
      out_ += "''";
      return;
    }
    ++nest;
    // Text for rewriting keeps a very long string whole: a parser takes the
    // pieces of a wrapped string one nested level each.
    const bool wrap = spans_ == nullptr || n <= kLongestWrappedString;
    if (n > kLineLength && wrap) NewLine(nest);
    size_t i = 0, k = 0;
    while (i < n) {
      bool line_break = false;
      std::uint32_t c = codes(i);
      if (c >= ' ' && c != '\'' && (!wide || c <= 127)) {
        out_ += '\'';
        do {
          out_ += static_cast<char>(codes(i));
          ++i;
        } while (i < n && codes(i) >= ' ' && codes(i) != '\'' && ((i - k) < kLineLength || !wrap) &&
                 (!wide || codes(i) <= 127));
        if (i - k >= kLineLength && wrap) line_break = true;
        out_ += '\'';
      } else {
        out_ += '#';
        out_ += std::to_string(c);
        ++i;
        if (i - k >= kLineLength && wrap) line_break = true;
      }
      if (line_break && i < n) {
        out_ += " +";
        NewLine(nest);
        k = i;
      }
    }
  }

  void WriteBytesString(std::string_view bytes, int nest) {
    WriteString(
        [&](size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])); },
        bytes.size(), false, nest);
  }

  void WriteWideString(const std::u32string& codes, int nest) {
    WriteString([&](size_t i) { return static_cast<std::uint32_t>(codes[i]); }, codes.size(), true,
                nest);
  }

  // UTF-16 code units as the text writes them: one #nnn per unit.
  std::u32string Utf16Units(std::string_view bytes) {
    std::u32string units;
    units.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      units += static_cast<char32_t>(static_cast<unsigned char>(bytes[i]) |
                                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
    return units;
  }

  std::u32string Utf8Units(std::string_view bytes, size_t at) {
    std::u32string units;
    for (size_t i = 0; i < bytes.size();) {
      unsigned char c = static_cast<unsigned char>(bytes[i]);
      int len = c < 0x80             ? 1
                : (c & 0xE0) == 0xC0 ? 2
                : (c & 0xF0) == 0xE0 ? 3
                : (c & 0xF8) == 0xF0 ? 4
                                     : 0;
      if (len == 0 || i + static_cast<size_t>(len) > bytes.size()) Fail(at, "invalid UTF-8 string");
      std::uint32_t cp = len == 1 ? c : c & (0x7F >> len);
      for (int j = 1; j < len; ++j)
        cp = (cp << 6) | (static_cast<unsigned char>(bytes[i + static_cast<size_t>(j)]) & 0x3F);
      i += static_cast<size_t>(len);
      if (cp >= 0x10000) {
        cp -= 0x10000;
        units += static_cast<char32_t>(0xD800 + (cp >> 10));
        units += static_cast<char32_t>(0xDC00 + (cp & 0x3FF));
      } else {
        units += static_cast<char32_t>(cp);
      }
    }
    return units;
  }

  void ConvertValue(int nest) {
    Enter(nest);
    const size_t at = pos_;
    const unsigned char type = Byte();
    switch (type) {
      case vaList:
        return ConvertList(nest);
      case vaInt8:
      case vaInt16:
      case vaInt32:
      case vaInt64:
        out_ += std::to_string(IntegerOf(type));
        return;
      case vaExtended:
      case vaSingle:
      case vaDouble:
      case vaDate:
      case vaCurrency:
        return ConvertReal(type);
      case vaString:
      case vaLString:
      case vaWString:
      case vaUTF8String:
        return ConvertString(type, at, nest);
      case vaIdent:
      case vaFalse:
      case vaTrue:
      case vaNil:
      case vaNull:
        return ConvertWord(type);
      case vaBinary:
        return ConvertBinary(nest);
      case vaSet:
        return ConvertSet();
      case vaCollection:
        return ConvertCollection(nest);
      default:
        Fail(at, "unknown value type " + std::to_string(type));
    }
  }

  void ConvertList(int nest) {
    out_ += '(';
    while (Peek() != vaNull) {
      NewLine(nest + 1);
      ConvertValue(nest + 1);
    }
    ++pos_;
    out_ += ')';
  }

  // Floating-point values carry a suffix but for the extended type, which
  // the text takes as the default.
  void ConvertReal(unsigned char type) {
    switch (type) {
      case vaExtended:
        Need(10);
        out_ += FormatExtended(
            DecodeExtended(reinterpret_cast<const unsigned char*>(s_.data() + pos_)));
        pos_ += 10;
        return;
      case vaSingle: {
        std::uint32_t bits = static_cast<std::uint32_t>(Unsigned(4));
        float f;
        std::memcpy(&f, &bits, 4);
        out_ += FormatSingle(f) + "s";
        return;
      }
      case vaCurrency:
        out_ += FormatCurrency(static_cast<std::int64_t>(Unsigned(8))) + "c";
        return;
      default: {  // vaDouble, vaDate
        std::uint64_t bits = Unsigned(8);
        double d;
        std::memcpy(&d, &bits, 8);
        out_ += FormatDouble(d);
        if (type == vaDate) out_ += 'd';
      }
    }
  }

  // `at` is where the value starts: a malformed UTF-8 string is reported
  // there.
  void ConvertString(unsigned char type, size_t at, int nest) {
    switch (type) {
      case vaString:
        return WriteBytesString(ShortString(), nest);
      case vaLString:
        return WriteBytesString(Bytes(Unsigned(4)), nest);
      case vaWString: {
        std::uint64_t chars = Unsigned(4);
        if (chars > (s_.size() - pos_) / 2)
          Fail(pos_, "length " + std::to_string(chars) + " runs past the end");
        return WriteWideString(Utf16Units(Bytes(chars * 2)), nest);
      }
      default: {  // vaUTF8String
        std::uint64_t n = Unsigned(4);
        return WriteWideString(Utf8Units(Bytes(n), at), nest);
      }
    }
  }

  // An identifier, or a word of its own: the booleans, nil, and a Null
  // variant.
  void ConvertWord(unsigned char type) {
    switch (type) {
      case vaIdent:
        out_ += Name(false);
        return;
      case vaFalse:
        out_ += "False";
        return;
      case vaTrue:
        out_ += "True";
        return;
      case vaNil:
        out_ += "nil";
        return;
      default:  // vaNull
        out_ += "Null";
    }
  }

  void ConvertBinary(int nest) {
    std::string_view data = Bytes(Unsigned(4));
    static const char kHex[] = "0123456789ABCDEF";
    out_ += '{';
    // Data that fits on one line stays on the property's line.
    const bool inline_data = data.size() <= kBytesPerLine;
    for (size_t i = 0; i < data.size(); ++i) {
      if (i % kBytesPerLine == 0 && !inline_data) NewLine(nest + 1);
      unsigned char b = static_cast<unsigned char>(data[i]);
      out_ += kHex[b >> 4];
      out_ += kHex[b & 15];
    }
    out_ += '}';
  }

  void ConvertSet() {
    out_ += '[';
    for (bool first = true;; first = false) {
      std::string_view item = Name(true);
      if (item.empty()) break;
      if (!first) out_ += ", ";
      out_ += item;
    }
    out_ += ']';
  }

  void ConvertCollection(int nest) {
    out_ += '<';
    while (Peek() != vaNull) ConvertCollectionItem(nest + 1);
    ++pos_;
    out_ += '>';
  }

  // "item", its index when it has one, its properties and "end".
  void ConvertCollectionItem(int nest) {
    NewLine(nest);
    out_ += "item";
    unsigned char next = Peek();
    if (next == vaInt8 || next == vaInt16 || next == vaInt32) {
      out_ += " [" + std::to_string(Integer()) + "]";
    }
    if (Byte() != vaList) Fail(pos_ - 1, "collection item expected");
    out_ += "\r\n";
    while (Peek() != vaNull) ConvertProperty(nest + 1);
    ++pos_;
    out_.append(static_cast<size_t>(2 * nest), ' ');
    out_ += "end";
  }

  std::string_view s_;
  std::vector<ObjectSpan>* spans_;
  size_t pos_ = 0;
  std::string out_;
};

}  // namespace

std::string ObjectBinaryToText(std::string_view stream) { return Converter(stream, nullptr).Run(); }

std::string ObjectBinaryToText(std::string_view stream, std::vector<ObjectSpan>* spans) {
  return Converter(stream, spans).Run();
}

}  // namespace tolvern
