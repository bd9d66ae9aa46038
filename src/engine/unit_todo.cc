#include "engine/unit_todo.h"

#include <utility>

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

  FoldedMap<std::string> Declarations() && {
    LearnDeclarations();
    return std::move(declared_);
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
      const bool after_dot = i > 0 && toks_[i - 1].code == kDot;
      if (in_uses) {
        if (auto u = classes_.interface_units.find(name); u != classes_.interface_units.end())
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
      if (!after_dot || Qualified(i)) Interface(i, name);
      auto n = after_dot && classes_.names_filter.MayHold(name) ? classes_.names.find(name)
                                                                : classes_.names.end();
      auto d = declared_filter_.MayHold(name) ? declared_.find(name) : declared_.end();
      if (d == declared_.end() && !after_dot && !ancestors_.empty()) d = Inherited(name);
      if (d != declared_.end()) {
        Member(i, d->second);
      } else if (n != classes_.names.end()) {
        Member(i, n->second);
      } else if (!after_dot && CodeAt(i + 1, kOpenParen)) {
        if (const std::string* c = classes_.FindTarget(name)) Cast(i, *c);
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
  bool CodeAt(size_t i, int code) const { return i < toks_.size() && toks_[i].code == code; }
  std::string_view Slice(size_t from, size_t to) const {
    return text_.substr(toks_[from].offset,
                        toks_[to].offset + toks_[to].text.size() - toks_[from].offset);
  }

  // A class the unit declares: "TName = class(TParent) ... end", its body
  // the tokens from body to end.
  struct ClassDecl {
    std::string_view name, parent;
    size_t body = 0, end = 0;
  };

  std::vector<ClassDecl> ClassDeclarations() const {
    std::vector<ClassDecl> found;
    for (size_t i = 0; i + 3 < toks_.size(); ++i) {
      if (toks_[i].code != kTokIdent || !CodeAt(i + 1, kEquals) || !Is(toks_[i + 2], "class") ||
          Is(toks_[i + 3], "of") || CodeAt(i + 3, kTokSemicolon))
        continue;
      ClassDecl c{toks_[i].text, {}, i + 3, i + 3};
      if (CodeAt(i + 3, kOpenParen)) {
        size_t j = i + 4;
        while (CodeAt(j, kTokIdent) && CodeAt(j + 1, kDot)) j += 2;  // Forms.TForm
        if (CodeAt(j, kTokIdent)) c.parent = toks_[j].text;
        while (j < toks_.size() && toks_[j].code != kCloseParen) ++j;
        c.body = j + 1;
      }
      if (CodeAt(c.body, kTokSemicolon)) {  // TName = class(TParent);
        c.end = c.body;
      } else {
        int depth = 0;
        size_t j = c.body;
        for (; j < toks_.size(); ++j) {
          if (Is(toks_[j], "record")) ++depth;
          if (toks_[j].code == kTokEndKw && depth-- == 0) break;
        }
        c.end = j;
      }
      found.push_back(c);
      i = c.body;
    }
    return found;
  }

  // The classes the unit's classes descend from, as far as the units of the
  // run tell ("TChild^" -> "TParent" in the learnt names), nearest first.
  void LearnAncestors() {
    for (const ClassDecl& c : ClassDeclarations()) {
      std::string parent(c.parent);
      for (int depth = 0; !parent.empty() && depth < 16; ++depth) {
        ancestors_.push_back(parent);
        auto up = classes_.names.find(parent + "^");
        parent = up == classes_.names.end() ? std::string() : up->second;
      }
    }
  }

  // A name the unit does not declare that a field of an ancestor class of
  // the run declares ("TAncestor.name" in the learnt names).
  FoldedMap<std::string>::iterator Inherited(std::string_view name) {
    if (!classes_.names_filter.MayHold(name)) return declared_.end();
    for (const std::string& a : ancestors_) {
      auto f = classes_.names.find(a + "." + std::string(name));
      if (f == classes_.names.end()) continue;
      declared_filter_.Add(name);
      return declared_.emplace(name, f->second).first;
    }
    return declared_.end();
  }

  // Names declared with a class type: "A, B: TQuery", fields, variables,
  // parameters, properties, function results. The fields of a class are
  // kept as "TClass.name" too, and a class's parent as "TClass^", so that
  // the units of a run that descend from the class know them (names and
  // identifiers never hold "." or "^").
  void LearnDeclarations() {
    const std::vector<ClassDecl> decls = ClassDeclarations();
    for (const ClassDecl& c : decls)
      if (!c.parent.empty()) declared_[std::string(c.name) + "^"] = std::string(c.parent);
    auto owner = [&decls](size_t k) -> const ClassDecl* {
      for (const ClassDecl& c : decls)
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
          if (const ClassDecl* c = owner(k))
            declared_[std::string(c->name) + "." + std::string(name)] = *target;
        }
        if (k < 2 || toks_[k - 1].code != kComma) break;
      }
    }
  }

  // "DBTables.Session": a name qualified by the source unit.
  bool Qualified(size_t i) const {
    return i >= 2 && toks_[i - 2].code == kTokIdent && SameText(toks_[i - 2].text, classes_.family);
  }

  void Interface(size_t i, std::string_view name) {
    // A name the unit declares itself, or declares here, is its own.
    auto r = classes_.interface_names_filter.MayHold(name) ? classes_.interface_names.find(name)
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
    if (h == classes_.handlers.end() || !uses_family_) return false;
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
  bool uses_family_ = false;            // a uses clause so far names the source unit
  std::vector<std::string> ancestors_;  // of the unit's classes, in the run's other units
  std::vector<FoundTodo> found_;
};

}  // namespace

std::vector<FoundTodo> FindUnitTodo(std::string_view text, PasTokens tokens,
                                    const TodoClasses& classes) {
  return UnitScan(text, std::move(tokens), classes).Run();
}

FoldedMap<std::string> FindDeclaredNames(std::string_view text, PasTokens tokens,
                                         const TodoClasses& classes) {
  return UnitScan(text, std::move(tokens), classes).Declarations();
}

}  // namespace tolvern
