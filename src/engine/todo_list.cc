#include "engine/todo_list.h"

#include <algorithm>
#include <tuple>

#include "base/ascii_text.h"
#include "base/errors.h"
#include "base/paths.h"
#include "engine/component_replacer.h"
#include "engine/unit_todo.h"
#include "parsing/pascal_scanner.h"
#include "platform/disk.h"

namespace tolvern {

namespace {

// The item found at offset of the text lines reads, with its 1-based line
// and column.
TodoItem PlaceAt(LineCursor* lines, const std::string& file, size_t offset, TodoKind kind,
                 TodoLevel level, std::string text, std::string advice) {
  const int line = lines->LineOf(offset);
  const int col = static_cast<int>(offset - lines->LineStart()) + 1;
  return {kind, file, line, col, std::move(text), std::move(advice), level};
}

// A text on one line: a line break and the blanks around it become one
// blank, so that each item is one line of the list.
std::string OneLine(std::string text) {
  if (text.find_first_of("\r\n") == std::string::npos) return text;
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool blank = text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n';
    if (!blank) {
      out += text[i];
    } else if (out.empty() || out.back() != ' ') {
      out += ' ';
    }
  }
  return out;
}

// The items of a unit in text order.
void Place(std::vector<FoundTodo>& found, const std::string& file, std::vector<TodoItem>* items,
           LineCursor* lines) {
  std::stable_sort(found.begin(), found.end(),
                   [](const FoundTodo& a, const FoundTodo& b) { return a.offset < b.offset; });
  for (FoundTodo& f : found)
    items->push_back(PlaceAt(lines, file, f.offset, f.kind, f.level, OneLine(std::move(f.text)),
                             std::move(f.advice)));
}

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

// The end of a member's advice when taking the member out is the whole fix
// (a form's property, which the run drops itself).
constexpr std::string_view kRemoveIt = ": remove it";

std::string FirstLine(const std::string& value) {
  size_t nl = value.find_first_of("\r\n");
  return nl == std::string::npos ? value : value.substr(0, nl) + " ...";
}

std::string Unquoted(std::string_view v) {
  if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') v = v.substr(1, v.size() - 2);
  return std::string(v);
}

// Properties whose type is a base class that the Nexa classes fit: those
// named so by the data controls, and any named "...DataSet" or
// "...DataSource" (ItemDataSet), as components name what takes a TDataSet.
bool IsGenericReference(std::string_view prop) {
  for (std::string_view p :
       {"MasterSource", "ListSource", "LookupSource", "UpdateObject", "Connection"})
    if (SameText(p, prop)) return true;
  for (std::string_view end : {"DataSet", "DataSource"})
    if (prop.size() >= end.size() && SameText(prop.substr(prop.size() - end.size()), end))
      return true;
  return false;
}

// Whether a value names the OLE DB provider ("Provider=..."), as an ADO
// connection string may.
bool NamesProvider(std::string_view value) {
  for (size_t at = 0; at + 9 <= value.size(); ++at)
    if (SameText(value.substr(at, 9), "Provider=")) return true;
  return false;
}

// The name and class of an "object Name: TClass" line whose first word
// ends at word.
std::pair<std::string, std::string> ObjectHeader(std::string_view line, size_t word) {
  size_t colon = line.find(':');
  std::string_view cls = colon == std::string_view::npos ? "" : line.substr(colon + 1);
  cls.remove_prefix(std::min(cls.find_first_not_of(' '), cls.size()));
  cls = cls.substr(0, std::min(cls.find_first_of(" ["), cls.size()));
  std::string_view name = line.substr(word, std::min(colon, line.size()) - word);
  name.remove_prefix(std::min(name.find_first_not_of(' '), name.size()));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return {std::string(name), std::string(cls)};
}

// The names of the items of a collection value ("<item Name = 'ID' ...>"):
// the parameters a person must define again.
std::string ItemNames(std::string_view value) {
  std::string names;
  constexpr std::string_view kName = "Name = '";
  for (size_t at = 0; (at = value.find(kName, at)) != std::string_view::npos; ++at) {
    if (at > 0 && value[at - 1] != ' ' && value[at - 1] != '\n') continue;  // DataName
    const size_t from = at + kName.size(), end = value.find('\'', from);
    if (end == std::string_view::npos) break;
    names += (names.empty() ? "" : ", ") + std::string(value.substr(from, end - from));
  }
  return names;
}

// The advice and level of a dropped property whose table row is gap: what
// the value asks of a person decides between a note and a warning.
std::pair<std::string, TodoLevel> DropAdvice(const MemberGap& gap, const PropertyDecision& d) {
  std::string advice = gap.form_advice.empty() ? gap.advice : gap.form_advice;
  TodoLevel level = gap.form_level;
  // An empty collection ("<>") leaves nothing behind.
  if (d.value == "<>") return {"it was empty: nothing to define", todo_level::kNote};
  // A time-out of 0 is no limit, which is what is left.
  if (d.value == "0" && advice.find("limit of %v") != std::string::npos)
    return {"it was 0, no limit: nothing to set", todo_level::kNote};
  if (const size_t v = advice.find("%v"); v != std::string::npos) {
    std::string value = d.value.starts_with("<") ? ItemNames(d.value) : Unquoted(d.value);
    advice.replace(v, 2, value.empty() ? FirstLine(d.value) : value);
  }
  return {advice, level};
}

// The advice for a value that the run's value table drops: what the value
// rows of the family say a person sets instead.
std::string ValueAdvice(const TodoClasses& classes, const std::string& target,
                        const PropertyDecision& d) {
  for (const TodoValue& r : classes.source->todo.values)
    if (r.property == d.name && r.value == d.value && classes.TargetOf(r.cls) == target)
      return r.advice;
  return "the value has no Nexa counterpart: set IsolationLevel by hand";
}

// The advice for a dataset whose DatabaseName no database of the run
// declares: what the family says of it (for the BDE, the name is an alias,
// which a connection of its own now stands for).
std::string NoDatabaseAdvice(const SourceFamily& family, const std::string& name) {
  if (name.empty()) return "it was empty: set Connection to the TNXConnection the dataset uses";
  std::string advice = family.todo.no_database.empty()
                           ? "no database of the run is named %v: set Connection to the "
                             "TNXConnection that reaches it"
                           : family.todo.no_database;
  for (size_t v = 0; (v = advice.find("%v", v)) != std::string::npos; v += name.size())
    advice.replace(v, 2, name);
  return advice;
}

}  // namespace

int CountTodo(const std::vector<const std::vector<TodoItem>*>& parts, TodoLevel level) {
  int n = 0;
  for (const std::vector<TodoItem>* part : parts)
    for (const TodoItem& item : *part) n += item.level == level;
  return n;
}

std::vector<TodoItem> ScanUnitTodo(std::string_view text, const std::string& file,
                                   const TodoClasses& classes) {
  return ScanUnitTodo(text, file, classes, SignificantTokens(text));
}

std::vector<TodoItem> ScanUnitTodo(std::string_view text, const std::string& file,
                                   const TodoClasses& classes, PasTokens tokens) {
  std::vector<FoundTodo> found = FindUnitTodo(text, std::move(tokens), classes);
  std::vector<TodoItem> items;
  LineCursor lines(text);
  Place(found, file, &items, &lines);
  return items;
}
void TFormTodo::Add(TodoKind kind, TodoLevel level, size_t offset, std::string text,
                    std::string advice) {
  items_.push_back(
      PlaceAt(&lines_, file_, offset, kind, level, std::move(text), std::move(advice)));
}

void TFormTodo::Converted(size_t pos, const std::string& name, const std::string& cls,
                          const std::vector<PropertyDecision>& decisions) {
  const std::string target = classes_.TargetOf(cls);
  converted_[UpperCase(name)] = target;
  // A provider that the connection string names goes on in ConnectString.
  bool provider_kept = false;
  for (const PropertyDecision& d : decisions)
    provider_kept = provider_kept ||
                    (d.name == "ConnectionString" && !d.produced.empty() && NamesProvider(d.value));
  for (const PropertyDecision& d : decisions) {
    // A Paradox or dBASE table keeps its file name, which the new database
    // does not know.
    if (SameText(d.name, "TableName") && !d.produced.empty())
      if (std::string advice = TableFileAdvice(d.value); !advice.empty())
        Add(todo_kind::kTableFile, todo_level::kWarning, FindPropertyLine(text_, pos, d.name),
            name + "." + d.name + " = " + FirstLine(d.value), std::move(advice));
    if (!d.produced.empty()) continue;
    std::string advice;
    TodoLevel level = todo_level::kWarning;
    if (d.drop_reason == drop_reason::kNoConnection) {
      advice = NoDatabaseAdvice(*classes_.source, Unquoted(d.value));
    } else if (d.drop_reason == drop_reason::kDatabaseName) {
      database_names_[UpperCase(Unquoted(d.value))] = name;
    } else if (d.drop_reason == drop_reason::kOutsideMappingTable) {
      advice = ValueAdvice(classes_, target, d);
    } else if (d.drop_reason == drop_reason::kNotPublished) {
      // The default session is what a connection gives anyway.
      if (d.name == "SessionName" && (d.value == "'Default'" || d.value == "''")) continue;
      if (const MemberGap* gap = classes_.FindMember(target, d.name))
        std::tie(advice, level) = DropAdvice(*gap, d);
      if (d.name == "Provider" && provider_kept) {
        advice = "ConnectString names the provider already";
        level = todo_level::kNote;
      }
      // An event the Nexa class does not have leaves its handler unconnected.
      if (advice.empty() && d.name.size() > 2 && d.name.compare(0, 2, "On") == 0 &&
          d.name[2] >= 'A' && d.name[2] <= 'Z')
        advice = "the Nexa class has no such event: call the handler " + d.value + " where it fits";
    }
    if (advice.empty()) continue;
    // The run has removed it from the form already.
    if (advice.ends_with(kRemoveIt)) advice.resize(advice.size() - kRemoveIt.size());
    advice = "dropped: " + advice;
    if (d.drop_reason == drop_reason::kNoConnection)
      no_database_.emplace_back(items_.size(), UpperCase(Unquoted(d.value)));
    Add(todo_kind::kFormProperty, level, FindPropertyLine(text_, pos, d.name),
        name + "." + d.name + " = " + FirstLine(d.value), advice);
  }
}

void TFormTodo::NotConverted(int line, const std::string& name, const std::string& cls,
                             const std::string& reason) {
  size_t offset = lines_.MoveToLine(line) ? lines_.LineStart() : 0;
  offset = std::min(text_.find_first_not_of(" \t", offset), text_.size());
  const std::string target = classes_.TargetOf(cls);
  Add(todo_kind::kFormObject, todo_level::kError, offset, "object " + name + ": " + cls,
      "left unconverted (" + reason + "): write it as " +
          (target.empty() ? std::string("its Nexa class") : "a " + target) +
          " object by hand; the form will not load until then");
}
std::vector<TodoItem> TFormTodo::Finish() {
  // A database the run did not find although the form declares it: the
  // dataset goes to the connection it became.
  for (const auto& [item, db] : no_database_)
    if (auto found = database_names_.find(db); found != database_names_.end())
      items_[item].advice = "dropped: the TDatabase " + found->second + " of this form, now a " +
                            "TNXConnection, has that name: set Connection to " + found->second;
  LearnAncestors();
  // Every form: an object of a class the run does not convert may sit on
  // the old database whatever the form holds.
  FindReferences();
  std::stable_sort(items_.begin(), items_.end(), [](const TodoItem& a, const TodoItem& b) {
    return a.line != b.line ? a.line < b.line : a.col < b.col;
  });
  return std::move(items_);
}

// A descendant form ("inherited frmChild: TfrmChild") holds only what it
// adds or changes; the objects of its ancestor forms are the published
// fields of the ancestor classes, which the units of the run declare (their
// lineage in the learnt tables).
void TFormTodo::LearnAncestors() {
  const size_t start = std::min(text_.find_first_not_of(" \t\r\n"), text_.size());
  std::string_view line = text_.substr(start, text_.find('\n', start) - start);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  const size_t word = std::min(line.find(' '), line.size());
  std::string cls = ObjectHeader(line, word).second;
  for (int depth = 0; !cls.empty() && depth < 16; ++depth) {
    const std::string* up = classes_.lineage.ParentOf(cls);
    if (!up) break;
    cls = *up;
    ancestors_.push_back(cls);
  }
}

const std::string* TFormTodo::ConvertedObject(std::string_view name) const {
  if (auto own = converted_.find(UpperCase(std::string(name))); own != converted_.end())
    return &own->second;
  if (ancestors_.empty() || !classes_.names_filter.MayHold(name)) return nullptr;
  for (const std::string& a : ancestors_)
    if (const std::string* field = classes_.lineage.FieldOf(a, name)) return field;
  return nullptr;
}

// Objects of classes the run does not map that refer to a converted object
// by name, or to a converted database by its alias.
void TFormTodo::FindReferences() {
  // The name and class of the open objects; "" for items.
  std::vector<std::pair<std::string, std::string>> open;
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
      open.push_back(ObjectHeader(line, word));
    } else if (SameText(line, "end") || SameText(line, "end>") || SameText(line, "end)")) {
      if (!open.empty()) open.pop_back();
    } else if (SameText(first, "item")) {
      open.emplace_back();
    } else if (!open.empty() && !open.back().second.empty() &&
               classes_.TargetOf(open.back().second).empty()) {
      Reference(start + indent, line, open.back().first, open.back().second);
    }
    start = end + 1;
  }
}

void TFormTodo::Reference(size_t at, std::string_view line, const std::string& name,
                          const std::string& cls) {
  const size_t eq = line.find(" = ");
  if (eq == std::string_view::npos) return;
  const std::string where = name + ".";
  const std::string_view prop = line.substr(0, eq);
  std::string_view value = line.substr(eq + 3);
  const std::string_view ref =
      value.substr(value.rfind('.') == std::string_view::npos ? 0 : value.rfind('.') + 1);
  const bool ident = !ref.empty() && value.find_first_of("' (<[{") == std::string_view::npos;
  const std::string* hit = ident ? ConvertedObject(ref) : nullptr;
  // A BDE data set of a class the run leaves alone (a library's TDBDataSet
  // descendant): it stays on the BDE wherever its database lives.
  if (SameText(classes_.source->database_property, "DatabaseName") &&
      (SameText(prop, "DatabaseName") || SameText(prop, "SessionName")) &&
      !SameText(cls, "TSession") && !ConvertedObject(name)) {
    if (!left_on_bde_.insert(UpperCase(name)).second) return;  // one item an object
    std::string advice = "a " + cls + " stays on the BDE: the run does not convert its class; " +
                         "map " + cls + " in a profile to a Nexa class, or replace it";
    if (SameText(prop, "DatabaseName"))
      if (auto db = database_names_.find(UpperCase(Unquoted(value))); db != database_names_.end())
        advice += " (its database is now the TNXConnection " + db->second + ")";
    Add(todo_kind::kFormReference, todo_level::kError, at, where + std::string(line), advice);
    return;
  }
  if (hit && !IsGenericReference(prop)) {
    Add(todo_kind::kFormReference, todo_level::kWarning, at, where + std::string(line),
        "a " + cls + " whose " + std::string(prop) + " is typed with the replaced class cannot " +
            "hold a " + *hit + ": map " + cls + " in a profile, or replace the component");
  } else if (SameText(prop, classes_.source->database_property)) {
    auto db = database_names_.find(UpperCase(Unquoted(value)));
    if (db == database_names_.end()) return;
    Add(todo_kind::kFormReference, todo_level::kWarning, at, where + std::string(line),
        "the database " + std::string(value) + " is now the TNXConnection " + db->second +
            ", which has no alias name: connect this " + cls + " to " + db->second);
  }
}

std::string FormatTodo(const std::vector<const std::vector<TodoItem>*>& parts, bool with_notes) {
  // Grouped by file, in the order the files first appear; the names are
  // views of the items' own, so that a run's whole list is not copied.
  std::vector<std::string_view> files;
  std::unordered_map<std::string_view, std::vector<const TodoItem*>> by_file;
  for (const std::vector<TodoItem>* part : parts)
    for (const TodoItem& item : *part) {
      if (!with_notes && item.level == todo_level::kNote) continue;
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
      size += i->file.size() + 1 + digits(i->line) + 1 + digits(i->col) + 2 +
              ToString(i->level).size() + 2 + ToString(i->kind).size() + 2 + i->text.size() +
              kDash.size() + i->advice.size() + 1;
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
          .append(ToString(i->level))
          .append(": ")
          .append(ToString(i->kind))
          .append(": ")
          .append(i->text)
          .append(kDash)
          .append(i->advice)
          .append("\n");
  return out;
}

std::string FormatTodo(const std::vector<TodoItem>& items, bool with_notes) {
  return FormatTodo({&items}, with_notes);
}

std::string TodoCountLine(const std::vector<const std::vector<TodoItem>*>& parts,
                          bool notes_shown) {
  const int notes = CountTodo(parts, todo_level::kNote);
  return "to do: " + std::to_string(CountTodo(parts, todo_level::kError)) + " error(s), " +
         std::to_string(CountTodo(parts, todo_level::kWarning)) + " warning(s), " +
         std::to_string(notes) + " note(s)" + (notes && !notes_shown ? " (--all lists them)" : "") +
         "\n";
}

void WriteTodoFile(Disk& disk, const std::string& path,
                   const std::vector<const std::vector<TodoItem>*>& parts) {
  // A link planted under the list's name is not followed, as the log's is
  // not: the list would otherwise overwrite whatever file the link names.
  std::string text = FormatTodo(parts, true) + TodoCountLine(parts, true);
#ifdef _WIN32
  // The list is read beside the log and the undo file, in the same editors:
  // its lines end as theirs do there, with CR LF.
  std::string crlf;
  crlf.reserve(text.size() + text.size() / 32);
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  text = std::move(crlf);
#endif
  std::string why;
  if (!disk.WriteNewFile(path, text, &why))
    throw EFCreateError("Cannot create file \"" + path + "\". " + why);
}

std::string WriteRunTodoFile(Disk& disk, const std::string& path,
                             const std::vector<const std::vector<TodoItem>*>& parts) {
  const std::string text = FormatTodo(parts, true) + TodoCountLine(parts, true);
  const std::string ext = ExtractFileExt(path);
  const std::string stem = path.substr(0, path.size() - ext.size());
  std::string numbered, why;
  // A pipe (or a device) among the list's names stops the run, named, rather
  // than hold it or pass unnoticed.
  auto refuse_pipe = [&disk](const std::string& name) {
    std::string what;
    if (disk.IsPipeOrDevice(name, &what))
      throw EFCreateError("Cannot create file \"" + name + "\". " + what);
  };
  refuse_pipe(path);
  for (int n = 1; numbered.empty(); ++n) {
    if (n == 10000)
      throw EFCreateError("Cannot create file \"" + stem + ".N" + ext + "\". " +
                          "no free number for this run's to-do list");
    const std::string candidate = stem + "." + std::to_string(n) + ext;
    bool taken = false;
    if (disk.WriteExclusive(candidate, text, &why, &taken))
      numbered = candidate;
    else if (!taken)
      throw EFCreateError("Cannot create file \"" + candidate + "\". " + why);
    else
      refuse_pipe(candidate);
  }
  if (!disk.WriteNewFile(path, text, &why))
    throw EFCreateError("Cannot create file \"" + path + "\". " + why);
  return numbered;
}

}  // namespace tolvern
