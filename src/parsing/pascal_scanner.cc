#include "parsing/pascal_scanner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "base/ascii_text.h"

namespace tolvern {

namespace {

enum CharClass : unsigned char { kBlank, kLetter, kDigit, kDollar, kSymbol, kOtherChar };

struct Tables {
  std::array<CharClass, 256> cls{};
  std::array<bool, 256> ident{};  // letters and digits: what an identifier goes on with
  std::array<int, 256> symbol_code{};
  std::array<bool, 256> string_stop{};  // what ends the run of a string's plain characters
  Tables() {
    for (int c = 0; c < 256; ++c) {
      CharClass k = kOtherChar;
      // Bytes from 128 are letters: identifiers of Unicode sources and forms
      // may hold letters of any script, which are such bytes in UTF-8.
      if (c <= 32)
        k = kBlank;
      else if (c >= 128)
        k = kLetter;
      else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_')
        k = kLetter;
      else if (c >= '0' && c <= '9')
        k = kDigit;
      else if (c == '$')
        k = kDollar;
      else if (TPasParser::IsSymbolChar(static_cast<unsigned char>(c)))
        k = kSymbol;
      cls[static_cast<size_t>(c)] = k;
      ident[static_cast<size_t>(c)] = k == kLetter || k == kDigit;
    }
    // The symbols and their codes, in code order.
    for (char s : kSymbolChars) symbol_code[static_cast<unsigned char>(s)] = SymbolCodeOf(s);
    for (unsigned char c : {'\'', '\r', '\n'}) string_stop[c] = true;
  }
};

// Built once at start-up, so the scanner's hot path has no guard to pass.
const Tables kTables;

#if defined(__GNUC__)
#define TOLVERN_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define TOLVERN_ALWAYS_INLINE inline
#endif

}  // namespace

bool TPasParser::IsSymbolChar(unsigned char c) {
  return (c >= 33 && c <= 47 && c != '$') || (c >= 58 && c <= 64) || (c >= 91 && c <= 94) ||
         c == 96 || (c >= 123 && c <= 126);
}

bool TPasParser::IsNumberChar(unsigned char c) {
  return c == '$' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

int TPasParser::SymbolCode(unsigned char c) { return kTables.symbol_code[c]; }

namespace {

// The keywords by length; the first letter tells apart those of one length.
// Most identifiers are refused by their length and first letter at once.
TOLVERN_ALWAYS_INLINE int KeywordOf(std::string_view word) {
  constexpr unsigned kLengths = 1u << 3 | 1u << 4 | 1u << 6 | 1u << 9;
  if (word.size() > 9 || !(kLengths >> word.size() & 1u)) return 0;
  const auto is = [&](std::string_view k, int code) {
    for (size_t j = 0; j < k.size(); ++j) {
      char c = word[j];
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      if (c != k[j]) return 0;
    }
    return code;
  };
  const char first = static_cast<char>(word[0] & ~0x20);
  switch (word.size()) {
    case 3:
      return first == 'E' ? is("END", kTokEndKw) : 0;
    case 4:
      return first == 'I' ? is("ITEM", kTokItem) : first == 'U' ? is("USES", kTokUses) : 0;
    case 6:
      return first == 'I' ? is("INLINE", kTokInline) : first == 'O' ? is("OBJECT", kTokObject) : 0;
    case 9:
      return first == 'I' ? is("INHERITED", kTokInherited) : 0;
    default:
      return 0;
  }
}

}  // namespace

int TPasParser::KeywordCode(std::string_view word) { return KeywordOf(word); }

void TPasParser::SetText(std::string_view text) {
  text_ = text;
  pos_ = 0;
  prev_ = 0;
}

size_t TPasParser::ScanToLineEnd(size_t from) const {
  while (from < text_.size() && text_[from] != '\r' && text_[from] != '\n') ++from;
  return from;
}

size_t TPasParser::ScanTo(size_t from, std::string_view closer) const {
  size_t at = text_.find(closer, from);
  return at == std::string_view::npos ? text_.size() : at + closer.size();
}

// A string runs to its closing quote; a doubled quote stays inside. An
// unterminated string ends before the line end.
size_t TPasParser::ScanString(size_t from) const {
  const char* const p = text_.data();
  const size_t n = text_.size();
  size_t i = from + 1;
  for (;;) {
    while (i < n && !kTables.string_stop[static_cast<unsigned char>(p[i])]) ++i;
    if (i == n || p[i] != '\'') return i;  // the end, or a line end
    ++i;
    if (i < n && p[i] == '\'') {
      ++i;
      continue;
    }
    return i;
  }
}

// The token that starts at pos_ (before the end of the text): its code, and
// its end in *end. The loops of the common tokens (blanks, identifiers) run
// over the bytes directly; this is the scanner's hot path.
TOLVERN_ALWAYS_INLINE int TPasParser::Scan(size_t* end_out) const {
  const char* const p = text_.data();
  const size_t n = text_.size();
  const size_t start = pos_;
  const unsigned char c = static_cast<unsigned char>(p[start]);
  size_t end = start + 1;
  int code = kTokOther;
  switch (kTables.cls[c]) {
    case kBlank:
      while (end < n && static_cast<unsigned char>(p[end]) <= 32) ++end;
      code = kTokBlank;
      break;
    case kLetter:
      while (end < n && kTables.ident[static_cast<unsigned char>(p[end])]) ++end;
      code = KeywordOf(std::string_view(p + start, end - start));
      if (code == 0) code = kTokIdent;
      break;
    case kDigit:
    case kDollar:
      while (end < n && IsNumberChar(static_cast<unsigned char>(p[end]))) ++end;
      code = kTokNumber;
      break;
    case kSymbol:
    case kOtherChar: {
      const unsigned char next = end < n ? static_cast<unsigned char>(p[end]) : 0;
      if (c == '{') {
        end = ScanTo(start + 1, "}");
        code = kTokComment;
      } else if (c == '(' && next == '*') {
        end = ScanTo(start + 2, "*)");
        code = kTokComment;
      } else if (c == '/' && next == '/') {
        end = ScanToLineEnd(start + 2);
        code = kTokComment;
      } else if (IsStringQuote(c)) {
        end = ScanString(start);
        code = kTokString;
      } else if (int sym = kTables.symbol_code[c]) {
        code = sym;
      }
      break;
    }
  }
  *end_out = end;
  return code;
}

int TPasParser::GetNext(std::string_view* token) {
  prev_ = pos_;
  if (pos_ >= text_.size()) {
    *token = {};
    return kTokEnd;
  }
  size_t end;
  const int code = Scan(&end);
  *token = std::string_view(text_.data() + pos_, end - pos_);
  pos_ = end;
  return code;
}

int TPasParser::GetNext(std::string& s) {
  std::string_view token;
  int code = GetNext(&token);
  if (code != kTokString || KeepQuotes) {
    s.assign(token);
    return code;
  }
  s.clear();
  size_t i = 1;
  size_t last = token.size();
  if (last >= 2 && token.back() == '\'') --last;
  while (i < last) {
    s += token[i];
    if (token[i] == '\'' && i + 1 < last && token[i + 1] == '\'') ++i;
    ++i;
  }
  return code;
}

size_t PasTokens::LongSize(std::uint32_t offset) const {
  auto at = std::lower_bound(long_.begin(), long_.end(), offset,
                             [](const auto& l, std::uint32_t o) { return l.first < o; });
  return at->second;
}

void PasTokens::Add(int code, size_t offset, size_t size) {
  const std::uint32_t low = static_cast<std::uint8_t>(static_cast<std::int8_t>(code));
  if (size >= kLongSize) long_.emplace_back(static_cast<std::uint32_t>(offset), size);
  const std::uint32_t packed_size =
      size >= kLongSize ? kLongSize : static_cast<std::uint32_t>(size);
  packed_.push_back({static_cast<std::uint32_t>(offset), (packed_size << 8) | low});
}

void PasTokens::EraseCode(int code) {
  const std::uint32_t low = static_cast<std::uint8_t>(static_cast<std::int8_t>(code));
  std::erase_if(packed_, [low](const Packed& p) { return (p.size_code & 0xFF) == low; });
  // The sizes of long tokens dropped are never asked for again: they stay.
}

PasTokens SignificantTokens(std::string_view text, bool with_comments) {
  if (text.size() > UINT32_MAX) throw std::length_error("text too large to scan");
  PasTokens tokens;
  tokens.text_ = text;
  // Statements hold about one significant token in every three bytes, a
  // unit as a whole fewer: one allocation for most units.
  tokens.packed_.reserve(text.size() / 3 + 16);
  TPasParser scanner(text);
  while (scanner.pos_ < text.size()) {
    size_t end;
    const int code = scanner.Scan(&end);
    if (code != kTokBlank && (code != kTokComment || with_comments))
      tokens.Add(code, scanner.pos_, end - scanner.pos_);
    scanner.pos_ = end;
  }
  // The reserve beyond the last token is never touched, and so takes no
  // memory; shrinking it would copy the list.
  return tokens;
}

PasTokens InterfaceTokens(std::string_view text, size_t* rest) {
  if (text.size() > UINT32_MAX) throw std::length_error("text too large to scan");
  constexpr std::string_view kWord = "implementation";
  *rest = std::string_view::npos;
  PasTokens tokens;
  tokens.text_ = text;
  TPasParser scanner(text);
  while (scanner.pos_ < text.size()) {
    size_t end;
    const int code = scanner.Scan(&end);
    if (code == kTokIdent && end - scanner.pos_ == kWord.size() &&
        SameText(text.substr(scanner.pos_, kWord.size()), kWord)) {
      *rest = scanner.pos_;
      break;
    }
    if (code != kTokBlank && code != kTokComment)
      tokens.Add(code, scanner.pos_, end - scanner.pos_);
    scanner.pos_ = end;
  }
  return tokens;
}

}  // namespace tolvern
