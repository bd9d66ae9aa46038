#include "engine/unit_todo.h"

#include <utility>

#include "engine/old_units.h"
#include "engine/todo_classes.h"
#include "engine/todo_list.h"
#include "engine/todo_tables.h"

namespace tolvern {

namespace {

constexpr int kComma = SymbolCodeOf(','), kDot = SymbolCodeOf('.'), kColon = SymbolCodeOf(':'),
              kEquals = SymbolCodeOf('='), kOpenParen = SymbolCodeOf('('),
              kCloseParen = SymbolCodeOf(')'), kOpenBracket = SymbolCodeOf('['),
              kCloseBracket = SymbolCodeOf(']');

using Tok = PasToken;

bool Is(const Tok& t, std::string_view word) {
  return t.code == kTokIdent && SameText(t.text, word);
}

class UnitScan {
 public:
  UnitScan(std::string_view text, const TodoClasses& classes)
      : UnitScan(text, SignificantTokens(text), classes) {}
  UnitScan(std::string_view text, PasTokens tokens, const TodoClasses& classes)
      : text_(text), classes_(classes), toks_(std::move(tokens)) {}

  const PasTokens& Tokens() const { return toks_; }

  UnitDeclarations Declarations() && {
    LearnDeclarations();
    return {std::move(declared_), std::move(lineage_)};
  }

  std::vector<FoundTodo> Run() {
    LearnDeclarations();
    LearnAncestors();
    std::vector<std::pair<size_t, std::vector<std::string>>> withs;  // end index, targets
    bool in_uses = false;
    for (size_t i = 0; i < toks_.size(); ++i) {
      const Tok& t = toks_[i];
      while (!withs.empty() && i > withs.back().first) withs.pop_back();
      if (t.code == kTokUses) in_uses = true;
      if (t.code == kTokSemicolon) in_uses = false;
      if (t.code == kCloseParen) AsCast(i);
      if (t.code != kTokIdent) continue;
      const std::string_view name = t.text;
      // One folded hash of the token serves every table it is looked up in.
      const FoldedKey key(name);
      const bool after_dot = i > 0 && toks_.Code(i - 1) == kDot;
      if (in_uses) {
        // The old library's own units have items of their own (below).
        if (auto u = classes_.interface_units.find(key);
            u != classes_.interface_units.end() && !IsOldUnit(classes_.family, name))
          AddInterface(i, *u->second);
        uses_family_ = uses_family_ || SameText(name, classes_.family);
        continue;
      }
      if (SameText(name, "TableName") && CodeAt(i + 1, kColon) && CodeAt(i + 2, kEquals))
        TableFile(i);
      if (SameText(name, "WITH")) {
        With(i, &withs);
        continue;
      }
      if (!after_dot && SameText(name, "on") && Handler(i)) continue;
      if (!after_dot || Qualified(i)) Interface(i, key);
      auto n = after_dot && classes_.names_filter.MayHold(name) ? classes_.names.find(key)
                                                                : classes_.names.end();
      auto d = declared_filter_.MayHold(name) ? declared_.find(key) : declared_.end();
      if (d == declared_.end() && !after_dot && !inherited_.empty()) d = Inherited(key);
      if (d != declared_.end()) {
        Member(i, d->second);
      } else if (n != classes_.names.end()) {
        Member(i, n->second);
      } else if (!after_dot && CodeAt(i + 1, kOpenParen)) {
        if (const std::string* c = classes_.FindTarget(key)) Cast(i, *c);
      }
      if (!after_dot && !withs.empty()) {
        for (auto w = withs.rbegin(); w != withs.rend(); ++w)
          if (WithMember(i, w->second)) break;
      }
    }
    return std::move(found_);
  }

 private:
  bool Has(size_t i) const { return i < toks_.size(); }
  // A name being declared: followed by ":" that does not begin ":=".
  bool Declared(size_t i) const { return CodeAt(i + 1, kColon) && !CodeAt(i + 2, kEquals); }
  bool CodeAt(size_t i, int code) const { return i < toks_.size() && toks_.Code(i) == code; }
  std::string_view Slice(size_t from, size_t to) const {
    return text_.substr(toks_[from].offset,
                        toks_[to].offset + toks_[to].text.size() - toks_[from].offset);
  }

  // The fields the unit's classes inherit from the classes of the run they
  // descend from, nearest ancestor first, gathered once for the unit: a
  // name is then looked up once, however many ancestors there are.
  void LearnAncestors() {
    std::vector<std::string> ancestors;
    for (const UnitClass& c : classes_decl_) {
      std::string parent(c.parent);
      for (int depth = 0; !parent.empty() && depth < 16; ++depth) {
        ancestors.push_back(parent);
        const std::string* up = classes_.lineage.ParentOf(parent);
        parent = up ? *up : std::string();
      }
    }
    if (!ancestors.empty()) inherited_ = classes_.lineage.FieldsOf(ancestors);
  }

  // A name the unit does not declare that a field of an ancestor class of
  // the run declares; from then on the unit knows it as its own.
  FoldedMap<std::string>::iterator Inherited(const FoldedKey& name) {
    auto f = inherited_.find(name);
    if (f == inherited_.end()) return declared_.end();
    declared_filter_.Add(name.text());
    return declared_.emplace(name.text(), f->second).first;
  }

  // Names declared with a class type: "A, B: TQuery", fields, variables,
  // parameters, properties, function results. The fields of a class and
  // its parent go into the unit's lineage too, so that the units of a run
  // that descend from the class know them.
  void LearnDeclarations() {
    classes_decl_ = ReadUnitClasses(toks_);
    for (const UnitClass& c : classes_decl_) lineage_.SetParent(c.name, c.parent);
    auto owner = [this](size_t k) -> const UnitClass* {
      for (const UnitClass& c : classes_decl_)
        if (k >= c.body && k < c.end) return &c;
      return nullptr;
    };
    for (size_t i = 1; i + 1 < toks_.size(); ++i) {
      if (toks_[i].code != kColon || toks_[i + 1].code != kTokIdent) continue;
      size_t j = i + 1;
      while (CodeAt(j + 1, kDot) && CodeAt(j + 2, kTokIdent)) j += 2;
      const std::string* target = classes_.FindTarget(toks_[j].text);
      for (size_t k = i - 1;; k -= 2) {
        if (toks_[k].code != kTokIdent) break;
        const std::string_view name = toks_[k].text;
        if (any_declared_.find(name) == any_declared_.end()) any_declared_.emplace(name);
        if (target) {
          if (auto d = declared_.find(name); d != declared_.end())
            d->second = *target;
          else
            declared_.emplace(name, *target);
          declared_filter_.Add(name);
          if (const UnitClass* c = owner(k)) lineage_.SetField(c->name, name, *target);
        }
        if (k < 2 || toks_[k - 1].code != kComma) break;
      }
    }
  }

  // "DBTables.Session": a name qualified by the source unit.
  bool Qualified(size_t i) const {
    return i >= 2 && toks_[i - 2].code == kTokIdent && SameText(toks_[i - 2].text, classes_.family);
  }

  void Interface(size_t i, const FoldedKey& key) {
    const std::string_view name = key.text();
    // A name the unit declares itself, or declares here, is its own.
    auto r = classes_.interface_names_filter.MayHold(name) ? classes_.interface_names.find(key)
                                                           : classes_.interface_names.end();
    if (r != classes_.interface_names.end()) {
      if (!Declared(i) && any_declared_.find(name) == any_declared_.end())
        AddInterface(i, *r->second);
      return;
    }
    for (const TodoInterface* row : classes_.interface_prefixes)
      if (HasPrefix(name, row->name)) {
        AddInterface(i, *row);
        return;
      }
  }

  // DbiInit, DBIUseIdleTime, DBIERR_KEYVIOL: the prefix in any letter case,
  // then a capital letter (so that DBIndexDefs is not one), or after a
  // prefix that ends in "_", any letter or digit.
  static bool HasPrefix(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || !SameText(name.substr(0, prefix.size()), prefix))
      return false;
    const char next = name[prefix.size()];
    if (prefix.back() == '_') return next != '_';
    return next >= 'A' && next <= 'Z';
  }

  void AddInterface(size_t i, const TodoInterface& row, std::string text = {}) {
    found_.push_back({toks_[i].offset, ParseTodoKind(row.kind).value_or(todo_kind::kInterface),
                      text.empty() ? std::string(toks_[i].text) : std::move(text),
                      std::string(row.advice),
                      ParseTodoLevel(row.level).value_or(todo_level::kWarning)});
  }

  // "on E: EDBEngineError do", "on EADOError do": a handler of a source
  // library's exception, in a unit that uses the source unit.
  bool Handler(size_t i) {
    size_t cls = i + 1;
    if (CodeAt(i + 1, kTokIdent) && CodeAt(i + 2, kColon)) cls = i + 3;
    if (!CodeAt(cls, kTokIdent) || !Has(cls + 1) || !Is(toks_[cls + 1], "do")) return false;
    auto h = classes_.handlers.find(toks_[cls].text);
    // A handler of a class the old library declares compiles only in a unit
    // that uses it; one of another unit's (EOleException) in any unit.
    if (h == classes_.handlers.end() ||
        (!uses_family_ && ExportedByOldUnit(classes_.family, toks_[cls].text)))
      return false;
    AddInterface(i, *h->second, std::string(Slice(i, cls + 1)));
    return true;
  }

  // (E as EDBEngineError).Member: the closing parenthesis at i of a cast
  // with "as" to a mapped class.
  void AsCast(size_t i) {
    if (i < 3 || !Is(toks_[i - 2], "as") || toks_[i - 1].code != kTokIdent ||
        !CodeAt(i + 1, kDot) || !CodeAt(i + 2, kTokIdent))
      return;
    const std::string* target = classes_.FindTarget(toks_[i - 1].text);
    if (!target) return;
    size_t open = i;
    for (int depth = 0; open > 0; --open) {
      if (toks_[open].code == kCloseParen) ++depth;
      if (toks_[open].code == kOpenParen && --depth == 0) break;
    }
    MemberAt(open, i + 2, *target);
  }

  // name.Member on a name declared with a mapped class.
  void Member(size_t i, const std::string& target) {
    if (!CodeAt(i + 1, kDot) || !CodeAt(i + 2, kTokIdent)) return;
    MemberAt(i, i + 2, target);
  }

  // TQuery(Sender).Member: a cast to a mapped class.
  void Cast(size_t i, const std::string& target) {
    if (!CodeAt(i + 1, kOpenParen)) return;
    int depth = 0;
    size_t j = i + 1;
    for (; j < toks_.size(); ++j) {
      if (toks_[j].code == kOpenParen) ++depth;
      if (toks_[j].code == kCloseParen && --depth == 0) break;
      if (toks_[j].code == kTokSemicolon) return;
    }
    if (CodeAt(j + 1, kDot) && CodeAt(j + 2, kTokIdent)) MemberAt(i, j + 2, target);
  }

  // The member token m of an object of the target class, the text from from.
  bool MemberAt(size_t from, size_t m, const std::string& target) {
    size_t last = m;
    const MemberGap* gap = nullptr;
    // Params.Values['USER NAME'] has a counterpart of its own.
    if (SameText(toks_[m].text, "Params") && CodeAt(m + 1, kDot) && Has(m + 2) &&
        Is(toks_[m + 2], "Values") && CodeAt(m + 3, kOpenBracket) && CodeAt(m + 4, kTokString) &&
        CodeAt(m + 5, kCloseBracket)) {
      gap = classes_.FindMember(target, "Params.Values[" + std::string(toks_[m + 4].text) + "]");
      if (gap) last = m + 5;
    }
    if (!gap) gap = classes_.FindMember(target, toks_[m].text);
    // A member the Nexa class inherits from TDataSet compiles as it stands.
    if (!gap || gap->advice.empty()) return false;
    // E.Errors[I].NativeError: the item's member goes with the text.
    if (last == m && CodeAt(m + 1, kOpenBracket)) {
      size_t close = m + 1;
      for (int depth = 0; close < toks_.size(); ++close) {
        if (toks_[close].code == kOpenBracket) ++depth;
        if (toks_[close].code == kCloseBracket && --depth == 0) break;
        if (toks_[close].code == kTokSemicolon) break;
      }
      if (CodeAt(close, kCloseBracket) && CodeAt(close + 1, kDot) && CodeAt(close + 2, kTokIdent))
        last = close + 2;
    }
    found_.push_back({toks_[m].offset, gap->kind, std::string(Slice(from, last)), gap->advice,
                      todo_level::kError});
    return true;
  }

  // "Table1.TableName := Path + 'Customers.DB'": an assignment, at the
  // TableName token i, whose value names a Paradox or dBASE table file.
  void TableFile(size_t i) {
    size_t from = i;  // the object the name belongs to: dm.tblItems.TableName
    while (from >= 2 && toks_[from - 1].code == kDot && toks_[from - 2].code == kTokIdent)
      from -= 2;
    // An ADO run leaves the BDE's tables alone: only a table of a class it
    // maps is its concern.
    if (!SameText(classes_.family, "DBTables")) {
      if (i < 2 || toks_[i - 1].code != kDot) return;
      const FoldedKey owner(toks_[i - 2].text);
      if (declared_.find(owner) == declared_.end() &&
          classes_.names.find(owner) == classes_.names.end())
        return;
    }
    // The value ends where the statement does: at ";", "else" or "end"
    // outside parentheses and brackets.
    size_t last = i + 2;
    int depth = 0;
    for (size_t j = i + 3; j < toks_.size(); ++j) {
      const Tok& t = toks_[j];
      if (t.code == kOpenParen || t.code == kOpenBracket) ++depth;
      if (t.code == kCloseParen || t.code == kCloseBracket) --depth;
      if (depth < 0 || (depth == 0 && (t.code == kTokSemicolon || t.code == kTokEndKw ||
                                       Is(t, "else") || Is(t, "until"))))
        break;
      last = j;
    }
    if (last == i + 2) return;
    const std::string_view value = Slice(i + 3, last);
    std::string advice = TableFileAdvice(value);
    if (advice.empty()) return;
    found_.push_back({toks_[i].offset, todo_kind::kTableFile, std::string(Slice(from, last)),
                      std::move(advice), todo_level::kWarning});
  }

  bool WithMember(size_t i, const std::vector<std::string>& targets) {
    if (Declared(i)) return false;
    for (const std::string& target : targets)
      if (MemberAt(i, i, target)) return true;
    return false;
  }

  // with A, B do <statement>: the targets of the subjects that are objects
  // of mapped classes, as far as the names tell, and the end of the
  // statement.
  void With(size_t i, std::vector<std::pair<size_t, std::vector<std::string>>>* withs) {
    std::vector<std::string> targets;
    size_t j = i + 1, start = j;
    int depth = 0;
    auto subject = [&](size_t from, size_t to) {
      if (from >= to) return;
      const Tok& first = toks_[from];
      const Tok& last = toks_[to - 1];
      if (last.code == kTokIdent) {
        if (auto d = declared_.find(last.text); d != declared_.end()) {
          targets.push_back(d->second);
          return;
        }
      }
      // TQuery(X) or TQuery.Create(...)
      if (first.code == kTokIdent && from + 1 < to &&
          (toks_[from + 1].code == kOpenParen || toks_[from + 1].code == kDot))
        if (std::string t = classes_.TargetOf(first.text); !t.empty()) targets.push_back(t);
    };
    for (; j < toks_.size(); ++j) {
      const Tok& t = toks_[j];
      if (t.code == kOpenParen || t.code == kOpenBracket) ++depth;
      if (t.code == kCloseParen || t.code == kCloseBracket) --depth;
      if (t.code == kTokSemicolon) return;
      if (depth == 0 && t.code == kComma) {
        subject(start, j);
        start = j + 1;
      }
      if (depth == 0 && Is(t, "do")) break;
    }
    if (j >= toks_.size()) return;
    subject(start, j);
    if (targets.empty()) return;
    withs->push_back({StatementEnd(j + 1), targets});
  }

  // The index of the last token of the statement that begins at i.
  size_t StatementEnd(size_t i) const {
    int depth = 0;
    for (size_t j = i; j < toks_.size(); ++j) {
      const Tok& t = toks_[j];
      if (Is(t, "begin") || Is(t, "case") || Is(t, "try") || Is(t, "asm")) {
        ++depth;
      } else if (t.code == kTokEndKw) {
        if (depth == 0) return j - 1;
        if (--depth == 0 && j > i && Is(toks_[i], "begin")) return j;
      } else if (depth == 0 && (t.code == kTokSemicolon || Is(t, "else"))) {
        return j - 1;
      }
    }
    return toks_.size();
  }

  std::string_view text_;
  const TodoClasses& classes_;
  PasTokens toks_;
  FoldedMap<std::string> declared_;  // name -> target class
  NameFilter declared_filter_;
  FoldedSet any_declared_;
  bool uses_family_ = false;  // a uses clause so far names the source unit
  std::vector<UnitClass> classes_decl_;
  ClassLineage lineage_;              // of the unit's own classes
  FoldedMap<std::string> inherited_;  // the fields of the run's ancestors of its classes
  std::vector<FoundTodo> found_;
};

}  // namespace

std::vector<FoundTodo> FindUnitTodo(std::string_view text, PasTokens tokens,
                                    const TodoClasses& classes) {
  UnitScan scan(text, std::move(tokens), classes);
  std::vector<FoundTodo> found = scan.Run();
  // Each old unit left in a uses clause: a note when nothing needs it any
  // more, a warning naming what does.
  // A class the run renames needs nothing: the text may be the one before
  // the run (a list without a run).
  const auto renamed = [&](std::string_view name) { return classes.FindTarget(name) != nullptr; };
  for (const OldUnitPlace& place : FindOldUnits(scan.Tokens(), classes.family, renamed))
    found.push_back({place.offset, todo_kind::kInterface, OldUnitText(place), OldUnitAdvice(place),
                     place.needed_by.empty() ? todo_level::kNote : todo_level::kWarning});
  return found;
}

UnitDeclarations FindDeclaredNames(std::string_view text, PasTokens tokens,
                                   const TodoClasses& classes) {
  return UnitScan(text, std::move(tokens), classes).Declarations();
}

}  // namespace tolvern
