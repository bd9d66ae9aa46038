// Folder mode over a folder that holds old copies of forms (old/) beside
// its project file: a data set binds to the database of a form the project
// creates before one of a copy no project creates, and a binding that only
// a copy can give is a warning.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::Lines;
using testing::ReadFileBytes;
using testing::RunTolvern;
using testing::ScratchDir;
namespace fs = std::filesystem;

const std::string kBooks = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/old-copies";

TEST(OldCopiesTest, AFolderPrefersTheFormsItsProjectsCreateAndWarnsOfTheOthers) {
  ScratchDir dir;
  const std::string tree = dir / "books";
  fs::copy(testing::NativePath(kBooks), testing::NativePath(tree), fs::copy_options::recursive);
  const auto r =
      RunTolvern({"migrate", "--folder", tree, "-r", "--no-backup", "--no-log", "-q", "--todo"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const std::string main = ReadFileBytes(tree + "/Main.dfm");
  // BooksDB is on the project's data module and on the old copy alike.
  EXPECT_NE(main.find("Connection = dmData.dbBooks\r\n"), std::string::npos) << main;
  // LoansDB only on the copy: bound, and said so.
  EXPECT_NE(main.find("Connection = dmOldData.dbLoans\r\n"), std::string::npos) << main;
  int warned = 0;
  for (const std::string& line : Lines(r.out)) {
    if (line.find("no project file of the folder creates") == std::string::npos) continue;
    ++warned;
    EXPECT_NE(line.find("Main.dfm:10:"), std::string::npos) << line;
    EXPECT_NE(line.find("warning: connection: qryLoans.Connection = dmOldData.dbLoans"),
              std::string::npos)
        << line;
  }
  EXPECT_EQ(warned, 1) << r.out;
  // The designer's uses bring in the project's module, not the copy.
  const std::string unit = ReadFileBytes(tree + "/Main.pas");
  EXPECT_NE(unit.find("implementation\r\n\r\nuses Data;\r\n"), std::string::npos) << unit;
  EXPECT_EQ(unit.find("OldData"), std::string::npos) << unit;
}

}  // namespace
}  // namespace tolvern
