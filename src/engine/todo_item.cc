#include "engine/todo_item.h"

namespace tolvern {

std::string_view ToString(TodoKind kind) {
  switch (kind) {
    case TodoKind::kMember:
      return "member";
    case TodoKind::kInterface:
      return "interface";
    case TodoKind::kFormProperty:
      return "form-property";
    case TodoKind::kFormObject:
      return "form-object";
    case TodoKind::kFormReference:
      return "form-reference";
    case TodoKind::kErrorHandling:
      return "error-handling";
    case TodoKind::kTableFile:
      return "table-file";
    case TodoKind::kOutsideUnit:
      return "outside-unit";
    case TodoKind::kConnection:
      return "connection";
  }
  return "";
}

std::string_view ToString(TodoLevel level) {
  switch (level) {
    case TodoLevel::kError:
      return "error";
    case TodoLevel::kWarning:
      return "warning";
    case TodoLevel::kNote:
      return "note";
  }
  return "";
}

std::optional<TodoKind> ParseTodoKind(std::string_view text) {
  for (TodoKind kind : kTodoKinds)
    if (ToString(kind) == text) return kind;
  return std::nullopt;
}

std::optional<TodoLevel> ParseTodoLevel(std::string_view text) {
  for (TodoLevel level : kTodoLevels)
    if (ToString(level) == text) return level;
  return std::nullopt;
}

}  // namespace tolvern
