#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

constexpr const char* kKey = "Software\\Veltrane";
constexpr const char* kSection = "BDE/ADO Migration Wizard";

TEST(SettingsStoreTest, StoresValuesAsTheRegistryWrapperDoes) {
  ScratchDir dir;
  std::string file = dir / "cfg/registry.json";
  {
    TRegIniFile reg(dir.RegistryKey(), file);
    reg.WriteInteger(kSection, "Dest", 1);
    reg.WriteBool(kSection, "MakeBackup", false);
    reg.WriteString(kSection, "History", "C:\\A\r\nC:\\B\r\n");
    EXPECT_EQ(reg.Warning(), "");
  }
  TRegIniFile reg(dir.RegistryKey(), file);
  EXPECT_EQ(reg.ReadString(kSection, "Dest", ""), "1");
  EXPECT_EQ(reg.ReadString(kSection, "MakeBackup", ""), "0");
  EXPECT_FALSE(reg.ReadBool(kSection, "MakeBackup", true));
  EXPECT_EQ(reg.ReadString(kSection, "History", ""), "C:\\A\r\nC:\\B\r\n");
  EXPECT_EQ(reg.ReadInteger(kSection, "Missing", 42), 42);
  EXPECT_EQ(reg.ReadInteger("Other section", "Dest", 7), 7);
  // A Boolean is true exactly when the stored integer is not 0.
  reg.WriteString(kSection, "Flag", "5");
  EXPECT_TRUE(reg.ReadBool(kSection, "Flag", false));
  reg.WriteString(kSection, "Flag", "yes");
  EXPECT_FALSE(reg.ReadBool(kSection, "Flag", false));
}

TEST(SettingsStoreTest, CorruptStoreGivesWarningAndDefaults) {
#ifdef _WIN32
  GTEST_SKIP() << "the store is the registry on Windows: there is no file to corrupt";
#endif
  ScratchDir dir;
  for (const char* junk : {"{not json", "[1,2]", "{\"Software\\\\Veltrane\": 3}", "\xff\xfe\x00"}) {
    std::string file = dir.Write("registry.json", junk);
    TRegIniFile reg(dir.RegistryKey(), file);
    EXPECT_EQ(reg.ReadInteger(kSection, "Dest", 9), 9) << junk;
    EXPECT_NE(reg.Warning().find(file), std::string::npos) << junk;
  }
}

TEST(SettingsStoreTest, KeepsOtherKeysOfTheFile) {
#ifdef _WIN32
  GTEST_SKIP() << "the store is the registry on Windows: other keys are the registry's own";
#endif
  ScratchDir dir;
  std::string file = dir.Write("registry.json", R"({"Software\\Other": {"S": {"v": "1"}}})");
  TRegIniFile(kKey, file).WriteString(kSection, "Directory", "x");
  EXPECT_EQ(TRegIniFile("Software\\Other", file).ReadString("S", "v", ""), "1");
}

}  // namespace
}  // namespace tolvern
