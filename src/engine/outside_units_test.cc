// Units outside the project file: the names of uses clauses, the test of
// whether a unit names the source classes, and the walk over the project's
// folders.
#include "engine/outside_units.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/paths.h"
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
  RealDisk disk;
  OutsideUnits finder(disk, project, [](std::string_view text, std::string* name) {
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

TEST_F(FirstSourceNameTest, WhatCannotBeReadOrListedIsTold) {
  ScratchDir dir;
  dir.Write("p/App.dpr", "program App; uses Main in 'Main.pas'; begin end.");
  dir.Write("p/Main.pas", "unit Main; interface uses Data, Gone; implementation end.");
  dir.Write("p/Data.pas", "unit Data; interface uses DBTables; implementation end.");
  dir.Write("p/Gone.pas", "unit Gone; interface uses DBTables; implementation end.");
  dir.Write("q/Q.pas", "unit Q; interface implementation end.");
  FakeProject project(dir / "p/App.dpr", {dir / "p/Main.pas", dir / "q/Q.pas"});
  const auto find = [&project](Disk& disk, std::vector<std::string>* names) {
    OutsideUnits finder(disk, project, [](std::string_view text, std::string* name) {
      return BdeReplacer->FirstSourceName(text, name);
    });
    for (const OutsideUnit& u : finder.Find({project.ProjectModuleFileName(0)}))
      names->push_back(ExtractFileName(u.path));
    return finder.Failures();
  };
  struct Case {
    const char* op;
    std::string path;
    std::vector<std::string> found;
    std::string reason;
  };
  const Case cases[] = {
      {"read", dir / "p/Gone.pas", {"Data.pas"}, "it could not be read to look for units "},
      {"read", dir / "p/Main.pas", {}, "it could not be read to look for units "},
      {"read", dir / "p/App.dpr", {"Data.pas", "Gone.pas"}, "it could not be read to look for "},
      {"list", dir / "q", {"Data.pas", "Gone.pas"}, "the folder could not be listed to look for "},
  };
  for (const Case& c : cases) {
    testing::FaultyDisk disk;
    disk.fail_op = [&c](const char* op, const std::string& path) {
      return std::string(op) == c.op && path == c.path;
    };
    std::vector<std::string> names;
    const auto failures = find(disk, &names);
    EXPECT_EQ(names, c.found) << c.path;
    ASSERT_EQ(failures.size(), 1u) << c.path;
    EXPECT_EQ(failures[0].first, c.path);
    EXPECT_EQ(failures[0].second.rfind(c.reason, 0), 0u) << failures[0].second;
  }
}

}  // namespace
}  // namespace tolvern
