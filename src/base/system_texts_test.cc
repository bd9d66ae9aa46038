#include "base/system_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvern::res {
namespace {

// The checker counts what Format replaces: "%s" and "%d", wherever they
// stand; a "%" before any other character is text. The system's own texts
// are counted as they are.
static_assert(PlaceholderCount("") == 0);
static_assert(PlaceholderCount("No changes") == 0);
static_assert(PlaceholderCount("100%") == 0);
static_assert(PlaceholderCount("50% off, %x, %") == 0);
static_assert(PlaceholderCount("%s") == 1);
static_assert(PlaceholderCount("%d") == 1);
static_assert(PlaceholderCount("%s%d%s") == 3);
static_assert(PlaceholderCount("%%s") == 1);  // "%" then "%s", as Format reads it
static_assert(PlaceholderCount("%S %D") == 0);
static_assert(PlaceholderCount(kProcessingFile) == 1);
static_assert(PlaceholderCount(kWizardCaption) == 3);
static_assert(PlaceholderCount(kPathReason) == 2);
static_assert(PlaceholderCount(kOutcomeCounts) == 5);
static_assert(PlaceholderCount(kDescendantNotParsed) == 5);
static_assert(PlaceholderCount(kNoUnitSelected) == 0);

// A text converts to the FormatText of its own count only; any other count
// stops the compile (in a consteval constructor, a call to a function that
// is not constexpr). Here the right count is made at compile time:
static_assert(FormatText<2>(kFailedToBackUp).Text() == kFailedToBackUp);
static_assert(FormatText<0>("no placeholder").Text()[0] == 'n');
// A call with another count fails to compile, naming the checker:
//   Format(kFailedToBackUp, {"a"});  // 2 placeholders, 1 argument
//   error: call to non-'constexpr' function
//          'void tolvern::res::PlaceholderCountDiffersFromArguments()'
// The format_count_* tests compile such calls (tests/format_count_check.cc)
// and expect that error.

TEST(SystemTextsTest, FormatPutsEachArgumentInItsPlaceholder) {
  struct Case {
    std::string text;
    std::string formatted;
  } cases[] = {
      {Format("%s", {"x"}), "x"},
      {Format("File %d of %d", {"3", "10"}), "File 3 of 10"},
      {Format("%s%s", {"ab", "cd"}), "abcd"},  // adjacent
      {Format("%d%s%d", {"1", "-", "2"}), "1-2"},
      {Format("%s: %s", {"%s", "%d"}), "%s: %d"},  // an argument is not read again
      {Format("100% of %s", {"it"}), "100% of it"},
      {Format("%%s", {"x"}), "%x"},
      {Format("%s at 100%", {"x"}), "x at 100%"},
      {Format(kProcessingFile, {"C:\\App\\Main.pas"}), "Processing file: C:\\App\\Main.pas"},
      {Format(kWizardCaption, {"BDE", "2", "4"}), "BDE Migration Wizard - Step 2 of 4"},
      {Format(kInvalidEncoding, {"U.pas", ""}), "Left unchanged: U.pas ()"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.text, c.formatted);
}

// A text chosen at run time is not checked: a placeholder left without an
// argument stays, an argument left without a placeholder is dropped.
TEST(SystemTextsTest, FormatRuntimeTakesAnyCount) {
  const std::vector<const char*> texts = {kBackupFile, kCannotLockTree};
  EXPECT_EQ(FormatRuntime(texts[0], {"U.bak"}), "Backup file: U.bak");
  EXPECT_EQ(FormatRuntime(texts[1], {"L"}), "Cannot take the lock L: %s");
  EXPECT_EQ(FormatRuntime(texts[0], {"a", "b"}), "Backup file: a");
  EXPECT_EQ(FormatRuntime(texts[1], {}), texts[1]);
}

}  // namespace
}  // namespace tolvern::res
