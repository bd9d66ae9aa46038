#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::FaultyDisk;
using testing::ScratchDir;

class RestoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    a_ = dir_.Write("A.pas", "migrated a");
    b_ = dir_.Write("B.pas", "migrated b");
    ba_ = dir_.Write("bak/A.~pas", "original a");
    bb_ = dir_.Write("bak/B.~pas", "original b");
    std::filesystem::create_directories(dir_ / "bak/sub");
    link_ = dir_ / "bak/out.~pas";
    std::error_code no_links;  // Windows without the privilege to make them
    std::filesystem::create_symlink(b_, link_, no_links);
    links_ = !no_links;
  }
  std::string Undo(const std::string& text) { return dir_.Write("bak/ZUvezod.reu", text); }

  ScratchDir dir_;
  NXReplacerScope library_;
  std::string a_, b_, ba_, bb_, link_;
  bool links_ = false;
};

// An undo file of an older version (no folders, no record) cannot tell the
// run's text from an edit: it lists what it would write and restores only
// when forced, keeping each text it replaces.
TEST_F(RestoreTest, RestoresEveryFileAndCanBeRepeated) {
  std::string undo = Undo(a_ + "=" + ba_ + "\r\n" + b_ + "=" + bb_ + "\n");
  EXPECT_FALSE(BdeReplacer->RestoreFiles(undo));
  EXPECT_EQ(BdeReplacer->RestoreChanged, (std::vector<std::string>{a_, b_}));
  EXPECT_EQ(dir_.Read("A.pas"), "migrated a");
  EXPECT_TRUE(BdeReplacer->RestoreFiles(undo, true)) << BdeReplacer->RestoreError;
  EXPECT_EQ(dir_.Read("A.pas"), "original a");
  EXPECT_EQ(dir_.Read("B.pas"), "original b");
  EXPECT_EQ(dir_.Read("bak/A.edited.pas"), "migrated a");
  EXPECT_TRUE(BdeReplacer->RestoreFiles(undo));
  EXPECT_EQ(BdeReplacer->UnitList.Count(), 0);
  EXPECT_EQ(dir_.Read("bak/A.~pas"), "original a");
}

TEST_F(RestoreTest, FailsBeforeAnyCopy) {
  struct Case {
    const char* what;
    std::string undo;
  } cases[] = {
      {"second backup missing", a_ + "=" + ba_ + "\r\n" + b_ + "=" + (dir_ / "bak/gone") + "\r\n"},
      {"line without equals sign", a_ + "=" + ba_ + "\r\n" + b_ + "\r\n"},
      {"equals sign in original path", a_ + "=" + ba_ + "\r" + (dir_ / "x=y.pas") + "=" + bb_},
      {"relative original", a_ + "=" + ba_ + "\r\nB.pas=" + bb_ + "\r\n"},
      {"relative backup", a_ + "=" + ba_ + "\r\n" + b_ + "=bak/B.~pas\r\n"},
      {"backup outside the undo file's folder", a_ + "=" + ba_ + "\r\n" + b_ + "=" + b_ + "\r\n"},
      {"backup through a link out of the folder",
       a_ + "=" + ba_ + "\r\n" + b_ + "=" + (links_ ? link_ : b_) + "\r\n"},
      {"backup a folder", a_ + "=" + ba_ + "\r\n" + b_ + "=" + (dir_ / "bak/sub") + "\r\n"},
      {"original a folder", a_ + "=" + ba_ + "\r\n" + (dir_ / "bak/sub") + "=" + bb_ + "\r\n"},
      {"original a device", a_ + "=" + ba_ + "\r\n/dev/null=" + bb_ + "\r\n"},
      {"original steps up", a_ + "=" + ba_ + "\r\n" + (dir_ / "bak/../B.pas") + "=" + bb_},
      {"backup steps up", a_ + "=" + ba_ + "\r\n" + b_ + "=" + (dir_ / "bak/sub/../B.~pas")},
      {"original listed twice", a_ + "=" + ba_ + "\r\n" + a_ + "=" + bb_ + "\r\n"},
      {"original a link the run did not leave",
       a_ + "=" + ba_ + "\r\n" + (links_ ? link_ : dir_ / "bak/sub") + "=" + bb_ + "\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(BdeReplacer->RestoreFiles(Undo(c.undo))) << c.what;
    EXPECT_EQ(dir_.Read("A.pas"), "migrated a") << c.what;
    EXPECT_EQ(BdeReplacer->UnitList.Count(), 0) << c.what;
    // The reason names the undo file and the line.
    EXPECT_NE(BdeReplacer->RestoreError.find("ZUvezod.reu"), std::string::npos) << c.what;
    EXPECT_NE(BdeReplacer->RestoreError.find("nothing was restored"), std::string::npos)
        << c.what << ": " << BdeReplacer->RestoreError;
  }
}

TEST_F(RestoreTest, NamesDifferingInLetterCaseKeepTheirOwnBackups) {
#ifdef _WIN32
  GTEST_SKIP() << "names that differ only in letter case name one file on Windows";
#endif
  std::string upper = dir_.Write("a.PAS", "migrated upper");
  std::string upper_backup = dir_.Write("bak/a.~PAS", "original upper");
  EXPECT_TRUE(BdeReplacer->RestoreFiles(
      Undo(a_ + "=" + ba_ + "\r\n" + upper + "=" + upper_backup + "\r\n"), true));
  EXPECT_EQ(dir_.Read("A.pas"), "original a");
  EXPECT_EQ(dir_.Read("a.PAS"), "original upper");
}

TEST_F(RestoreTest, AnUndoFileThatListsNothingRestoresNothingAndSucceeds) {
  EXPECT_TRUE(BdeReplacer->RestoreFiles(Undo(""))) << BdeReplacer->RestoreError;
  ASSERT_EQ(BdeReplacer->RestoreNotes.size(), 1u);
  EXPECT_NE(BdeReplacer->RestoreNotes[0].find("nothing to restore"), std::string::npos);
}

TEST_F(RestoreTest, MissingUndoFileThrowsNamingIt) {
  try {
    BdeReplacer->RestoreFiles(dir_ / "nope.reu");
    FAIL() << "no exception";
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find(dir_ / "nope.reu"), std::string::npos);
  }
}

}  // namespace
}  // namespace tolvern
