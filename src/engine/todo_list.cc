#include "engine/todo_list.h"

#include <algorithm>

#include "base/ascii_text.h"
#include "base/errors.h"
#include "engine/component_replacer.h"
#include "engine/todo_tables.h"
#include "parsing/pascal_scanner.h"
#include "platform/class_registry.h"
#include "platform/disk.h"

namespace tolvern {

namespace {

constexpr int kComma = SymbolCodeOf(','), kDot = SymbolCodeOf('.'), kColon = SymbolCodeOf(':'),
              kEquals = SymbolCodeOf('='), kOpenParen = SymbolCodeOf('('),
              kCloseParen = SymbolCodeOf(')'), kOpenBracket = SymbolCodeOf('['),
              kCloseBracket = SymbolCodeOf(']');

using Tok = PasToken;

// An item before its position is turned into line and column.
struct Found {
  size_t offset;
  const char* kind;
  std::string text;
  std::string advice;
};

bool Is(const Tok& t, std::string_view word) {
  return t.code == kTokIdent && SameText(t.text, word);
}

// 1-based line and column of each offset, in the text the cursor reads.
void Place(std::vector<Found>& found, const std::string& file, std::vector<TodoItem>* items,
           LineCursor* lines) {
  std::stable_sort(found.begin(), found.end(),
                   [](const Found& a, const Found& b) { return a.offset < b.offset; });
  for (Found& f : found) {
    const int line = lines->LineOf(f.offset);
    items->push_back({f.kind, file, line, static_cast<int>(f.offset - lines->LineStart()) + 1,
                      std::move(f.text), std::move(f.advice)});
  }
}

class UnitScan {
 public:
  UnitScan(std::string_view text, const TodoClasses& classes)
      : UnitScan(text, SignificantTokens(text), classes) {}
  UnitScan(std::string_view text, std::vector<Tok> tokens, const TodoClasses& classes)
      : text_(text), classes_(classes), toks_(std::move(tokens)) {}

  FoldedMap<std::string> Declarations() && {
    LearnDeclarations();
    return std::move(declared_);
  }

  std::vector<Found> Run() {
    LearnDeclarations();
    std::vector<std::pair<size_t, std::vector<std::string>>> withs;  // end index, targets
    bool in_uses = false;
    for (size_t i = 0; i < toks_.size(); ++i) {
      const Tok& t = toks_[i];
      while (!withs.empty() && i > withs.back().first) withs.pop_back();
      if (t.code == kTokUses) in_uses = true;
      if (t.code == kTokSemicolon) in_uses = false;
      if (t.code != kTokIdent) continue;
      const std::string_view name = t.text;
      const bool after_dot = i > 0 && toks_[i - 1].code == kDot;
      if (in_uses) {
        if (auto u = classes_.interface_units.find(name); u != classes_.interface_units.end())
          AddInterface(i, *u->second);
        continue;
      }
      if (SameText(name, "WITH")) {
        With(i, &withs);
        continue;
      }
      if (!after_dot || Qualified(i)) Interface(i, name);
      auto n = after_dot && classes_.names_filter.MayHold(name) ? classes_.names.find(name)
                                                                : classes_.names.end();
      auto d = declared_filter_.MayHold(name) ? declared_.find(name) : declared_.end();
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
  const Tok* At(size_t i) const { return i < toks_.size() ? &toks_[i] : nullptr; }
  // A name being declared: followed by ":" that does not begin ":=".
  bool Declared(size_t i) const { return CodeAt(i + 1, kColon) && !CodeAt(i + 2, kEquals); }
  bool CodeAt(size_t i, int code) const { return i < toks_.size() && toks_[i].code == code; }
  std::string_view Slice(size_t from, size_t to) const {
    return text_.substr(toks_[from].offset,
                        toks_[to].offset + toks_[to].text.size() - toks_[from].offset);
  }

  // Names declared with a class type: "A, B: TQuery", fields, variables,
  // parameters, properties, function results.
  void LearnDeclarations() {
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
      if (name.size() > row->name.size() && name.substr(0, row->name.size()) == row->name &&
          name[row->name.size()] >= 'A' && name[row->name.size()] <= 'Z') {
        AddInterface(i, *row);
        return;
      }
  }

  void AddInterface(size_t i, const TodoInterface& row) {
    found_.push_back({toks_[i].offset, todo_kind::kInterface, std::string(toks_[i].text),
                      std::string(row.advice)});
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
    std::string advice;
    // Params.Values['USER NAME'] has a counterpart of its own.
    if (SameText(toks_[m].text, "Params") && CodeAt(m + 1, kDot) && At(m + 2) &&
        Is(toks_[m + 2], "Values") && CodeAt(m + 3, kOpenBracket) && CodeAt(m + 4, kTokString) &&
        CodeAt(m + 5, kCloseBracket)) {
      advice =
          classes_.MemberAdvice(target, "Params.Values[" + std::string(toks_[m + 4].text) + "]");
      if (!advice.empty()) last = m + 5;
    }
    if (advice.empty()) advice = classes_.MemberAdvice(target, toks_[m].text);
    if (advice.empty()) return false;
    found_.push_back({toks_[m].offset, todo_kind::kMember, std::string(Slice(from, last)), advice});
    return true;
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
  std::vector<Tok> toks_;
  FoldedMap<std::string> declared_;  // name -> target class
  NameFilter declared_filter_;
  FoldedSet any_declared_;
  std::vector<Found> found_;
};

// The offset of the first line at or after from whose first word is name,
// followed by a blank or "=".
size_t FindPropertyLine(std::string_view text, size_t from, std::string_view name) {
  for (size_t line = text.find('\n', from); line != std::string_view::npos;
       line = text.find('\n', line + 1)) {
    size_t p = text.find_first_not_of(" \t", line + 1);
    if (p == std::string_view::npos) break;
    if (text.compare(p, name.size(), name) != 0) continue;
    const size_t after = p + name.size();
    if (after < text.size() && (text[after] == ' ' || text[after] == '=')) return p;
  }
  return from;
}

std::string FirstLine(const std::string& value) {
  size_t nl = value.find_first_of("\r\n");
  return nl == std::string::npos ? value : value.substr(0, nl) + " ...";
}

std::string Unquoted(std::string_view v) {
  if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') v = v.substr(1, v.size() - 2);
  return std::string(v);
}

// Properties whose type is a base class that the Nexa classes fit.
bool IsGenericReference(std::string_view prop) {
  for (std::string_view p : {"DataSet", "DataSource", "MasterSource", "ListSource", "LookupSource",
                             "LookupDataSet", "UpdateObject", "Connection"})
    if (SameText(p, prop)) return true;
  return false;
}

}  // namespace

TodoClasses TodoClasses::Of(const TComponentReplacer& replacer) {
  TodoClasses c;
  c.family = replacer.OldUnit == "ADODB" ? "ADODB" : "DBTables";
  for (int i = 0; i < replacer.OldNames.Count(); ++i) {
    const std::string target = replacer.NewNames[replacer.OldNames.Object(i)];
    c.target_of[replacer.OldNames[i]] = target;
    c.target_of[target] = target;
  }
  for (const TodoMember& row : TodoMembers()) {
    if (!SameText(row.family, c.family)) continue;
    std::vector<std::string> targets;
    if (row.cls == "@dataset")
      targets = {"TNXQuery", "TNXTable", "TNXStoredProc"};
    else if (std::string t = c.TargetOf(row.cls); !t.empty())
      targets = {t};
    for (const std::string& target : targets) {
      // A member the target class publishes is no gap, whatever the table says.
      if (const ComponentClass* cls = GetClass(target);
          cls && cls->HasProperty(std::string(row.member)))
        continue;
      auto& list = c.members[std::string(row.member)];
      bool listed = false;
      for (const auto& entry : list) listed = listed || entry.first == target;
      if (!listed) list.emplace_back(target, std::string(row.advice));
    }
  }
  for (const TodoInterface& row : TodoInterfaces()) {
    if (!SameText(row.family, c.family)) continue;
    if (row.match == "prefix") {
      c.interface_prefixes.push_back(&row);
    } else if (row.match == "unit") {
      c.interface_units[std::string(row.name)] = &row;
    } else {
      c.interface_names[std::string(row.name)] = &row;
      c.interface_names_filter.Add(row.name);
    }
  }
  return c;
}

void TodoClasses::LearnNames(FoldedMap<std::string> declared) {
  for (auto& [name, target] : declared) {
    names_filter.Add(name);
    names[name] = std::move(target);
  }
}

FoldedMap<std::string> TodoClasses::DeclaredNames(std::string_view unit_text,
                                                  std::vector<PasToken> tokens) const {
  return UnitScan(unit_text, std::move(tokens), *this).Declarations();
}

std::string TodoClasses::TargetOf(std::string_view cls) const {
  const std::string* target = FindTarget(cls);
  return target ? *target : std::string();
}

std::string TodoClasses::MemberAdvice(const std::string& target, std::string_view member) const {
  auto rows = members.find(member);
  if (rows == members.end()) return "";
  for (const auto& [cls, advice] : rows->second)
    if (cls == target) return advice;
  return "";
}

std::vector<TodoItem> ScanUnitTodo(std::string_view text, const std::string& file,
                                   const TodoClasses& classes) {
  return ScanUnitTodo(text, file, classes, SignificantTokens(text));
}

std::vector<TodoItem> ScanUnitTodo(std::string_view text, const std::string& file,
                                   const TodoClasses& classes, std::vector<PasToken> tokens) {
  std::vector<Found> found = UnitScan(text, std::move(tokens), classes).Run();
  std::vector<TodoItem> items;
  LineCursor lines(text);
  Place(found, file, &items, &lines);
  return items;
}

void TFormTodo::Add(const char* kind, size_t offset, std::string text, std::string advice) {
  std::vector<Found> one{{offset, kind, std::move(text), std::move(advice)}};
  Place(one, file_, &items_, &lines_);
}

void TFormTodo::Converted(size_t pos, const std::string& name, const std::string& cls,
                          const std::vector<PropertyDecision>& decisions) {
  const std::string target = classes_.TargetOf(cls);
  converted_[UpperCase(name)] = target;
  for (const PropertyDecision& d : decisions) {
    if (!d.produced.empty()) continue;
    std::string advice;
    if (d.drop_reason == drop_reason::kNoConnection) {
      advice = "no TDatabase of that name was found: set Connection to the TNXConnection";
    } else if (d.drop_reason == drop_reason::kDatabaseName) {
      database_names_.insert(UpperCase(Unquoted(d.value)));
    } else if (d.drop_reason == drop_reason::kOutsideMappingTable) {
      advice = "the value has no Nexa counterpart: set IsolationLevel by hand";
    } else if (d.drop_reason == drop_reason::kNotPublished) {
      // The default session is what a connection gives anyway.
      if (d.name == "SessionName" && (d.value == "'Default'" || d.value == "''")) continue;
      advice = classes_.MemberAdvice(target, d.name);
      // An event the Nexa class does not have leaves its handler unconnected.
      if (advice.empty() && d.name.size() > 2 && d.name.compare(0, 2, "On") == 0 &&
          d.name[2] >= 'A' && d.name[2] <= 'Z')
        advice = "the Nexa class has no such event: call the handler " + d.value + " where it fits";
    }
    if (advice.empty()) continue;
    // The run has removed it from the form already.
    if (advice.ends_with(": remove it")) advice.resize(advice.size() - 11);
    advice = "dropped: " + advice;
    Add(todo_kind::kFormProperty, FindPropertyLine(text_, pos, d.name),
        name + "." + d.name + " = " + FirstLine(d.value), advice);
  }
}

void TFormTodo::NotConverted(int line, const std::string& name, const std::string& cls,
                             const std::string& reason) {
  size_t offset = lines_.MoveToLine(line) ? lines_.LineStart() : 0;
  offset = std::min(text_.find_first_not_of(" \t", offset), text_.size());
  Add(todo_kind::kFormObject, offset, "object " + name + ": " + cls,
      "left unconverted (" + reason + "): convert it by hand");
}

std::vector<TodoItem> TFormTodo::Finish() {
  // Objects of classes the run does not map that refer to a converted
  // object by name, or to a converted database by its alias.
  if (!converted_.empty()) {
    std::vector<std::pair<std::string, std::string>> classes;  // name, class of the open
                                                               // objects; "" for items
    for (size_t start = 0; start < text_.size();) {
      size_t end = text_.find('\n', start);
      if (end == std::string_view::npos) end = text_.size();
      std::string_view line = text_.substr(start, end - start);
      const size_t indent = std::min(line.find_first_not_of(" \t"), line.size());
      line.remove_prefix(indent);
      while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
      const size_t word = std::min(line.find(' '), line.size());
      const std::string_view first = line.substr(0, word);
      if (SameText(first, "object") || SameText(first, "inherited") || SameText(first, "inline")) {
        size_t colon = line.find(':');
        std::string_view cls = colon == std::string_view::npos ? "" : line.substr(colon + 1);
        cls.remove_prefix(std::min(cls.find_first_not_of(' '), cls.size()));
        cls = cls.substr(0, std::min(cls.find_first_of(" ["), cls.size()));
        std::string_view name = line.substr(word, std::min(colon, line.size()) - word);
        name.remove_prefix(std::min(name.find_first_not_of(' '), name.size()));
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        classes.emplace_back(name, cls);
      } else if (SameText(line, "end") || SameText(line, "end>") || SameText(line, "end)")) {
        if (!classes.empty()) classes.pop_back();
      } else if (SameText(first, "item")) {
        classes.emplace_back();
      } else if (!classes.empty() && !classes.back().second.empty() &&
                 classes_.TargetOf(classes.back().second).empty()) {
        const std::string& cls = classes.back().second;
        const std::string where = classes.back().first + ".";
        const size_t eq = line.find(" = ");
        if (eq != std::string_view::npos) {
          const std::string_view prop = line.substr(0, eq);
          std::string_view value = line.substr(eq + 3);
          const std::string_view ref =
              value.substr(value.rfind('.') == std::string_view::npos ? 0 : value.rfind('.') + 1);
          const bool ident =
              !ref.empty() && value.find_first_of("' (<[{") == std::string_view::npos;
          auto hit = ident ? converted_.find(UpperCase(std::string(ref))) : converted_.end();
          const size_t at = start + indent;
          if (hit != converted_.end() && !IsGenericReference(prop)) {
            Add(todo_kind::kFormReference, at, where + std::string(line),
                "check that " + std::string(prop) + " of " + cls + " takes a " + hit->second +
                    ": its type may name the replaced class");
          } else if (SameText(prop, "DatabaseName") &&
                     database_names_.count(UpperCase(Unquoted(value)))) {
            Add(todo_kind::kFormReference, at, where + std::string(line),
                "the database of that name is now a TNXConnection without an alias name: "
                "connect this component to it by hand");
          }
        }
      }
      start = end + 1;
    }
  }
  std::stable_sort(items_.begin(), items_.end(), [](const TodoItem& a, const TodoItem& b) {
    return a.line != b.line ? a.line < b.line : a.col < b.col;
  });
  return std::move(items_);
}

std::string FormatTodo(const std::vector<const std::vector<TodoItem>*>& parts) {
  // Grouped by file, in the order the files first appear; the names are
  // views of the items' own, so that a run's whole list is not copied.
  std::vector<std::string_view> files;
  std::unordered_map<std::string_view, std::vector<const TodoItem*>> by_file;
  for (const std::vector<TodoItem>* part : parts)
    for (const TodoItem& item : *part) {
      auto& list = by_file[item.file];
      if (list.empty()) files.push_back(item.file);
      list.push_back(&item);
    }
  // The text is sized before it is made: a list that doubled its room as it
  // grew would need half as much again at its peak, which counts in a large
  // run, where the list is made while every file's record is still held.
  constexpr std::string_view kDash = " \xE2\x80\x94 ";
  const auto digits = [](int n) { return std::to_string(n).size(); };
  size_t size = 0;
  for (std::string_view file : files)
    for (const TodoItem* i : by_file[file])
      size += i->file.size() + 1 + digits(i->line) + 1 + digits(i->col) + 2 + i->kind.size() + 2 +
              i->text.size() + kDash.size() + i->advice.size() + 1;
  std::string out;
  out.reserve(size);
  for (std::string_view file : files)
    for (const TodoItem* i : by_file[file])
      out.append(i->file)
          .append(":")
          .append(std::to_string(i->line))
          .append(":")
          .append(std::to_string(i->col))
          .append(": ")
          .append(i->kind)
          .append(": ")
          .append(i->text)
          .append(kDash)
          .append(i->advice)
          .append("\n");
  return out;
}

std::string FormatTodo(const std::vector<TodoItem>& items) { return FormatTodo({&items}); }

void WriteTodoFile(const std::string& path,
                   const std::vector<const std::vector<TodoItem>*>& parts) {
  std::string why;
  if (!CurrentDisk().WriteFile(path, FormatTodo(parts), &why))
    throw EFCreateError("Cannot create file \"" + path + "\". " + why);
}

}  // namespace tolvern
