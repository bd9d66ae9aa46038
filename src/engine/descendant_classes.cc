#include "engine/descendant_classes.h"

#include "base/ascii_text.h"
#include "parsing/pascal_scanner.h"

namespace tolvern {

namespace {

bool Is(int code, char symbol) { return code == SymbolCodeOf(symbol); }

// Reads the significant tokens of a text one by one, from a given one;
// kTokEnd after the last.
class Tokens {
 public:
  Tokens(const PasTokens& tokens, size_t next) : tokens_(tokens), next_(next) {}
  int Next(std::string_view* token) {
    if (next_ >= tokens_.size()) {
      *token = {};
      return kTokEnd;
    }
    const PasToken& t = tokens_[next_++];
    *token = t.text;
    return t.code;
  }
  // The index of the token Next gives next.
  size_t Position() const { return next_; }

 private:
  const PasTokens& tokens_;
  size_t next_;
};

bool IsWord(int code, std::string_view token, std::string_view word) {
  return code == kTokIdent && SameText(token, word);
}

// Reads a class body up to its "end": the names of the properties declared
// with a type. Nested records carry their own "end".
std::vector<std::string> ReadBody(Tokens& tokens) {
  std::vector<std::string> own;
  std::string_view tok, name;
  int depth = 1;
  for (int code; (code = tokens.Next(&tok)) != kTokEnd;) {
    if (code == kTokEndKw && --depth == 0) break;
    if (IsWord(code, tok, "record")) ++depth;
    if (!IsWord(code, tok, "property")) continue;
    if (tokens.Next(&name) != kTokIdent) continue;
    if (Is(tokens.Next(&tok), ':')) own.emplace_back(name);
  }
  return own;
}

}  // namespace

void TDescendantClasses::LearnFrom(std::string_view unit_text) {
  LearnFrom(SignificantTokens(unit_text));
}

bool TDescendantClasses::MayDeclare(std::string_view text) {
  // From each "(" back over blanks to the word before it: "(" is rarer
  // than the letter c, and memchr finds it fast. A comment just before the
  // "(" may stand between "class" and it: such a text may declare one.
  constexpr std::string_view kWord = "class";
  for (size_t at = 0; (at = text.find('(', at)) != std::string_view::npos; ++at) {
    size_t p = at;
    bool line_end = false;
    while (p > 0 && static_cast<unsigned char>(text[p - 1]) <= ' ') line_end |= text[--p] == '\n';
    if (p >= kWord.size() && SameText(text.substr(p - kWord.size(), kWord.size()), kWord))
      return true;
    if (p > 0 && (text[p - 1] == '}' || text[p - 1] == ')')) return true;
    if (line_end) {
      const size_t line = text.rfind('\n', p == 0 ? 0 : p - 1);
      const size_t from = line == std::string_view::npos || p == 0 ? 0 : line + 1;
      if (text.substr(from, p - from).find("//") != std::string_view::npos) return true;
    }
  }
  return false;
}

void TDescendantClasses::Absorb(TDescendantClasses&& later) {
  for (auto& [name, info] : later.classes_) classes_[name] = std::move(info);
}

void TDescendantClasses::LearnFrom(const PasTokens& unit_tokens) {
  constexpr int kOpen = SymbolCodeOf('('), kEquals = SymbolCodeOf('=');
  std::string_view tok;
  // A declaration is: name "=" "class" "(" ancestor. The search goes on
  // after what each declaration read.
  for (size_t i = 3; i < unit_tokens.size(); ++i) {
    if (unit_tokens[i].code != kOpen) continue;
    const PasToken& name_token = unit_tokens[i - 3];
    if (name_token.code != kTokIdent || unit_tokens[i - 2].code != kEquals ||
        !IsWord(unit_tokens[i - 1].code, unit_tokens[i - 1].text, "class"))
      continue;
    const std::string name(name_token.text);
    Tokens tokens(unit_tokens, i + 1);
    std::string_view ancestor;
    if (tokens.Next(&ancestor) != kTokIdent) {
      i = tokens.Position() + 2;
      continue;
    }
    // A unit-qualified ancestor (DBTables.TQuery) names its class last.
    int c;
    while (Is(c = tokens.Next(&tok), '.') && tokens.Next(&tok) == kTokIdent) ancestor = tok;
    ClassInfo info{std::string(ancestor), {}};
    // Interfaces may follow the ancestor; "class(TQuery);" has no body.
    while (c != kTokEnd && !Is(c, ')')) c = tokens.Next(&tok);
    c = tokens.Next(&tok);
    if (!Is(c, ';') && c != kTokEnd && c != kTokEndKw) {
      if (IsWord(c, tok, "property")) {
        std::string_view prop;
        if (tokens.Next(&prop) == kTokIdent && Is(tokens.Next(&tok), ':'))
          info.own_properties.emplace_back(prop);
      }
      std::vector<std::string> more = ReadBody(tokens);
      info.own_properties.insert(info.own_properties.end(), more.begin(), more.end());
    }
    classes_[UpperCase(name)] = std::move(info);
    // The next declaration's name comes after what was read.
    i = tokens.Position() + 2;
  }
}

const TDescendantClasses::ClassInfo* TDescendantClasses::Find(std::string_view cls) const {
  auto it = classes_.find(UpperCase(std::string(cls)));
  return it == classes_.end() ? nullptr : &it->second;
}

std::string TDescendantClasses::MappedAncestor(
    std::string_view cls, const std::function<bool(const std::string&)>& is_mapped) const {
  const ClassInfo* info = Find(cls);
  // Each step leaves one learnt class behind, so a longer walk is a cycle.
  for (size_t steps = 0; info && steps < classes_.size(); ++steps) {
    if (is_mapped(info->ancestor)) return info->ancestor;
    info = Find(info->ancestor);
  }
  return "";
}

std::vector<std::string> TDescendantClasses::OwnProperties(std::string_view cls,
                                                           std::string_view ancestor) const {
  std::vector<std::string> own;
  const ClassInfo* info = Find(cls);
  for (size_t steps = 0; info && steps < classes_.size(); ++steps) {
    own.insert(own.end(), info->own_properties.begin(), info->own_properties.end());
    if (SameText(info->ancestor, ancestor)) break;
    info = Find(info->ancestor);
  }
  return own;
}

}  // namespace tolvern
