// A lossless token scanner for Pascal units and form text. Every byte of the
// text belongs to exactly one token, white space included, so writing the
// token texts one after another gives the text back exactly, whatever the
// input (binary data, unterminated strings or comments, NUL bytes).
//
// The scanner does not copy its text: it holds a view, and the caller keeps
// the text alive while scanning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tolvern {

// Token codes. Symbols have the codes 1 to 27 and keywords 28 to 33.
enum : int {
  kTokEnd = 0,
  kTokBlank = -101,    // a run of bytes 0 to 32
  kTokOther = -102,    // a character without a code ("}", "|", "~")
  kTokIdent = -103,    // letters (bytes >= 128 too), digits and "_", not starting with a digit
  kTokNumber = -104,   // a run of "$", digits and hexadecimal letters
  kTokString = -106,   // a quoted string; doubled quotes stay inside
  kTokComment = -108,  // { }, (* *), or // to the line end; delimiters included
  kTokSemicolon = 16,
  kTokEndKw = 28,
  kTokInherited = 29,
  kTokInline = 30,
  kTokItem = 31,
  kTokObject = 32,
  kTokUses = 33,
};

class PasTokens;

// The one-character symbols that have a code, in code order (from 1).
inline constexpr std::string_view kSymbolChars = "!\"#%&'()*+,-./:;<=>?@[\\]^_`";
// The code of a one-character symbol, or 0; at compile time where it can be.
constexpr int SymbolCodeOf(char c) {
  const size_t at = kSymbolChars.find(c);
  return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}
static_assert(SymbolCodeOf(';') == kTokSemicolon && SymbolCodeOf('$') == 0);

class TPasParser {
 public:
  explicit TPasParser(std::string_view text) : text_(text) {}

  // The code of the next token, its exact text in *token; 0 at the end.
  int GetNext(std::string_view* token);
  // As above, but with KeepQuotes off a string token gives its value: the
  // enclosing quotes removed and doubled quotes made single.
  int GetNext(std::string& s);

  // The 0-based offset of the first character of the token last returned.
  int PrevPos() const { return static_cast<int>(prev_); }
  // Scans a new text from its first character.
  void SetText(std::string_view text);

  bool KeepQuotes = true;

  // Printable ASCII that is not a letter, digit, "$" or "_".
  static bool IsSymbolChar(unsigned char c);
  // "$", digits and hexadecimal letters.
  static bool IsNumberChar(unsigned char c);
  static bool IsStringQuote(unsigned char c) { return c == '\''; }
  // The code of a one-character symbol, or 0 when it has none.
  static int SymbolCode(unsigned char c);
  // The code of a keyword in any letter case, or 0.
  static int KeywordCode(std::string_view word);

 private:
  friend PasTokens SignificantTokens(std::string_view text, bool with_comments);
  friend PasTokens InterfaceTokens(std::string_view text, size_t* rest);
  // The code of the token at pos_, which is before the end; its end in *end.
  int Scan(size_t* end) const;
  size_t ScanString(size_t from) const;
  size_t ScanTo(size_t from, std::string_view closer) const;
  size_t ScanToLineEnd(size_t from) const;

  std::string_view text_;
  size_t pos_ = 0;
  size_t prev_ = 0;
};

// A token of a text, with the offset of its first character.
struct PasToken {
  int code;
  std::string_view text;
  size_t offset;
};

// The tokens of a text in text order, eight bytes each: a unit holds about
// one token in every four or five bytes, and a list of full tokens would
// take several times the memory of the text itself. The tokens are given
// out whole (PasToken) one at a time; their views point into the text, which
// the caller keeps alive.
class PasTokens {
 public:
  PasTokens() = default;
  size_t size() const { return packed_.size(); }
  bool empty() const { return packed_.empty(); }
  // Inline, as the scans of a unit ask for every token several times; only
  // a token of kLongSize bytes or more looks its size up.
  PasToken operator[](size_t i) const {
    const Packed p = packed_[i];
    const std::uint32_t size = p.size_code >> 8;
    return {CodeOf(p), text_.substr(p.offset, size == kLongSize ? LongSize(p.offset) : size),
            p.offset};
  }
  // The code of token i alone, without its text.
  int Code(size_t i) const { return CodeOf(packed_[i]); }
  // Drops the tokens of one code (comments), keeping the others' order.
  void EraseCode(int code);

 private:
  friend PasTokens SignificantTokens(std::string_view text, bool with_comments);
  friend PasTokens InterfaceTokens(std::string_view text, size_t* rest);
  // A token's offset, and its size above its code's low byte (every code
  // fits a signed byte). A token of kLongSize bytes or more has its size in
  // long_, by offset.
  struct Packed {
    std::uint32_t offset;
    std::uint32_t size_code;
  };
  static constexpr std::uint32_t kLongSize = 0xFFFFFF;
  static int CodeOf(Packed p) { return static_cast<std::int8_t>(p.size_code & 0xFF); }
  // The size of the long token at offset.
  size_t LongSize(std::uint32_t offset) const;
  void Add(int code, size_t offset, size_t size);

  std::string_view text_;
  std::vector<Packed> packed_;
  std::vector<std::pair<std::uint32_t, size_t>> long_;  // offset and size, by offset
};

// The tokens of a text without its blanks, and without its comments unless
// asked for, in text order. Texts of up to 4 GB (larger ones throw
// std::length_error).
PasTokens SignificantTokens(std::string_view text, bool with_comments = false);
// The significant tokens, comments left out, up to the first word
// "implementation" (any letter case; it is not among them): what a unit
// shows other units. *rest: the offset of that word, or npos when the text
// has none (every token is then given).
PasTokens InterfaceTokens(std::string_view text, size_t* rest);

}  // namespace tolvern
