#include "base/ascii_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvern {
namespace {

// Maps keyed by name are looked up with the text as written: every length
// the hash reads differently (1-3, 4-7, 8, over 8 bytes), any letter case.
TEST(AsciiTextTest, FoldedMapFindsNamesInAnyLetterCaseOnly) {
  FoldedMap<int> map;
  const std::string names[] = {"Q",        "Db",        "Tbl",
                               "TQRY",     "Query1",    "TDataba",
                               "TDatabas", "TDatabase", "qryOrdersAndLines_2024",
                               "Ünit"};
  for (int i = 0; i < 10; ++i) map.emplace(names[i], i);
  struct Case {
    std::string_view key;
    int found;  // -1: not there
  } cases[] = {
      {"q", 0},
      {"DB", 1},
      {"tBL", 2},
      {"tqry", 3},
      {"QUERY1", 4},
      {"tdataba", 5},
      {"TDATABAS", 6},
      {"tdatabase", 7},
      {"QRYORDERSANDLINES_2024", 8},
      {"Ünit", 9},
      {"", -1},
      {"Query2", -1},
      {"TDatabase1", -1},
      {"TDataBasf", -1},
      {"qryOrdersAndLines_2025", -1},
      {"ünit", -1},  // only ASCII letters fold
      {"Tb", -1},
      {"Tbl ", -1},
      // Bit 0x20 of a byte that is no letter is not letter case.
      {"Query\x11", -1},
      {"qryOrdersAndLines\x7F"
       "2024",
       -1},
  };
  for (const Case& c : cases) {
    auto it = map.find(c.key);
    EXPECT_EQ(it == map.end() ? -1 : it->second, c.found) << c.key;
  }
  // A name that differs only in letter case is the same key.
  EXPECT_FALSE(map.emplace("tdatabase", 99).second);
  EXPECT_EQ(map.size(), 10u);

  // The filter in front of such a map never refuses a key, in any case.
  NameFilter filter;
  for (const std::string& name : names) filter.Add(name);
  for (const Case& c : cases) {
    if (c.found < 0) continue;
    EXPECT_TRUE(filter.MayHold(c.key)) << c.key;
  }
  for (std::string_view other : {"X", "", "Zz",
                                 "qryOrdersAndLines_2024_and_more_than_63_bytes_long_"
                                 "__________________"})
    EXPECT_FALSE(filter.MayHold(other)) << other;
}

}  // namespace
}  // namespace tolvern
