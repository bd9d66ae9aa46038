#include "base/text_edits.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvern {
namespace {

TEST(TextEditsTest, AppliesEditsInTextOrderWhateverTheOrderAdded) {
  const struct {
    std::vector<TextEdit> edits;
    std::string expected;
  } cases[] = {
      {{}, "uses DBTables;"},
      {{{5, 8, "NXAccess"}}, "uses NXAccess;"},
      // Added from the end back, or from the start: the same text.
      {{{13, 0, ", NX"}, {0, 4, "USES"}}, "USES DBTables, NX;"},
      {{{0, 4, "USES"}, {13, 0, ", NX"}}, "USES DBTables, NX;"},
      // Insertions at one offset keep the order they were added in, and go
      // before a replacement that starts there.
      {{{5, 8, "X"}, {5, 0, "a"}, {5, 0, "b"}}, "uses abX;"},
      // At the very start and the very end.
      {{{0, 0, "{x}"}, {14, 0, "//"}}, "{x}uses DBTables;//"},
      // A deletion.
      {{{4, 9, ""}}, "uses;"},
  };
  for (const auto& c : cases) {
    TextEdits edits;
    for (const TextEdit& e : c.edits) ASSERT_TRUE(edits.Add(e.offset, e.length, e.text));
    std::string out = "stale";
    ASSERT_TRUE(edits.ApplyTo("uses DBTables;", &out));
    EXPECT_EQ(out, c.expected);
  }
}

TEST(TextEditsTest, RefusesOverlappingEditsAndKeepsTheOthers) {
  const struct {
    TextEdit first, second;
    bool accepted;
  } cases[] = {
      {{5, 8, "A"}, {6, 2, "B"}, false},   // inside
      {{5, 8, "A"}, {0, 6, "B"}, false},   // over its start
      {{5, 8, "A"}, {12, 2, "B"}, false},  // over its end
      {{5, 8, "A"}, {5, 8, "B"}, false},   // the same bytes twice
      {{5, 8, "A"}, {5, 1, "B"}, false},   // one more replacement at its start
      {{5, 8, "A"}, {7, 0, "B"}, false},   // an insertion inside it
      {{5, 8, "A"}, {13, 0, "B"}, true},   // an insertion right behind it
      {{5, 8, "A"}, {5, 0, "B"}, true},    // an insertion right before it
      {{5, 8, "A"}, {13, 1, "B"}, true},   // the next bytes
      {{5, 8, "A"}, {0, 5, "B"}, true},    // the bytes before
  };
  for (const auto& c : cases) {
    TextEdits edits;
    ASSERT_TRUE(edits.Add(c.first.offset, c.first.length, c.first.text));
    EXPECT_EQ(edits.Add(c.second.offset, c.second.length, c.second.text), c.accepted)
        << c.second.offset << "+" << c.second.length;
    EXPECT_EQ(edits.size(), c.accepted ? 2u : 1u);
  }
}

TEST(TextEditsTest, AnEditPastTheEndIsRefusedWhenApplied) {
  TextEdits edits;
  ASSERT_TRUE(edits.Add(2, 1, "x"));
  ASSERT_TRUE(edits.Add(10, 3, "y"));
  std::string out;
  size_t bad = 0;
  EXPECT_FALSE(edits.ApplyTo("0123456789", &out, &bad));
  EXPECT_EQ(bad, 10u);
  EXPECT_EQ(out, "");
  EXPECT_TRUE(edits.ApplyTo("0123456789abc", &out));
  EXPECT_EQ(out, "01x3456789y");
}

}  // namespace
}  // namespace tolvern
