#include "platform/form_strings.h"

namespace tolvern {

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

void AppendCode(std::string* out, unsigned long code) {
  if (code < 0x100) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Reads one string value at text[*i], with its "+" continuations.
bool ReadString(std::string_view text, size_t* i, std::string* out) {
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
        AppendCode(out, code);
        continue;
      }
      for (++p;; ++p) {
        if (p >= text.size() || text[p] == '\r' || text[p] == '\n') return false;
        if (text[p] != '\'') {
          *out += text[p];
          continue;
        }
        if (p + 1 < text.size() && text[p + 1] == '\'') {
          *out += '\'';
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

}  // namespace

std::optional<std::string> DecodeFormString(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  std::string out;
  if (!ReadString(text, &i, &out)) return std::nullopt;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i != text.size()) return std::nullopt;
  return out;
}

std::optional<std::vector<std::string>> DecodeFormStringList(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i >= text.size() || text[i] != '(') return std::nullopt;
  ++i;
  std::vector<std::string> items;
  for (;;) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) return std::nullopt;
    if (text[i] == ')') break;
    std::string item;
    if (!ReadString(text, &i, &item)) return std::nullopt;
    items.push_back(std::move(item));
  }
  ++i;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i != text.size()) return std::nullopt;
  return items;
}

std::string EncodeFormString(std::string_view value) {
  if (value.empty()) return "''";
  std::string out;
  bool quoted = false;
  for (char ch : value) {
    unsigned char c = static_cast<unsigned char>(ch);
    bool plain = c >= ' ' && c != '\'';
    if (plain != quoted) {
      out += '\'';
      quoted = plain;
    }
    if (plain)
      out += ch;
    else
      out += "#" + std::to_string(c);
  }
  if (quoted) out += '\'';
  return out;
}

}  // namespace tolvern
