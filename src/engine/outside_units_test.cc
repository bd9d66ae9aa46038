// Units outside the project file: the names of uses clauses, the test of
// whether a unit names the source classes, and the walk over the project's
// folders.
#include "engine/outside_units.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/nx_replacer.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

TEST(OutsideUnitsTest, UsesNamesAreTheClausesNamesAsWritten) {
  EXPECT_EQ(OutsideUnits::UsesNames("unit U; interface uses A, B.C in 'b\\c.pas', {D} E;\n"
                                    "const S = 'uses X;'; implementation uses F; end."),
            (std::vector<std::string>{"A", "B.C", "E", "F"}));
  EXPECT_EQ(OutsideUnits::UsesNames("unit U; interface implementation end."),
            std::vector<std::string>{});
}

class FirstSourceNameTest : public ::testing::Test {
  NXReplacerScope library_;
};

TEST_F(FirstSourceNameTest, FindsWhatTheRewritingWouldChange) {
  const std::string migrated_uses = "uses DBTables" + BdeReplacer->NewUnits + ";";
  struct Case {
    std::string text;
    std::string name;  // "" for none
    size_t at = 0;
  };
  const Case cases[] = {
      {"uses Forms;\nvar Q: TQuery;", "TQuery", 19},
      {"uses Forms, dbtables;", "dbtables", 12},
      {"uses Forms; { a TTable here }", "TTable", 16},
      // Migrated already: the Nexa units stand behind the source unit.
      {migrated_uses + "\nvar Q: TNXQuery;", ""},
      // Strings, and the form a resource directive names, are no class.
      {"{$R TQuery.dfm} S := 'TQuery';", ""},
  };
  for (const Case& c : cases) {
    std::string name;
    const size_t at = BdeReplacer->FirstSourceName(c.text, &name);
    EXPECT_EQ(name, c.name) << c.text;
    EXPECT_EQ(at, c.name.empty() ? std::string_view::npos : c.at) << c.text;
  }
}

class FakeProject : public ProjectModules {
 public:
  FakeProject(std::string file, std::vector<std::string> modules)
      : file_(std::move(file)), modules_(std::move(modules)) {}
  std::string ProjectFileName() override { return file_; }
  int ProjectModuleCount() override { return static_cast<int>(modules_.size()); }
  std::string ProjectModuleFileName(int i) override { return modules_[static_cast<size_t>(i)]; }

 private:
  std::string file_;
  std::vector<std::string> modules_;
};

TEST_F(FirstSourceNameTest, TheWalkFindsUnitsInTheProjectsFoldersOnly) {
  ScratchDir dir;
  const std::string bde = "unit X; interface uses DBTables; implementation end.";
  // The project file's folder and the folder of its one listed unit.
  dir.Write("p/App.dpr", "program App; uses Listed, Main in '../m/Main.pas'; begin end.");
  dir.Write("m/Main.pas",
            "unit Main; interface uses listed, DATA, Plain, Far, Cycle; implementation end.");
  dir.Write("p/Listed.pas", bde);  // named in the project file without a path
  dir.Write("m/Data.pas", bde);    // beside the listed unit; any letter case
  dir.Write("p/Plain.pas", "unit Plain; interface uses Deep; implementation end.");
  dir.Write("p/Deep.pas", bde);   // only a unit without source classes uses it
  dir.Write("far/Far.pas", bde);  // in no folder of the project
  dir.Write("p/Cycle.pas", "unit Cycle; interface uses Main, Twin, DBTables; end.");
  dir.Write("p/Twin.pas", "unit Twin; uses Cycle; var T: TTable; end.");
  FakeProject project(dir / "p/App.dpr", {dir / "m/Main.pas"});
  OutsideUnits finder(CurrentDisk(), project, [](std::string_view text, std::string* name) {
    return BdeReplacer->FirstSourceName(text, name);
  });
  std::vector<std::string> found;
  for (const OutsideUnit& u : finder.Find({dir / "m/Main.pas"}))
    found.push_back(u.path.substr(dir.path().size() + 1) + " <- " +
                    u.used_by.substr(dir.path().size() + 1) + " " + std::to_string(u.line) + ":" +
                    std::to_string(u.col) + " " + u.name);
  const char sep = testing::kSeparator;
  EXPECT_EQ(found, (std::vector<std::string>{
                       std::string("m") + sep + "Data.pas <- m" + sep + "Main.pas 1:24 DBTables",
                       std::string("p") + sep + "Cycle.pas <- m" + sep + "Main.pas 1:40 DBTables",
                       std::string("p") + sep + "Twin.pas <- p" + sep + "Cycle.pas 1:31 TTable",
                   }));
}

}  // namespace
}  // namespace tolvern
