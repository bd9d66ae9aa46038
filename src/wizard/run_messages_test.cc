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
  RealDisk disk;
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
  for (const Case& c : cases)
    EXPECT_EQ(FolderCreationProblem(disk, c.folder), c.problem) << c.folder;
  // What the check made to find out is gone again: no folder, no test file.
  EXPECT_FALSE(std::filesystem::exists(dir / "new"));
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(dir.path()))
    if (e.path().filename() != ".tmp") left.push_back(e.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"file"});
}

TEST(FolderCreationProblem, ASystemFolderThatTakesNoFoldersIsRefusedAsTheRunWouldFindIt) {
  RealDisk disk;
  // A folder under /proc passes a look at its parent's rights (for root
  // too) and still cannot be made.
  if (!std::filesystem::is_directory("/proc/self")) GTEST_SKIP() << "no /proc here";
  for (const std::string folder : {"/proc/RBackup", "/proc/self/RBackup/deeper"}) {
    const std::string problem = FolderCreationProblem(disk, folder);
    EXPECT_TRUE(problem.starts_with(folder + ": ")) << folder << " -> " << problem;
    EXPECT_FALSE(std::filesystem::exists(folder));
  }
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
  EXPECT_FALSE(OutcomeIsFailure(*BdeReplacer));
  EXPECT_EQ(ReplaceOutcomeText(*BdeReplacer),
            "Replace procedure was performed sucessfully.\n"
            "Files scanned: 8; units changed: 3; forms changed: 3; objects rewritten: 7; "
            "files not migrated: 0.\n"
            "Log: " +
                PathJoin(app_, "Wiz_Log.txt") + "\n" +
                "Left to do by hand: 2 error(s), 2 warning(s) and 4 note(s), listed in " +
                PathJoin(app_, "Wiz_Todo.1.txt") + "\n" + "The latest run's list is always in " +
                PathJoin(app_, "Wiz_Todo.txt") + ".\n" +
                "Backups and undo file: " + PathJoin(app_, "RBackup") + "\n" +
                "Undo file of this run: " + PathJoin(PathJoin(app_, "RBackup"), "ZUvezod.reu"));
  // The same folder again: nothing is left to change, and the counts say so.
  ReplaceOptions->MakeBackup = false;
  ReplaceOptions->WriteLog = false;
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(ReplaceOutcomeText(*BdeReplacer),
            "Replace procedure was performed sucessfully.\n"
            "Files scanned: 8; units changed: 0; forms changed: 0; objects rewritten: 0; "
            "files not migrated: 0.\n"
            "Left to do by hand: 2 error(s), 0 warning(s) and 4 note(s)");
  // With backups on, a run that replaced nothing says that it wrote no undo
  // file, and names the earlier run's list no more.
  ReplaceOptions->MakeBackup = true;
  ReplaceOptions->WriteLog = true;
  ASSERT_TRUE(BdeReplacer->Execute());
  const std::string text = ReplaceOutcomeText(*BdeReplacer);
  EXPECT_TRUE(text.ends_with(
      "listed in " + PathJoin(app_, "Wiz_Todo.2.txt") + "\nThe latest run's list is always in " +
      PathJoin(app_, "Wiz_Todo.txt") + ".\nNo original was replaced, so no undo file was written."))
      << text;
}

TEST_F(RunMessagesTest, OutcomeCountsAndNamesTheFormObjectsItCouldNotConvert) {
  // A query object whose text the form grammar does not take.
  dir_.Write(
      "app/Broken.pas",
      "unit Broken;\r\ninterface\r\nuses DBTables;\r\nimplementation\r\n{$R *.DFM}\r\nend.\r\n");
  dir_.Write("app/Broken.dfm",
             "object Form1: TForm1\r\n  object qryBad: TQuery\r\n    Tag = @\r\n  end\r\nend\r\n");
  ASSERT_TRUE(BdeReplacer->Execute());
  ASSERT_EQ(BdeReplacer->Report.ObjectsNotConverted(), 1);
  EXPECT_TRUE(OutcomeIsFailure(*BdeReplacer));
  const std::string text = ReplaceOutcomeText(*BdeReplacer);
  EXPECT_TRUE(text.starts_with("Replace completed, 1 form object(s) not converted.\n")) << text;
  EXPECT_NE(text.find("files not migrated: 0.\nForm objects not converted (errors: the form will "
                      "not load until each is converted by hand): 1\n" +
                      PathJoin(app_, "Broken.dfm") +
                      ":2: error: object qryBad of class TQuery (the form text at line 3 is "
                      "outside the form grammar)\n"),
            std::string::npos)
      << text;
}

TEST_F(RunMessagesTest, OutcomeOfARunWithNothingToDo) {
  dir_.Write("empty/readme.txt", "no units here");
  ReplaceOptions->Directory = dir_ / "empty";
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(ReplaceOutcomeText(*BdeReplacer),
            "Nothing to migrate: the run found no unit to work on in " + (dir_ / "empty") +
                ". No file was changed, and the log, to-do list and undo file of an earlier run "
                "stay as they were.");
  EXPECT_FALSE(OutcomeIsFailure(*BdeReplacer));
}

TEST_F(RunMessagesTest, RestoreOutcomeCountsTheFilesPutBack) {
  ASSERT_TRUE(BdeReplacer->Execute());
  ASSERT_TRUE(BdeReplacer->RestoreFiles(BdeReplacer->UndoFilePath));
  EXPECT_EQ(RestoreOutcomeText(*BdeReplacer), "Files were succefully restored.\nFiles restored: " +
                                                  std::to_string(BdeReplacer->UndoList.Count()));
  EXPECT_GT(BdeReplacer->UndoList.Count(), 0);
}

TEST_F(RunMessagesTest, FailureKeepsTheSystemsTextAndAddsPathAndReason) {
  RealDisk disk;
  dir_.Write("taken", "a file where a folder is wanted");
  ReplaceOptions->BackupDir = dir_ / "taken/sub";
  try {
    BdeReplacer->Execute();
    FAIL() << "the run went on without its backup folder";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(RunFailureText(disk, e, *ReplaceOptions),
              "Failed to create directory.\n" + (dir_ / "taken/sub") + ": Not a directory");
  }
  // The run did not start: it wrote no log over the earlier one.
  EXPECT_FALSE(std::filesystem::exists(dir_ / "app/Wiz_Log.txt"));
  // Text that names its file already stays as it is.
  EXPECT_EQ(RunFailureText(disk, EStreamError("a.dfm: bad"), *ReplaceOptions), "a.dfm: bad");
}

TEST_F(RunMessagesTest, RestoreFailureNamesTheMissingBackup) {
  RealDisk disk;
  ASSERT_TRUE(BdeReplacer->Execute());
  const std::string undo = dir_ / "app/RBackup/ZUvezod.reu";
  EXPECT_EQ(RestoreFailureDetail(disk, undo), "");
  std::filesystem::remove(dir_ / "app/RBackup/DataModule.~pas");
  EXPECT_EQ(RestoreFailureDetail(disk, undo),
            (dir_ / "app/RBackup/DataModule.~pas") + ": No such file or directory");
  std::filesystem::remove(undo);
  EXPECT_NE(RestoreFailureDetail(disk, undo).find(undo), std::string::npos);
}

}  // namespace
}  // namespace tolvern
