// A run that was restored is not offered for restoring again: the next run
// names no earlier undo file, while one after a run that still stands
// names it. The undo file itself stays and restores again.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "engine/undo_record.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

class RestoredMarkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::CopyExample(dir_, "app");
    testing::UseFolderRun(*ReplaceOptions, dir_ / "app");
  }
  ScratchDir dir_;
  NXReplacerScope library_;
};

TEST_F(RestoredMarkTest, TheNextRunNamesOnlyAnEarlierRunThatStillStands) {
  ASSERT_TRUE(BdeReplacer->Execute());
  const std::string first = BdeReplacer->UndoFilePath;
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(BdeReplacer->EarlierUndoFile, "");
  ASSERT_TRUE(BdeReplacer->RestoreFiles(first));
  EXPECT_TRUE(std::filesystem::exists(UndoRecord::RestoredMarkFor(first)));
  // Migrated again: the restored run is not one to restore.
  ASSERT_TRUE(BdeReplacer->Execute());
  const std::string second = BdeReplacer->UndoFilePath;
  EXPECT_NE(second, first);
  EXPECT_EQ(BdeReplacer->EarlierUndoFile, "");
  // A change after it, migrated by a third run: the second still stands.
  dir_.Write("app/Extra.pas",
             "unit Extra;\ninterface\nuses DBTables;\nvar Q: TQuery;\nimplementation\nend.\n");
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(BdeReplacer->EarlierUndoFile, second);
  // The restored undo file still restores.
  ASSERT_TRUE(BdeReplacer->RestoreFiles(BdeReplacer->UndoFilePath));
  ASSERT_TRUE(BdeReplacer->RestoreFiles(second));
  EXPECT_TRUE(BdeReplacer->RestoreFiles(first)) << BdeReplacer->RestoreError;
}

}  // namespace
}  // namespace tolvern
