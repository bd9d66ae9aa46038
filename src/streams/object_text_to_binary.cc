// Form text to binary object stream.
#include <cstdint>
#include <string>

#include "base/ascii_text.h"
#include "platform/large_stack.h"
#include "streams/form_numbers.h"
#include "streams/form_text_scanner.h"
#include "streams/object_stream.h"
#include "streams/object_stream_writer.h"

namespace tolvern {

namespace {

// Reads form text with the scanner and writes what it reads with the
// stream writer: the grammar of objects, properties and values.
class Converter : private FormTextScanner {
 public:
  Converter(std::string_view text, FormCharset charset)
      : FormTextScanner(text, charset), out_(text.size() / 2 + 16) {}

  // The stream of a whole form, or (without the signature) of one object.
  std::string Run(bool signature) {
    if (utf8_ && t_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
    if (signature) out_.Raw("TPF0");
    SkipBlanks();
    RunOnLargeStack(kLargeStackBytes, [this] { ConvertObject(0); });
    SkipBlanks();
    if (pos_ < t_.size()) Fail("text after the end of the form");
    return out_.Take();
  }

 private:
  void Enter(int nest) const {
    if (nest > kMaxStreamNesting) Fail("nesting too deep");
  }

  // A name, which the stream holds in at most 255 bytes; `at` is where the
  // text has it.
  void WriteName(std::string_view name, size_t at) {
    if (name.size() > 255) FailAt(at, "name longer than 255 characters");
    out_.ShortString(name);
  }

  void ConvertObject(int level) {
    Enter(level);
    ConvertHeader();
    // Properties, then nested objects, then "end".
    for (;;) {
      std::string_view next = PeekIdent();
      if (next.empty()) Fail("property name or 'end' expected");
      if (SameText(next, "end") || IsObjectKeyword(next)) break;
      ConvertProperty(level + 1);
    }
    out_.Type(vaNull);
    for (;;) {
      std::string_view next = PeekIdent();
      if (SameText(next, "end")) break;
      if (!IsObjectKeyword(next))
        Fail(next.empty() ? "'end' expected" : "properties must come before nested objects");
      ConvertObject(level + 1);
      SkipBlanks();
    }
    Ident();  // end
    out_.Type(vaNull);
  }

  // "object Name: TClass [3]": the flags byte when the keyword or a position
  // among the siblings asks for one, then the class name and the name.
  void ConvertHeader() {
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
      out_.Byte(static_cast<unsigned char>(0xF0 | flags));
      if (has_pos) out_.Integer(child_pos);
    }
    WriteName(cls, name_at);
    WriteName(name, name_at);
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
    WriteName(name, at);
    Expect('=');
    ConvertValue(nest);
  }

  void ConvertNumber() {
    const size_t start = pos_;
    if (Cur() == '-' || Cur() == '+') ++pos_;
    if (Cur() == '$') {
      pos_ = start;
      out_.Integer(IntegerValue());
      return;
    }
    bool is_float = SkipDecimal();
    std::string_view number = t_.substr(start, pos_ - start);
    const char suffix = TakeNumberSuffix();
    if (suffix) is_float = true;
    if (IsIdentChar(Cur())) Fail("invalid number");
    if (!is_float) {
      pos_ = start;
      out_.Integer(IntegerValue());
      return;
    }
    WriteReal(number, suffix, start);
  }

  // The floating-point or currency value of a number's text, which starts
  // at `start`.
  void WriteReal(std::string_view number, char suffix, size_t start) {
    if (suffix == 'c') {
      auto c = ParseCurrency(number);
      if (!c) FailAt(start, "invalid currency value");
      out_.Currency(*c);
      return;
    }
    auto v = ParseFloat(number);
    if (!v) FailAt(start, "invalid number");
    out_.Real(*v, suffix);
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
      out_.String(units, wide);
    } else if (IsIdentStart(c)) {
      ConvertWord();
    } else if (c == '[') {
      ConvertSet();
    } else if (c == '(') {
      ConvertList(nest);
    } else if (c == '{') {
      ConvertBinary();
    } else if (c == '<') {
      ConvertCollection(nest);
    } else {
      Fail("value expected");
    }
  }

  // The words of their own value type (the booleans, nil, a Null variant)
  // in any letter case, or else an identifier.
  void ConvertWord() {
    size_t at = pos_;
    std::string_view id = Ident();
    if (SameText(id, "False"))
      out_.Type(vaFalse);
    else if (SameText(id, "True"))
      out_.Type(vaTrue);
    else if (SameText(id, "nil"))
      out_.Type(vaNil);
    else if (SameText(id, "Null"))
      out_.Type(vaNull);
    else {
      out_.Type(vaIdent);
      WriteName(id, at);
    }
  }

  void ConvertSet() {
    ++pos_;
    out_.Type(vaSet);
    SkipBlanks();
    if (Cur() != ']') {
      for (;;) {
        size_t at = pos_;
        WriteName(Ident(), at);
        SkipBlanks();
        if (Cur() == ']') break;
        Expect(',');
      }
    }
    ++pos_;
    out_.Byte(0);  // the empty name that ends the set
  }

  void ConvertList(int nest) {
    ++pos_;
    out_.Type(vaList);
    for (SkipBlanks(); Cur() != ')'; SkipBlanks()) {
      if (AtEnd()) Fail("')' expected");
      ConvertValue(nest + 1);
    }
    ++pos_;
    out_.Type(vaNull);
  }

  void ConvertBinary() {
    ++pos_;
    std::string data = HexData();
    ++pos_;
    out_.Binary(data);
  }

  void ConvertCollection(int nest) {
    ++pos_;
    out_.Type(vaCollection);
    for (;;) {
      SkipBlanks();
      if (Cur() == '>') break;
      ConvertCollectionItem(nest + 1);
    }
    ++pos_;
    out_.Type(vaNull);
  }

  // "item", an optional "[index]", properties and "end": the index and a
  // list of the properties.
  void ConvertCollectionItem(int nest) {
    size_t at = pos_;
    if (!SameText(Ident(), "item")) FailAt(at, "'item' expected");
    SkipBlanks();
    if (Cur() == '[') {
      ++pos_;
      out_.Integer(IntegerValue());
      Expect(']');
    }
    out_.Type(vaList);
    for (;;) {
      std::string_view next = PeekIdent();
      if (next.empty()) Fail("property name or 'end' expected");
      if (SameText(next, "end")) break;
      ConvertProperty(nest + 1);
    }
    Ident();
    out_.Type(vaNull);
  }

  ObjectStreamWriter out_;
};

}  // namespace

std::string ObjectTextToBinary(std::string_view text, FormCharset charset) {
  return Converter(text, charset).Run(true);
}

std::string ObjectTextToBinaryObject(std::string_view text, FormCharset charset) {
  return Converter(text, charset).Run(false);
}

}  // namespace tolvern
