#include "engine/descendant_classes.h"

#include "parsing/pas_parser.h"
#include "platform/ascii_text.h"

namespace tolvern {

namespace {

// Symbol codes are asked for when used: the scanner's tables are built at
// start-up in another unit.
bool Is(int code, char symbol) {
  return code == TPasParser::SymbolCode(static_cast<unsigned char>(symbol));
}

// Reads the significant tokens of a text one by one; kTokEnd after the last.
class Tokens {
 public:
  explicit Tokens(const std::vector<PasToken>& tokens) : tokens_(tokens) {}
  int Next(std::string_view* token) {
    if (next_ >= tokens_.size()) {
      *token = {};
      return kTokEnd;
    }
    const PasToken& t = tokens_[next_++];
    *token = t.text;
    return t.code;
  }

 private:
  const std::vector<PasToken>& tokens_;
  size_t next_ = 0;
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

void TDescendantClasses::Absorb(TDescendantClasses&& later) {
  for (auto& [name, info] : later.classes_) classes_[name] = std::move(info);
}

void TDescendantClasses::LearnFrom(const std::vector<PasToken>& unit_tokens) {
  Tokens tokens(unit_tokens);
  // The three tokens before the current one, oldest first: name "=" "class".
  struct Seen {
    int code = 0;
    std::string_view text;
  } seen[3];
  std::string_view tok;
  for (int code; (code = tokens.Next(&tok)) != kTokEnd;) {
    const bool declaration = Is(code, '(') && seen[0].code == kTokIdent && Is(seen[1].code, '=') &&
                             IsWord(seen[2].code, seen[2].text, "class");
    if (!declaration) {
      seen[0] = seen[1];
      seen[1] = seen[2];
      seen[2] = {code, tok};
      continue;
    }
    const std::string name(seen[0].text);
    seen[0] = seen[1] = seen[2] = {};
    std::string_view ancestor;
    if (tokens.Next(&ancestor) != kTokIdent) continue;
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
