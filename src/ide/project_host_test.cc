#include "ide/project_host.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "ide/ide_utils.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

TEST(ProjectHostTest, UnitPathsInClauseOrder) {
  EXPECT_EQ(
      ProjectHost::UnitPathsOf("program P;\n{ uses X in 'no.pas'; }\nuses\n  Forms,\n"
                               "  Main in 'Main.pas' {MainForm},\n  Data in 'sub\\Data.pas',\n"
                               "  // Old in 'old.pas',\n  Str in 'it''s.pas';\n"
                               "uses Late in 'late.pas';\nbegin end."),
      (std::vector<std::string>{"Main.pas", "sub\\Data.pas", "it's.pas"}));
  EXPECT_TRUE(ProjectHost::UnitPathsOf("program P; begin end.").empty());
}

TEST(ProjectHostTest, ModulesAreFullPathsFoundIgnoringCase) {
  ScratchDir dir;
  std::string main = dir.Write("app/main.PAS", "");
  std::string project = dir.Write(
      "app/App.dpr", "program App;\nuses Main in 'Main.pas', D in 'lib\\D.pas';\nbegin end.");
  ProjectHost host;
  host.Load(project);
  ScopedIdeServices services(&host);
  EXPECT_EQ(TIDEUtils::GetProjectFileName(), project);
  ASSERT_EQ(TIDEUtils::GetProjectModuleCount(), 2);
  std::string name;
  TIDEUtils::GetProjectModuleFileName(0, name);
  EXPECT_EQ(name, main);
  TIDEUtils::GetProjectModuleFileName(1, name);
  EXPECT_EQ(name, dir / "app/lib/D.pas");  // missing: kept as written, made absolute

  EXPECT_TRUE(TIDEUtils::SaveProject());
  EXPECT_TRUE(TIDEUtils::ReloadFile(main));
  EXPECT_TRUE(TIDEUtils::CloseProjectGroup());
  EXPECT_EQ(TIDEUtils::GetProjectFileName(), "");
  EXPECT_TRUE(TIDEUtils::OpenProject(project));
  EXPECT_EQ(host.Calls(),
            (std::vector<std::string>{"SaveProject", "ReloadFile " + main, "CloseProjectGroup",
                                      "OpenProject " + project}));
}

TEST(ProjectHostTest, MissingProjectFileThrowsNamingIt) {
  ScratchDir dir;
  ProjectHost host;
  EXPECT_THROW(host.Load(dir / "none.dpr"), EFOpenError);
  EXPECT_FALSE(host.HasProject());
}

}  // namespace
}  // namespace tolvern
