// Runs that fail part way: a disk that refuses a step, a unit that cannot be
// read, a rewriter that throws. Each stops before an original is replaced,
// or names what it could not do, and leaves no work folder behind.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "base/errors.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "engine/run_test_fixture.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::FaultyDisk;
using testing::kUsesBde;
using testing::RunTest;
namespace fs = std::filesystem;

TEST_F(RunTest, UncreatableBackupFolderStopsBeforeAnyFileIsRead) {
  dir_.Write("src/U.pas", kUsesBde);
  FaultyDisk disk;
  int reads = 0;
  disk.fail_create_dir = [](const std::string& p) { return p.ends_with("RBackup"); };
  disk.fail_read = [&reads](const std::string&) { return ++reads, false; };
  testing::RunsOn scoped(*BdeReplacer, &disk);
  try {
    BdeReplacer->Execute();
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_STREQ(e.what(), "Failed to create directory.");
  }
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(dir_.Read("src/U.pas"), kUsesBde);
  EXPECT_TRUE(TempFolders().empty());
  EXPECT_EQ(BdeReplacer->UnitList.Count(), 0);
  // The run never started: it wrote no log (the failure is the caller's to
  // show, with its detail).
  EXPECT_FALSE(fs::exists(dir_ / "src/Wiz_Log.txt"));
}

TEST_F(RunTest, FailedBackupCopyStopsBeforeAnyOriginalIsReplaced) {
  dir_.Write("src/A.pas", kUsesBde);
  dir_.Write("src/B.pas", kUsesBde);
  dir_.Write("src/RBackup/ZUvezod.reu", "older undo file\r\n");
  FaultyDisk disk;
  disk.fail_copy = [](const std::string& from, const std::string&) {
    return from.ends_with("B.pas");
  };
  testing::RunsOn scoped(*BdeReplacer, &disk);
  EXPECT_THROW(BdeReplacer->Execute(), EBackupError);
  EXPECT_EQ(dir_.Read("src/A.pas"), kUsesBde);
  EXPECT_EQ(dir_.Read("src/B.pas"), kUsesBde);
  EXPECT_EQ(dir_.Read("src/RBackup/ZUvezod.reu"), "older undo file\r\n");
  EXPECT_TRUE(TempFolders().empty());
}

TEST_F(RunTest, FailedCopyBackIsLoggedAndFailsTheRunButUndoFileExists) {
  dir_.Write("src/A.pas", kUsesBde);
  dir_.Write("src/B.pas", kUsesBde);
  FaultyDisk disk;
  disk.fail_copy = [](const std::string& from, const std::string& to) {
    return from.find("$DS") != std::string::npos && to.ends_with("B.pas");
  };
  testing::RunsOn scoped(*BdeReplacer, &disk);
  EXPECT_FALSE(BdeReplacer->Execute());
  EXPECT_NE(dir_.Read("src/A.pas"), kUsesBde);
  EXPECT_EQ(dir_.Read("src/B.pas"), kUsesBde);
  std::string log = dir_.Read("src/Wiz_Log.txt");
  EXPECT_NE(log.find("Failed to replace original file: " + (dir_ / "src/B.pas")), std::string::npos)
      << log;
  EXPECT_TRUE(log.ends_with("Replace failed.\r\n\r\n")) << log;
  // Both originals were backed up and can be put back.
  ASSERT_TRUE(BdeReplacer->RestoreFiles(dir_ / "src/RBackup/ZUvezod.reu"));
  EXPECT_EQ(dir_.Read("src/A.pas"), kUsesBde);
}

TEST_F(RunTest, TempFolderFailureStopsTheRunBeforeAnyFileIsRead) {
  dir_.Write("src/U.pas", kUsesBde);
  FaultyDisk disk;
  int reads = 0;
  disk.fail_create_dir = [](const std::string& p) { return p.find("$DS") != std::string::npos; };
  disk.fail_read = [&reads](const std::string&) { return ++reads, false; };
  testing::RunsOn scoped(*BdeReplacer, &disk);
  EXPECT_THROW(BdeReplacer->Execute(), EFCreateError);
  EXPECT_EQ(reads, 0);
  EXPECT_EQ(dir_.Read("src/U.pas"), kUsesBde);
}

TEST_F(RunTest, UnreadableUnitIsNamedAndTheOthersGoOn) {
  dir_.Write("src/A.pas", kUsesBde);
  dir_.Write("src/Z.pas", kUsesBde);
  FaultyDisk disk;
  disk.fail_read = [](const std::string& p) { return p.ends_with("Z.pas"); };
  testing::RunsOn scoped(*BdeReplacer, &disk);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_NE(dir_.Read("src/A.pas"), kUsesBde);
  EXPECT_EQ(dir_.Read("src/Z.pas"), kUsesBde);
  EXPECT_EQ(BdeReplacer->Report.FilesNotMigrated(), 1);
  std::string log = dir_.Read("src/Wiz_Log.txt");
  EXPECT_NE(log.find("Not migrated: " + (dir_ / "src/Z.pas") + " (Cannot open file"),
            std::string::npos)
      << log;
  EXPECT_TRUE(log.ends_with("Replace completed, 1 file(s) not migrated.\r\n\r\n")) << log;
  EXPECT_TRUE(TempFolders().empty());
}

TEST_F(RunTest, FailedWriteIntoTheWorkFolderStopsBeforeAnyOriginalIsReplaced) {
  for (int i = 0; i < 20; ++i) dir_.Write("src/U" + std::to_string(i) + ".pas", kUsesBde);
  FaultyDisk disk;
  disk.fail_write = [](const std::string& p) {
    return p.find("$DS") != std::string::npos && p.ends_with("U7.pas");
  };
  testing::RunsOn scoped(*BdeReplacer, &disk);
  try {
    BdeReplacer->Execute();
    FAIL() << "no exception";
  } catch (const EFCreateError& e) {
    EXPECT_NE(std::string(e.what()).find("U7.pas"), std::string::npos) << e.what();
  }
  for (int i = 0; i < 20; ++i) EXPECT_EQ(dir_.Read("src/U" + std::to_string(i) + ".pas"), kUsesBde);
  EXPECT_FALSE(fs::exists(dir_ / "src/RBackup/ZUvezod.reu"));
  EXPECT_TRUE(TempFolders().empty());
}

// A per-file step that fails is an exception that leaves every original and
// no undo file behind.
class ThrowingReplacer : public TComponentReplacer {
 public:
  using TComponentReplacer::TComponentReplacer;
  std::atomic<int> calls = 0;  // the rewriting runs on the worker pool

 protected:
  FileRewrite ProcessFile(const std::string& file, const std::string& dest, Disk& disk,
                          TFormParser& parser) override {
    if (++calls == 2) throw EReadError("broken: " + file);
    return TComponentReplacer::ProcessFile(file, dest, disk, parser);
  }
};

TEST_F(RunTest, FailingRewriterLeavesOriginalsAndNoUndoFile) {
  dir_.Write("src/A.pas", kUsesBde);
  dir_.Write("src/B.pas", kUsesBde);
  ThrowingReplacer replacer("DBTables", ", NX", &options());
  replacer.AddReplacement("TTable", "TNXTable");
  EXPECT_THROW(replacer.Execute(), EReadError);
  EXPECT_EQ(dir_.Read("src/A.pas"), kUsesBde);
  EXPECT_EQ(dir_.Read("src/B.pas"), kUsesBde);
  EXPECT_FALSE(fs::exists(dir_ / "src/RBackup/ZUvezod.reu"));
  EXPECT_TRUE(TempFolders().empty());
}

}  // namespace
}  // namespace tolvern
