// One place of the to-do list: what kind of place it is, how much it
// matters, where it is and what to do. Kinds and levels are enums that the
// engine branches on; their words ("member", "warning") are made only where
// the list is written out (the to-do file, the JSON and HTML reports) and
// read only where a table's text comes in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolvern {

// What kind of place an item is.
enum class TodoKind {
  kMember,         // a member the Nexa class lacks
  kInterface,      // a BDE/ADO API name
  kFormProperty,   // dropped with meaning
  kFormObject,     // left unconverted
  kFormReference,  // refers to a renamed object
  kErrorHandling,  // a source-library exception
  kTableFile,      // a Paradox or dBASE table file
  kOutsideUnit,    // used, not in the project file
  kConnection,     // a connection the run made or could not
};

// How much a place matters, in the words compilers use: an error will not
// compile as it stands; a warning compiles and may behave differently; a
// note records what the run did and needs nothing. Declared from the most
// to the least pressing, the order the reports list them in.
enum class TodoLevel { kError, kWarning, kNote };

inline constexpr TodoKind kTodoKinds[] = {
    TodoKind::kMember,     TodoKind::kInterface,     TodoKind::kFormProperty,
    TodoKind::kFormObject, TodoKind::kFormReference, TodoKind::kErrorHandling,
    TodoKind::kTableFile,  TodoKind::kOutsideUnit,   TodoKind::kConnection};
inline constexpr TodoLevel kTodoLevels[] = {TodoLevel::kError, TodoLevel::kWarning,
                                            TodoLevel::kNote};

// The shorter names the engine writes them with: todo_kind::kMember,
// todo_level::kWarning.
namespace todo_kind {
using enum TodoKind;
}  // namespace todo_kind
namespace todo_level {
using enum TodoLevel;
}  // namespace todo_level

// The words the lists and reports show: "form-property", "warning".
std::string_view ToString(TodoKind kind);
std::string_view ToString(TodoLevel level);
// The kind or level a word names, as ToString writes it; nullopt for any
// other text.
std::optional<TodoKind> ParseTodoKind(std::string_view text);
std::optional<TodoLevel> ParseTodoLevel(std::string_view text);

struct TodoItem {
  TodoKind kind = TodoKind::kMember;
  std::string file;
  int line = 0;
  int col = 0;
  std::string text;
  std::string advice;
  TodoLevel level = TodoLevel::kError;
};

}  // namespace tolvern
