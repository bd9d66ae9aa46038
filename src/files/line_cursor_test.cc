#include "files/line_cursor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

namespace tolvern {
namespace {

// Asked in any order, forwards, backwards and within a line, the cursor
// gives what counting from the top gives.
TEST(LineCursorTest, AnyOrderOfPlacesGivesTheLinesCountedFromTheTop) {
  const std::string_view text = "ab\ncd\r\n\nefg\nh";
  const auto counted = [&](size_t offset) {
    offset = std::min(offset, text.size());
    const size_t nl = text.rfind('\n', offset == 0 ? std::string_view::npos : offset - 1);
    return std::pair<int, size_t>(
        1 + static_cast<int>(
                std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n')),
        offset == 0 || nl == std::string_view::npos ? 0 : nl + 1);
  };
  LineCursor lines(text);
  for (size_t offset : {0, 2, 3, 7, 5, 4, 12, 13, 40, 1, 8, 8, 9, 6}) {
    const int line = lines.LineOf(offset);
    EXPECT_EQ(std::pair(line, lines.LineStart()), counted(offset)) << offset;
  }
  // A line's start, then places on from it; past the last line, false.
  for (int line : {4, 2, 5, 1, 3}) {
    ASSERT_TRUE(lines.MoveToLine(line)) << line;
    EXPECT_EQ(lines.LineOf(lines.LineStart()), line);
  }
  EXPECT_FALSE(lines.MoveToLine(6));
  EXPECT_EQ(lines.LineOf(0), 1);
}

}  // namespace
}  // namespace tolvern
