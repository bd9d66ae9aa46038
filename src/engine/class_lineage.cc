#include "engine/class_lineage.h"

#include <utility>

namespace tolvern {

namespace {

constexpr int kDot = SymbolCodeOf('.'), kEquals = SymbolCodeOf('='), kOpenParen = SymbolCodeOf('('),
              kCloseParen = SymbolCodeOf(')');

bool IsWord(const PasTokens& toks, size_t i, std::string_view word) {
  return i < toks.size() && toks.Code(i) == kTokIdent && SameText(toks[i].text, word);
}

bool CodeAt(const PasTokens& toks, size_t i, int code) {
  return i < toks.size() && toks.Code(i) == code;
}

// The parent of the class whose "(" is at open: the last name of a
// qualified one; c->body moves past the ")".
void ReadParent(const PasTokens& toks, size_t open, UnitClass* c) {
  size_t j = open + 1;
  while (CodeAt(toks, j, kTokIdent) && CodeAt(toks, j + 1, kDot)) j += 2;  // Forms.TForm
  if (CodeAt(toks, j, kTokIdent)) c->parent = toks[j].text;
  while (j < toks.size() && toks.Code(j) != kCloseParen) ++j;
  c->body = j + 1;
}

// The index of the "end" of the class body that starts at body; records
// nested in it carry their own "end".
size_t BodyEnd(const PasTokens& toks, size_t body) {
  int depth = 0;
  size_t j = body;
  for (; j < toks.size(); ++j) {
    if (IsWord(toks, j, "record")) ++depth;
    if (toks.Code(j) == kTokEndKw && depth-- == 0) break;
  }
  return j;
}

}  // namespace

std::vector<UnitClass> ReadUnitClasses(const PasTokens& toks) {
  std::vector<UnitClass> found;
  for (size_t i = 0; i + 3 < toks.size(); ++i) {
    if (toks.Code(i) != kTokIdent || !CodeAt(toks, i + 1, kEquals) ||
        !IsWord(toks, i + 2, "class") || IsWord(toks, i + 3, "of") ||
        CodeAt(toks, i + 3, kTokSemicolon))
      continue;
    UnitClass c{toks[i].text, {}, i + 3, i + 3};
    if (CodeAt(toks, i + 3, kOpenParen)) ReadParent(toks, i + 3, &c);
    // "TName = class(TParent);" has no body.
    c.end = CodeAt(toks, c.body, kTokSemicolon) ? c.body : BodyEnd(toks, c.body);
    found.push_back(c);
    i = c.body;
  }
  return found;
}

void ClassLineage::SetParent(std::string_view cls, std::string_view parent) {
  if (!parent.empty()) classes_[std::string(cls)].parent = std::string(parent);
}

void ClassLineage::SetField(std::string_view cls, std::string_view name,
                            const std::string& target) {
  classes_[std::string(cls)].fields[std::string(name)] = target;
}

void ClassLineage::Absorb(ClassLineage&& later) {
  if (classes_.empty()) {
    classes_ = std::move(later.classes_);
    return;
  }
  for (auto& [cls, entry] : later.classes_) {
    auto [at, added] = classes_.try_emplace(cls);
    if (added) {
      at->second = std::move(entry);
      continue;
    }
    if (!entry.parent.empty()) at->second.parent = std::move(entry.parent);
    for (auto& [name, target] : entry.fields) at->second.fields[name] = std::move(target);
  }
}

const std::string* ClassLineage::ParentOf(std::string_view cls) const {
  auto at = classes_.find(cls);
  return at == classes_.end() || at->second.parent.empty() ? nullptr : &at->second.parent;
}

const std::string* ClassLineage::FieldOf(std::string_view cls, std::string_view name) const {
  auto at = classes_.find(cls);
  if (at == classes_.end()) return nullptr;
  auto field = at->second.fields.find(name);
  return field == at->second.fields.end() ? nullptr : &field->second;
}

FoldedMap<std::string> ClassLineage::FieldsOf(const std::vector<std::string>& classes) const {
  FoldedMap<std::string> fields;
  for (const std::string& cls : classes) {
    auto at = classes_.find(cls);
    if (at == classes_.end()) continue;
    for (const auto& [name, target] : at->second.fields) fields.emplace(name, target);
  }
  return fields;
}

}  // namespace tolvern
