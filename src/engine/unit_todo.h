// The unit scanner of the to-do list: reads a Pascal unit's significant
// tokens for members its Nexa classes lack and for API names of the source
// family, and learns the names the unit declares with a mapped class. It
// finds places by offset; the to-do list (todo_list.h) turns them into
// lines and columns.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii_text.h"
#include "engine/class_lineage.h"
#include "engine/todo_item.h"
#include "parsing/pascal_scanner.h"

namespace tolvern {

struct TodoClasses;

// A to-do item before its offset is turned into line and column.
struct FoundTodo {
  size_t offset;
  TodoKind kind;
  std::string text;
  std::string advice;
  TodoLevel level;
};

// The items of a unit, given its text and that text's significant tokens,
// in the order the scan meets them.
std::vector<FoundTodo> FindUnitTodo(std::string_view text, PasTokens tokens,
                                    const TodoClasses& classes);

// What a unit declares that the other units of a run need to know: the
// names it declares with a mapped class (name -> target class; a name
// declared twice ends with its later class), and its classes' parents and
// fields of mapped classes.
struct UnitDeclarations {
  FoldedMap<std::string> names;
  ClassLineage lineage;
};

UnitDeclarations FindDeclaredNames(std::string_view text, PasTokens tokens,
                                   const TodoClasses& classes);

}  // namespace tolvern
