#include "base/nearest_name.h"

#include <gtest/gtest.h>

namespace tolvern {
namespace {

TEST(EditDistanceTest, CountsEachKindOfEditOnceAndIgnoresCase) {
  struct Case {
    const char* a;
    const char* b;
    size_t distance;
  } cases[] = {
      {"", "", 0},
      {"", "todo", 4},
      {"form", "", 4},
      {"migrate", "MiGrAtE", 0},   // letter case is no edit
      {"migrte", "migrate", 1},    // a letter left out
      {"migraate", "migrate", 1},  // one too many
      {"mugrate", "migrate", 1},   // one replaced
      {"mirgate", "migrate", 1},   // two neighbours swapped
      {"imgrate", "migrate", 1},   // swapped at the start
      {"migraet", "migrate", 1},   // swapped at the end
      {"abc", "ca", 3},            // a swap is not an edit once more
      {"restore", "profile", 6},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EditDistance(c.a, c.b), c.distance) << c.a << " / " << c.b;
    EXPECT_EQ(EditDistance(c.b, c.a), c.distance) << c.b << " / " << c.a;
  }
}

TEST(NearestNameTest, NamesTheNearestWithinAThirdOfItsLetters) {
  const std::vector<std::string> names = {"migrate", "todo", "aliases",
                                          "restore", "form", "profile"};
  struct Case {
    const char* word;
    const char* nearest;
  } cases[] = {
      {"migrte", "migrate"},
      {"mgrte", "migrate"},  // two of seven letters
      {"mgrt", ""},          // three of seven
      {"tood", "todo"},
      {"tdo", "todo"},
      {"td", ""},  // one of four, not two
      {"fomr", "form"},
      {"frm", "form"},
      {"RESTORE", "restore"},
      {"Profil", "profile"},
      {"alias", "aliases"},
      {"frobnicate", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(NearestName(c.word, names), c.nearest) << c.word;
}

TEST(NearestNameTest, TheFirstOfEquallyNearNamesWins) {
  EXPECT_EQ(NearestName("cat", {"bat", "cut", "cat2"}), "bat");
  EXPECT_EQ(NearestName("cat", {"cut", "bat"}), "cut");
  EXPECT_EQ(NearestName("cat", {"cut", "cat"}), "cat");  // a nearer one later wins
  EXPECT_EQ(NearestName("cat", {}), "");
}

}  // namespace
}  // namespace tolvern
