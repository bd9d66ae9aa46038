#include "wizard/run_messages.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "base/system_texts.h"
#include "engine/nx_replacer.h"
#include "files/file_utils.h"
#include "streams/object_stream.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

TEST(FolderCreationProblem, NamesThePathAndTheSystemsReason) {
  ScratchDir dir;
  const std::string file = dir.Write("file", "x");
  struct Case {
    std::string folder;
    std::string problem;
  } cases[] = {
      {dir.path(), ""},
      {dir / "new/deeper", ""},
      {dir / "file/sub", dir / "file/sub: Not a directory"},
      {dir / "file/sub/deeper", dir / "file/sub/deeper: Not a directory"},
      {file, file + ": File exists"},
  };
  for (const Case& c : cases) EXPECT_EQ(FolderCreationProblem(c.folder), c.problem) << c.folder;
  EXPECT_FALSE(std::filesystem::exists(dir / "new")) << "the check creates nothing";
}

class RunMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = testing::CopyExample(dir_, "app");
    TReplaceOptions& o = *ReplaceOptions;
    o.Dest = RunSource::kFolder;
    o.Directory = app_;
    o.BackupDir = PathJoin(app_, "RBackup");
    o.MakeBackup = true;
    o.WriteLog = true;
    o.ViewLog = false;
  }
  ScratchDir dir_;
  NXReplacerScope library_;
  std::string app_;
};

TEST_F(RunMessagesTest, OutcomeCountsWhatTheRunDidAndSaysWhereLogAndBackupsAre) {
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(ReplaceOutcomeText(*BdeReplacer),
            "Replace procedure was performed sucessfully.\n"
            "Files scanned: 8; units changed: 3; forms changed: 3; objects rewritten: 7; "
            "files not migrated: 0.\n"
            "Log: " +
                PathJoin(app_, "Wiz_Log.txt") + "\n" +
                "Left to do by hand: 2 error(s), 2 warning(s) and 1 note(s), listed in " +
                PathJoin(app_, "Wiz_Todo.txt") + "\n" +
                "Backups and undo file: " + PathJoin(app_, "RBackup"));
  // The same folder again: nothing is left to change, and the counts say so.
  ReplaceOptions->MakeBackup = false;
  ReplaceOptions->WriteLog = false;
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(ReplaceOutcomeText(*BdeReplacer),
            "Replace procedure was performed sucessfully.\n"
            "Files scanned: 8; units changed: 0; forms changed: 0; objects rewritten: 0; "
            "files not migrated: 0.\n"
            "Left to do by hand: 2 error(s), 0 warning(s) and 1 note(s)");
}

TEST_F(RunMessagesTest, FailureKeepsTheSystemsTextAndAddsPathAndReason) {
  dir_.Write("taken", "a file where a folder is wanted");
  ReplaceOptions->BackupDir = dir_ / "taken/sub";
  try {
    BdeReplacer->Execute();
    FAIL() << "the run went on without its backup folder";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(RunFailureText(e, *ReplaceOptions),
              "Failed to create directory.\n" + (dir_ / "taken/sub") + ": Not a directory");
  }
  // The log ends with the failure, named.
  const std::string log = dir_.Read("app/Wiz_Log.txt");
  EXPECT_TRUE(log.ends_with("Creating backup folder\r\n\r\nFailed to create directory. " +
                            (dir_ / "taken/sub") + ": Not a directory\r\n\r\n"))
      << log;
  // Text that names its file already stays as it is.
  EXPECT_EQ(RunFailureText(EStreamError("a.dfm: bad"), *ReplaceOptions), "a.dfm: bad");
}

TEST_F(RunMessagesTest, RestoreFailureNamesTheMissingBackup) {
  ASSERT_TRUE(BdeReplacer->Execute());
  const std::string undo = dir_ / "app/RBackup/ZUvezod.reu";
  EXPECT_EQ(RestoreFailureDetail(undo), "");
  std::filesystem::remove(dir_ / "app/RBackup/DataModule.~pas");
  EXPECT_EQ(RestoreFailureDetail(undo),
            (dir_ / "app/RBackup/DataModule.~pas") + ": No such file or directory");
  std::filesystem::remove(undo);
  EXPECT_NE(RestoreFailureDetail(undo).find(undo), std::string::npos);
}

}  // namespace
}  // namespace tolvern
