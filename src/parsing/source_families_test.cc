// The table of source families: the built-in profiles in the order of their
// index, each with its family; and what a profile's "family" may say.
#include "parsing/source_families.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvern {
namespace {

TEST(SourceFamiliesTest, BuiltinFamiliesAreNumberedAsTheLibraryAndTheWizardNumberThem) {
  const std::vector<MappingProfile>& profiles = BuiltinProfiles();
  ASSERT_GE(profiles.size(), 2u);
  for (size_t i = 0; i < profiles.size(); ++i) {
    ASSERT_TRUE(profiles[i].family) << profiles[i].name;
    EXPECT_EQ(profiles[i].family->index, static_cast<int>(i));
    EXPECT_EQ(profiles[i].family->SourceUnit(), profiles[i].source_unit);
  }
  EXPECT_EQ(profiles[0].family->id, "bde");
  EXPECT_EQ(profiles[1].family->id, "ado");
  EXPECT_EQ(SourceFamilyNames().substr(0, 8), "bde, ado");
  EXPECT_EQ(&BuiltinProfile("ado"), &profiles[1]);
  EXPECT_EQ(FindBuiltinProfile("dbx"), nullptr);
  EXPECT_THROW(BuiltinProfile("dbx"), EAssertionFailed);
}

TEST(SourceFamiliesTest, AReplacerWithoutProfileBelongsToTheFamilyOfItsUnit) {
  const struct {
    const char* unit;
    const char* family;
  } cases[] = {{"DBTables", "bde"}, {"ADODB", "ado"}, {"adodb", "ado"}, {"MyUnit", "bde"}};
  for (const auto& c : cases) EXPECT_EQ(FamilyOfUnit(c.unit).id, c.family) << c.unit;
}

TEST(SourceFamiliesTest, BothFamiliesKeepTheirRowsApart) {
  const SourceFamily& bde = *BuiltinProfile("bde").family;
  const SourceFamily& ado = *BuiltinProfile("ado").family;
  EXPECT_EQ(bde.database_class, "TDatabase");
  EXPECT_EQ(bde.datasets, (std::vector<std::string>{"TNXQuery", "TNXTable", "TNXStoredProc"}));
  EXPECT_TRUE(bde.todo.values.empty());
  EXPECT_EQ(ado.todo.values.size(), 6u);
  for (const TodoInterface& row : ado.todo.interfaces) EXPECT_NE(row.name, "TSession");
  EXPECT_NE(bde.todo.no_database.find("BDE alias"), std::string::npos);
  EXPECT_EQ(ado.todo.no_database.find("BDE alias"), std::string::npos);
}

// Every problem of a family is named with its JSON path; a family that is
// laid over another replaces it whole.
TEST(SourceFamiliesTest, AFamilyIsCheckedPartByPart) {
  const struct {
    const char* family;
    const char* problem;
  } cases[] = {
      {R"({"name": "X", "units": ["U"], "database": {"class": "T", "property": "P"}})",
       "$.family: missing \"id\""},
      {R"({"id": "Big", "name": "X", "units": ["U"], "database": {"class": "T", "property": "P"}})",
       "$.family.id: \"Big\" is not a lower-case name (a-z, 0-9, -)"},
      {R"({"id": "x", "name": "X", "units": [], "database": {"class": "T", "property": "P"}})",
       "$.family.units: must name the source unit"},
      {R"({"id": "x", "name": "X", "units": ["U"], "database": {"class": "T"}})",
       "$.family.database: missing \"property\""},
      {R"({"id": "x", "name": "X", "units": ["U"], "database": {"class": "T", "property": "P"},
           "todo": {"members": [{"class": "T", "member": "M", "dropped": "error"}]}})",
       "$.family.todo.members[0].dropped: expected one of note, warning, found \"error\""},
      {R"({"id": "x", "name": "X", "units": ["U"], "database": {"class": "T", "property": "P"},
           "todo": {"interfaces": [{"match": "word", "name": "N", "advice": "A", "level": "note"}]}})",
       "$.family.todo.interfaces[0].match: expected one of name, prefix, unit, handler, found "
       "\"word\""},
      {R"({"id": "x", "name": "X", "units": ["U"], "database": {"class": "T", "property": "P"},
           "index": -1})",
       "$.family.index: expected a number from 0 to 99"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> problems;
    ParseProfile(std::string(R"({"family": )") + c.family + "}", &problems);
    ASSERT_FALSE(problems.empty()) << c.family;
    EXPECT_EQ(problems[0].substr(0, problems[0].find(" (line")) +
                  problems[0].substr(problems[0].find("): ") + 1),
              c.problem);
  }
  MappingProfile base = BuiltinProfile("bde");
  std::vector<std::string> problems;
  ApplyProfile(&base, ParseProfile(R"({"family": {"id": "x", "name": "X", "units": ["U"],
                                       "database": {"class": "T", "property": "P"}}})",
                                   &problems));
  ASSERT_TRUE(problems.empty()) << problems[0];
  EXPECT_EQ(base.family->id, "x");
  EXPECT_TRUE(base.family->todo.members.empty());
}

}  // namespace
}  // namespace tolvern
