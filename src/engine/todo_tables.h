// What the Nexa classes do not have: the to-do rows of the source families
// (the members of their classes with no counterpart on the Nexa class, the
// values the conversion drops, the interfaces with no Nexa counterpart at
// all). Each family's rows are part of its profile ("family"."todo" in
// profiles/*.json, source_family.h); the to-do classes (todo_classes.h) and
// the unit scan (unit_todo.h) read those of the run's family. These are the
// rows of every built-in family together, in the table's order.
#pragma once

#include <vector>

#include "parsing/source_family.h"

namespace tolvern {

const std::vector<TodoMember>& TodoMembers();
const std::vector<TodoValue>& TodoValues();
const std::vector<TodoInterface>& TodoInterfaces();

}  // namespace tolvern
