#include "engine/todo_tables.h"

#include "parsing/source_families.h"

namespace tolvern {

namespace {

// The rows of one kind of every built-in family, one family after the other.
template <typename Row>
std::vector<Row> AllRows(std::vector<Row> FamilyTodo::*rows) {
  std::vector<Row> all;
  for (const MappingProfile& p : BuiltinProfiles())
    all.insert(all.end(), (p.family->todo.*rows).begin(), (p.family->todo.*rows).end());
  return all;
}

}  // namespace

const std::vector<TodoMember>& TodoMembers() {
  static const std::vector<TodoMember> rows = AllRows(&FamilyTodo::members);
  return rows;
}

const std::vector<TodoValue>& TodoValues() {
  static const std::vector<TodoValue> rows = AllRows(&FamilyTodo::values);
  return rows;
}

const std::vector<TodoInterface>& TodoInterfaces() {
  static const std::vector<TodoInterface> rows = AllRows(&FamilyTodo::interfaces);
  return rows;
}

}  // namespace tolvern
