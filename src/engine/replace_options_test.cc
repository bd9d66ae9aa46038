#include "engine/replace_options.h"

#include <gtest/gtest.h>

#include "platform/settings_store.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

TEST(ReplaceOptionsTest, DefaultsAndTitle) {
  TReplaceOptions o("BDE/ADO");
  EXPECT_EQ(o.GetTitle(), "BDE/ADO Migration Wizard");
  EXPECT_EQ(o.Dest, RunSource::kProject);
  EXPECT_EQ(o.Directory, "");
  EXPECT_FALSE(o.IncludeSubDirs);
  EXPECT_TRUE(o.MakeBackup);
  EXPECT_TRUE(o.WriteLog);
  EXPECT_FALSE(o.ViewLog);
  EXPECT_FALSE(o.FollowUses);
}

TEST(ReplaceOptionsTest, LoadingEmptyStoreKeepsDefaults) {
  ScratchDir dir;
  TRegIniFile reg(dir.RegistryKey(), dir / "registry.json");
  TReplaceOptions o("BDE/ADO");
  o.LoadFromRegistry(reg, o.GetTitle());
  EXPECT_EQ(o.Dest, RunSource::kProject);
  EXPECT_TRUE(o.MakeBackup);
  EXPECT_TRUE(o.WriteLog);
  EXPECT_FALSE(o.ViewLog);
  EXPECT_FALSE(o.DropOldUnits);
}

TEST(ReplaceOptionsTest, SaveThenLoadRoundTripsTheSevenStoredFields) {
  ScratchDir dir;
  TRegIniFile reg(dir.RegistryKey(), dir / "registry.json");
  TReplaceOptions saved("BDE/ADO");
  saved.Dest = RunSource::kFolder;
  saved.Directory = "/src/app";
  saved.IncludeSubDirs = true;
  saved.MakeBackup = false;
  saved.WriteLog = false;
  saved.ViewLog = true;
  saved.FollowUses = true;
  saved.DropOldUnits = true;
  saved.BackupDir = "/not/stored";
  saved.Units = "A.pas\r\n";
  saved.SaveToRegistry(reg, saved.GetTitle());

  TReplaceOptions loaded("BDE/ADO");
  loaded.BackupDir = "/mine";
  loaded.Units = "B.pas\r\n";
  loaded.LoadFromRegistry(reg, loaded.GetTitle());
  EXPECT_EQ(loaded.Dest, RunSource::kFolder);
  EXPECT_EQ(loaded.Directory, "/src/app");
  EXPECT_TRUE(loaded.IncludeSubDirs);
  EXPECT_FALSE(loaded.MakeBackup);
  EXPECT_FALSE(loaded.WriteLog);
  EXPECT_TRUE(loaded.ViewLog);
  EXPECT_TRUE(loaded.FollowUses);
  EXPECT_TRUE(loaded.DropOldUnits);
  EXPECT_EQ(loaded.BackupDir, "/mine");
  EXPECT_EQ(loaded.Units, "B.pas\r\n");
  EXPECT_EQ(reg.ReadString(saved.GetTitle(), "IncludeSubDirs", ""), "1");
}

TEST(ReplaceOptionsTest, StoredDestKeepsOnlyLowEightBits) {
  ScratchDir dir;
  TRegIniFile reg(dir.RegistryKey(), dir / "registry.json");
  reg.WriteInteger("BDE/ADO Migration Wizard", "Dest", 256);
  TReplaceOptions o("BDE/ADO");
  o.Dest = RunSource::kFolder;
  o.LoadFromRegistry(reg, o.GetTitle());
  EXPECT_EQ(o.Dest, RunSource::kProject);
  reg.WriteInteger("BDE/ADO Migration Wizard", "Dest", 257);
  o.LoadFromRegistry(reg, o.GetTitle());
  EXPECT_EQ(o.Dest, RunSource::kFolder);
}

}  // namespace
}  // namespace tolvern
