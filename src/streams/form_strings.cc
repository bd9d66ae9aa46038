#include "streams/form_strings.h"

namespace tolvern {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A character code as bytes: in 8-bit text a code below 256 is the byte of
// that number, as the form's code page holds the character; any other as
// UTF-8.
void AppendCode(std::string* out, unsigned long code, bool utf8) {
  if (code < (utf8 ? 0x80u : 0x100u)) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (code >> 18));
    *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsHighSurrogate(const FormChar& c) { return c.code && c.value >= 0xD800 && c.value < 0xDC00; }
bool IsLowSurrogate(const FormChar& c) { return c.code && c.value >= 0xDC00 && c.value < 0xE000; }

// Reads one string value at text[*i], with its "+" continuations.
bool ReadChars(std::string_view text, size_t* i, FormChars* out) {
  size_t p = *i;
  for (;;) {
    bool piece = false;
    while (p < text.size() && (text[p] == '\'' || text[p] == '#')) {
      piece = true;
      if (text[p] == '#') {
        ++p;
        unsigned long code = 0;
        size_t digits = 0;
        while (p < text.size() && text[p] >= '0' && text[p] <= '9' && digits < 6) {
          code = code * 10 + static_cast<unsigned long>(text[p++] - '0');
          ++digits;
        }
        if (digits == 0 || code > 0xFFFF) return false;
        out->push_back({static_cast<std::uint32_t>(code), true});
        continue;
      }
      for (++p;; ++p) {
        if (p >= text.size() || text[p] == '\r' || text[p] == '\n') return false;
        if (text[p] != '\'') {
          out->push_back({static_cast<unsigned char>(text[p]), false});
          continue;
        }
        if (p + 1 < text.size() && text[p + 1] == '\'') {
          out->push_back({'\'', false});
          ++p;
          continue;
        }
        ++p;
        break;
      }
    }
    if (!piece) return false;
    size_t q = p;
    while (q < text.size() && IsBlank(text[q])) ++q;
    if (q >= text.size() || text[q] != '+') break;
    p = q + 1;
    while (p < text.size() && IsBlank(text[p])) ++p;
  }
  *i = p;
  return true;
}

// The same as bytes: quoted characters as they stood, codes as AppendCode
// writes them (in UTF-8 text, a pair of UTF-16 surrogate codes as the one
// character they make).
bool ReadString(std::string_view text, size_t* i, std::string* out, FormCharset charset) {
  FormChars chars;
  if (!ReadChars(text, i, &chars)) return false;
  const bool utf8 = charset == FormCharset::kUtf8;
  for (size_t k = 0; k < chars.size(); ++k) {
    const FormChar& c = chars[k];
    if (!c.code) {
      *out += static_cast<char>(c.value);
    } else if (utf8 && IsHighSurrogate(c) && k + 1 < chars.size() && IsLowSurrogate(chars[k + 1])) {
      AppendCode(out, 0x10000 + ((c.value - 0xD800) << 10) + (chars[++k].value - 0xDC00), true);
    } else {
      AppendCode(out, c.value, utf8);
    }
  }
  return true;
}

bool ReadAnsiString(std::string_view text, size_t* i, std::string* out) {
  return ReadString(text, i, out, FormCharset::kAnsi);
}

// A string list value "( ... )", each item read by read_item.
template <typename Item, typename Read>
std::optional<std::vector<Item>> ReadList(std::string_view text, Read read_item) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i >= text.size() || text[i] != '(') return std::nullopt;
  ++i;
  std::vector<Item> items;
  for (;;) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) return std::nullopt;
    if (text[i] == ')') break;
    Item item;
    if (!read_item(text, &i, &item)) return std::nullopt;
    items.push_back(std::move(item));
  }
  ++i;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i != text.size()) return std::nullopt;
  return items;
}

}  // namespace

std::optional<std::string> DecodeFormString(std::string_view text, FormCharset charset) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  std::optional<std::string> out = ReadFormString(text, &i, charset);
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (!out || i != text.size()) return std::nullopt;
  return out;
}

std::optional<std::string> ReadFormString(std::string_view text, size_t* at, FormCharset charset) {
  std::string out;
  if (*at >= text.size() || !ReadString(text, at, &out, charset)) return std::nullopt;
  return out;
}

std::optional<std::vector<std::string>> DecodeFormStringList(std::string_view text) {
  return ReadList<std::string>(text, ReadAnsiString);
}

std::optional<std::vector<FormChars>> DecodeFormCharsList(std::string_view text) {
  return ReadList<FormChars>(text, ReadChars);
}

FormChars ToFormChars(std::string_view bytes) {
  FormChars chars;
  chars.reserve(bytes.size());
  for (char c : bytes) chars.push_back({static_cast<unsigned char>(c), false});
  return chars;
}

std::string EncodeFormChars(const FormChars& value) {
  if (value.empty()) return "''";
  std::string out;
  bool quoted = false;
  for (const FormChar& c : value) {
    bool plain = !c.code && c.value >= ' ' && c.value != '\'';
    if (plain != quoted) {
      out += '\'';
      quoted = plain;
    }
    if (plain)
      out += static_cast<char>(c.value);
    else
      out += "#" + std::to_string(c.value);
  }
  if (quoted) out += '\'';
  return out;
}

std::string EncodeFormString(std::string_view value) { return EncodeFormChars(ToFormChars(value)); }

}  // namespace tolvern
