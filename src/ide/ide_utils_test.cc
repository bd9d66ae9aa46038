#include "ide/ide_utils.h"

#include <gtest/gtest.h>

#include "ide/project_host.h"

namespace tolvern {
namespace {

TEST(IdeUtilsTest, AnswersWithoutProject) {
  ProjectHost empty;
  for (IdeServices* services :
       {static_cast<IdeServices*>(nullptr), static_cast<IdeServices*>(&empty)}) {
    ScopedIdeServices scoped(services);
    EXPECT_EQ(TIDEUtils::GetProjectFileName(), "");
    EXPECT_EQ(TIDEUtils::GetProjectModuleCount(), 0);
    EXPECT_FALSE(TIDEUtils::SaveProject());
    EXPECT_TRUE(TIDEUtils::CloseProjectGroup());
    std::string name = "kept";
    TIDEUtils::GetProjectModuleFileName(0, name);
    EXPECT_EQ(name, "kept");
  }
  EXPECT_TRUE(empty.Calls().empty());
}

}  // namespace
}  // namespace tolvern
