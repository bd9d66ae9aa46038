// The to-do list: every place in code and forms that a migration cannot
// finish and a person must, with the file, line and column, the text found
// and what to do instead. It is an account, never an edit: nothing here
// changes what a run writes. The class tables it reads are in
// todo_classes.h; the unit scanner behind ScanUnitTodo is in unit_todo.h.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/table_file_advice.h"
#include "engine/todo_classes.h"
#include "engine/todo_item.h"
#include "files/line_cursor.h"
#include "parsing/pascal_scanner.h"

namespace tolvern {

class Disk;

struct PropertyDecision;

// The number of items of a level in a list given in parts.
int CountTodo(const std::vector<const std::vector<TodoItem>*>& parts, TodoLevel level);

// The to-do items of one Pascal unit's text, in text order.
std::vector<TodoItem> ScanUnitTodo(std::string_view text, const std::string& file,
                                   const TodoClasses& classes);
// The same with the text's significant tokens, when the caller has them.
std::vector<TodoItem> ScanUnitTodo(std::string_view text, const std::string& file,
                                   const TodoClasses& classes, PasTokens tokens);

// Collects the to-do items of one form while its objects are converted.
class TFormTodo {
 public:
  TFormTodo(std::string_view form_text, std::string file, const TodoClasses& classes)
      : text_(form_text), lines_(form_text), file_(std::move(file)), classes_(classes) {}
  // An object of source class cls (or of a descendant converted as cls),
  // whose "object" keyword stands at offset pos, converted with decisions.
  void Converted(size_t pos, const std::string& name, const std::string& cls,
                 const std::vector<PropertyDecision>& decisions);
  // An object the run could not convert.
  void NotConverted(int line, const std::string& name, const std::string& cls,
                    const std::string& reason);
  // The items, after the references of unmapped objects to converted ones
  // are looked for.
  std::vector<TodoItem> Finish();

 private:
  void Add(TodoKind kind, TodoLevel level, size_t offset, std::string text, std::string advice);
  // Looks for the objects of unmapped classes that refer to converted ones.
  void FindReferences();
  // The classes the form's class descends from, as far as the units of the
  // run tell, nearest first: their forms' objects are this form's too.
  void LearnAncestors();
  // The target class of the converted object a form refers to by name: one
  // of its own, or one of its ancestor forms; nullptr for none.
  const std::string* ConvertedObject(std::string_view name) const;
  // One property line, at offset at, of the open object name, whose class
  // cls the run does not map.
  void Reference(size_t at, std::string_view line, const std::string& name, const std::string& cls);
  std::string_view text_;
  LineCursor lines_;  // the places come mostly in the form's order
  std::string file_;
  const TodoClasses& classes_;
  std::vector<TodoItem> items_;
  std::unordered_map<std::string, std::string> converted_;  // upper-case name -> target class
  // The aliases of converted databases (upper case) -> their object names.
  std::unordered_map<std::string, std::string> database_names_;
  // The items of datasets whose database was not found: item, alias (upper case).
  std::vector<std::pair<size_t, std::string>> no_database_;
  std::vector<std::string> ancestors_;
  // The objects of unconverted classes listed as left on the BDE (upper case).
  std::unordered_set<std::string> left_on_bde_;
};

// The list as a person reads it, grouped by file:
// "file:line:col: level: kind: text — advice" lines; notes only with
// with_notes.
std::string FormatTodo(const std::vector<TodoItem>& items, bool with_notes = false);
// The same for a list given in parts (the files of a run), without a copy.
std::string FormatTodo(const std::vector<const std::vector<TodoItem>*>& parts,
                       bool with_notes = false);
// The closing line of a list: "to do: 2 error(s), 1 warning(s), 3 note(s)",
// and, when the notes were left out, how to see them.
std::string TodoCountLine(const std::vector<const std::vector<TodoItem>*>& parts, bool notes_shown);

// Writes the whole list, notes included, and its count line to path;
// throws EFCreateError, naming the file, when it cannot be written.
void WriteTodoFile(Disk& disk, const std::string& path,
                   const std::vector<const std::vector<TodoItem>*>& parts);

// The list of one run: written to a numbered name of its own beside path,
// the first that no earlier run took ("Wiz_Todo.1.txt", "Wiz_Todo.2.txt"...),
// so that a later run never loses it, and to path itself, which always holds
// the latest list. Returns the numbered name; throws EFCreateError, naming
// the file, when either cannot be written.
std::string WriteRunTodoFile(Disk& disk, const std::string& path,
                             const std::vector<const std::vector<TodoItem>*>& parts);

}  // namespace tolvern
