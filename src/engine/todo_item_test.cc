#include "engine/todo_item.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "engine/todo_tables.h"
#include "test_support.h"

namespace tolvern {
namespace {

// The words of the to-do list's kinds and levels, as the to-do file and the
// reports show them; each reads back as what it names, and nothing else
// does.
TEST(TodoItemTest, EachKindAndLevelHasItsWordAndReadsBack) {
  const std::pair<TodoKind, std::string_view> kinds[] = {
      {TodoKind::kMember, "member"},
      {TodoKind::kInterface, "interface"},
      {TodoKind::kFormProperty, "form-property"},
      {TodoKind::kFormObject, "form-object"},
      {TodoKind::kFormReference, "form-reference"},
      {TodoKind::kErrorHandling, "error-handling"},
      {TodoKind::kTableFile, "table-file"},
      {TodoKind::kOutsideUnit, "outside-unit"},
      {TodoKind::kConnection, "connection"},
  };
  ASSERT_EQ(std::size(kinds), std::size(kTodoKinds));
  for (const auto& [kind, word] : kinds) {
    EXPECT_EQ(ToString(kind), word);
    EXPECT_EQ(ParseTodoKind(word), kind) << word;
  }
  const std::pair<TodoLevel, std::string_view> levels[] = {
      {TodoLevel::kError, "error"}, {TodoLevel::kWarning, "warning"}, {TodoLevel::kNote, "note"}};
  ASSERT_EQ(std::size(levels), std::size(kTodoLevels));
  for (const auto& [level, word] : levels) {
    EXPECT_EQ(ToString(level), word);
    EXPECT_EQ(ParseTodoLevel(word), level) << word;
  }
  for (std::string_view other : {"", "Error", "warnings", "member ", "form property", "folder"}) {
    EXPECT_EQ(ParseTodoKind(other), std::nullopt) << other;
    EXPECT_EQ(ParseTodoLevel(other), std::nullopt) << other;
  }
}

// The words are those the report's schema allows, every one of them.
TEST(TodoItemTest, TheWordsAreThoseOfTheReportSchema) {
  const nlohmann::json schema = nlohmann::json::parse(
      testing::ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) + "/docs/report.schema.json"));
  const nlohmann::json& todo = schema["definitions"]["todo"]["properties"];
  std::set<std::string> kinds, levels;
  for (TodoKind k : kTodoKinds) kinds.insert(std::string(ToString(k)));
  for (TodoLevel l : kTodoLevels) levels.insert(std::string(ToString(l)));
  EXPECT_EQ(kinds, todo["kind"]["enum"].get<std::set<std::string>>());
  EXPECT_EQ(levels, todo["level"]["enum"].get<std::set<std::string>>());
}

// The tables give kinds and levels as words: each must be one the list
// knows, since a word it does not know would be read as the default.
TEST(TodoItemTest, EveryWordOfTheTablesIsAKindOrLevel) {
  for (const TodoInterface& row : TodoInterfaces()) {
    const auto kind = ParseTodoKind(row.kind);
    EXPECT_TRUE(kind == TodoKind::kInterface || kind == TodoKind::kErrorHandling)
        << row.name << ": " << row.kind;
    EXPECT_TRUE(ParseTodoLevel(row.level)) << row.name << ": " << row.level;
  }
  for (const TodoMember& row : TodoMembers()) {
    const auto level = ParseTodoLevel(row.dropped);
    EXPECT_TRUE(level == TodoLevel::kNote || level == TodoLevel::kWarning)
        << row.cls << "." << row.member << ": " << row.dropped;
  }
}

}  // namespace
}  // namespace tolvern
