#include "parsing/json_locator.h"

#include <gtest/gtest.h>

namespace tolvern::profile_json {
namespace {

struct Read {
  Json root;
  std::string error;
  std::vector<std::string> duplicates;
};

Read Locate(const std::string& text, int max_depth, std::vector<int>* lines = nullptr,
            const std::vector<std::string>& paths = {}) {
  const char* reached = text.data();
  LocatingReader reader(text, &reached, max_depth);
  LocateJson(text, &reader, &reached);
  if (lines)
    for (const std::string& p : paths) lines->push_back(reader.LineOf(p));
  return {reader.root, reader.error, reader.duplicates};
}

std::string Arrays(int depth) {
  return std::string(static_cast<size_t>(depth), '[') +
         std::string(static_cast<size_t>(depth), ']');
}

// Objects and arrays nested up to the limit are read; one level more stops
// the reading where it goes too deep, with the line and the limit.
TEST(JsonLocatorTest, NestingStopsAtTheLimit) {
  struct Case {
    std::string text;
    int limit;
    const char* error;
  } cases[] = {
      {Arrays(5), 5, ""},
      {Arrays(6), 5, "line 1: nested deeper than 5 levels, the limit for a profile"},
      {"{\"a\": {\"b\": {}}}", 3, ""},
      {"{\"a\":\n {\"b\":\n  {\"c\": {}}}}", 3,
       "line 3: nested deeper than 3 levels, the limit for a profile"},
      {"[1, [2, [3]], [4, [5]]]", 3, ""},  // depth, not the number of containers
      {Arrays(1000), 1000, ""},
      {Arrays(1001), 1000, "line 1: nested deeper than 1000 levels, the limit for a profile"},
  };
  for (const Case& c : cases) EXPECT_EQ(Locate(c.text, c.limit).error, c.error) << c.text;
  EXPECT_EQ(Locate(Arrays(3), 5).root.dump(), "[[[]]]");
}

// Every value is found by its path, and a path to a value that is not there
// by the nearest value that holds it.
TEST(JsonLocatorTest, PathsFindTheLinesOfTheirValues) {
  const std::string text =
      "{\n \"classes\": [\n  {\"from\": \"TA\",\n   \"to\": \"TB\"},\n  {\"from\": \"TC\"}\n ],\n"
      " \"properties\": {\"Params.Strings\":\n  {\"code\": \"x\"}},\n \"deep\": [[[\n\n  7]]]\n}";
  std::vector<int> lines;
  const std::vector<std::string> paths = {"$",
                                          "$.classes",
                                          "$.classes[0].to",
                                          "$.classes[1]",
                                          "$.classes[1].to",
                                          "$.classes[7].from",
                                          "$.properties[\"Params.Strings\"].code",
                                          "$.properties[\"Params.Strings\"]",
                                          "$.deep[0][0][0]",
                                          "$.nothing.at.all"};
  EXPECT_EQ(Locate(text, 100, &lines, paths).error, "");
  EXPECT_EQ(lines, (std::vector<int>{1, 2, 4, 5, 5, 2, 8, 8, 11, 1}));
}

// A key given twice is named with its path and both lines; the later value
// stays in its first place.
TEST(JsonLocatorTest, KeysGivenTwiceAreNamed) {
  const Read r = Locate("{\"a\": [1, {\"k\": 1,\n \"k\": 2}],\n \"b\": 1,\n \"a\": 3}", 10);
  EXPECT_EQ(r.duplicates,
            (std::vector<std::string>{
                "$.a[1].k (line 2): duplicate key \"k\", first at line 1; one value would be lost",
                "$.a (line 4): duplicate key \"a\", first at line 1; one value would be lost"}));
  EXPECT_EQ(r.root.dump(), "{\"a\":3,\"b\":1}");
}

}  // namespace
}  // namespace tolvern::profile_json
