#include "parsing/json_path.h"

#include <gtest/gtest.h>

namespace tolvern::profile_json {
namespace {

std::string Joined(const std::vector<PathStep>& steps) {
  std::string s;
  for (const PathStep& p : steps)
    s += p.index == PathStep::kMember ? "<" + p.key + ">" : "[" + std::to_string(p.index) + "]";
  return s;
}

// The steps of a path are the members and items it was made of; a path
// that goes wrong gives the steps before.
TEST(JsonPathTest, PathsComeApartIntoTheirSteps) {
  struct Case {
    std::string path;
    const char* steps;
  } cases[] = {
      {"$", ""},
      {Member(Member("$", "classes"), "from"), "<classes><from>"},
      {Item(Member("$", "classes"), 12), "<classes>[12]"},
      {Member(Member("$", "properties"), "Params.Strings"), "<properties><Params.Strings>"},
      {Member("$", "a \"quoted\" ]. [key"), "<a \"quoted\" ]. [key>"},
      {Member(Member("$", "aliases"), "'Sess'#227'o'"), "<aliases><'Sess'#227'o'>"},
      {Member("$", "Sess\xC3\xA3o") + "[3]", "<Sess\xC3\xA3o>[3]"},
      {"$.a[x].b", "<a>"},
      {"$.a[\"open", "<a>"},
      {"$.a.", "<a>"},
      {"$.1a", ""},
      {"a.b", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Joined(PathSteps(c.path)), c.steps) << c.path;
  EXPECT_EQ(Member("$", "Params.Strings"), "$[\"Params.Strings\"]");
}

}  // namespace
}  // namespace tolvern::profile_json
