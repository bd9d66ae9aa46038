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

// A key whose hash is worked out once finds in every map what its text
// finds: names that differ only in ASCII letter case meet, bytes that only
// look alike in another code page or encoding do not.
TEST(AsciiTextTest, FoldedKeyFindsWhatItsTextFindsInEveryMap) {
  FoldedMap<int> classes{{"TQuery", 1}, {"Ünit", 2}, {"Caf\xE9", 3}, {"A@", 4}};
  FoldedMap<int> fields{{"qryOrders", 10}, {"TQUERY", 11}, {"qryOrdersAndLines_2024", 12}};
  struct Case {
    std::string_view text;
    int in_classes, in_fields;  // -1: not there
  } cases[] = {
      {"tquery", 1, 11},     {"TQuery", 1, 11},
      {"QRYORDERS", -1, 10}, {"qryordersandlines_2024", -1, 12},
      {"Ünit", 2, -1},       {"ünit", -1, -1},  // UTF-8 letters do not fold
      {"CAF\xE9", 3, -1},                       // only the ASCII letters of it fold
      {"Caf\xC9", -1, -1},                      // Latin-1 É is not é
      {"a@", 4, -1},         {"A`", -1, -1},    // "`" is "@" with bit 0x20, but no letter
      {"TQuery1", -1, -1},   {"", -1, -1},
  };
  for (const Case& c : cases) {
    const FoldedKey key(c.text);
    // The hash a key gives is the one the maps' own hash gives its text.
    EXPECT_EQ(FoldedHash{}(key), FoldedHash{}(c.text)) << c.text;
    auto in_classes = classes.find(key);
    auto in_fields = fields.find(key);
    EXPECT_EQ(in_classes == classes.end() ? -1 : in_classes->second, c.in_classes) << c.text;
    EXPECT_EQ(in_fields == fields.end() ? -1 : in_fields->second, c.in_fields) << c.text;
    EXPECT_EQ(in_classes == classes.end() ? -1 : in_classes->second,
              classes.count(c.text) ? classes.find(c.text)->second : -1)
        << c.text;
  }
}

}  // namespace
}  // namespace tolvern
