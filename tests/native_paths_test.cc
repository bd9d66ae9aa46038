// Paths as users of each system write them, names outside ASCII, and the
// files of Windows (attributes, files held open by other programs, the
// registry), end to end through the real binary where the user would see it.
#include <gtest/gtest.h>

#include <filesystem>

#include "files/file_utils.h"
#include "platform/disk.h"
#include "platform/large_stack.h"
#include "platform/settings_store.h"
#include "platform/windows_api.h"
#include "streams/form_numbers.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::NativePath;
using testing::RunTolvern;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;

std::string WithSeparator(std::string path, char separator) {
  for (char& c : path)
    if (c == '/' || c == '\\') c = separator;
  return path;
}

// The separators a user may write: on Windows "\" and "/", elsewhere "/".
std::vector<char> UserSeparators() {
#ifdef _WIN32
  return {'\\', '/'};
#else
  return {'/'};
#endif
}

TEST(NativePathsTest, ExampleMigratesAndRestoresWithEverySeparator) {
  const auto expected = Snapshot(testing::ExampleDir() + ".expected");
  for (char sep : UserSeparators()) {
    ScratchDir dir;
    std::string app = testing::CopyExample(dir, "orders");
    auto original = Snapshot(app);
    auto r = RunTolvern({"migrate", "--project", WithSeparator(app + "/Orders.dpr", sep)});
    ASSERT_EQ(r.exit_code, 0) << sep << r.err;
    auto migrated = Snapshot(app);
    for (const auto& [path, bytes] : expected) EXPECT_EQ(migrated[path], bytes) << sep << path;
    // "{$R *.DFM}" over MainForm.dfm: the name on disk is the one used.
    EXPECT_EQ(migrated["RBackup/MainForm.~dfm"], original["MainForm.dfm"]) << sep;
    EXPECT_FALSE(migrated.count("RBackup/MainForm.~DFM")) << sep;

    r = RunTolvern({"restore", WithSeparator(app + "/RBackup/ZUvezod.reu", sep)});
    ASSERT_EQ(r.exit_code, 0) << sep << r.err;
    auto restored = Snapshot(app);
    for (const auto& [path, bytes] : original) EXPECT_EQ(restored[path], bytes) << sep << path;
  }
}

TEST(NativePathsTest, CyrillicAndCjkNamesMigrateAndRestore) {
  // The same unit and form under ASCII names and under names outside ASCII,
  // in folders named likewise: the results must be the same bytes.
  ScratchDir dir;
  const std::string example = testing::ExampleDir();
  const std::string pas = testing::ReadFileBytes(example + "/Reports.pas");
  const std::string dfm = testing::ReadFileBytes(example + "/Reports.dfm");
  const std::string names[] = {"Reports", "Отчёт", "帳票"};
  for (const std::string& folder : {std::string("ascii"), std::string("Проект 帳票")}) {
    for (const std::string& name : names) {
      if ((folder == "ascii") != (name == "Reports")) continue;
      dir.Write(folder + "/" + name + ".pas", pas);
      dir.Write(folder + "/" + name + ".dfm", dfm);
    }
    auto r = RunTolvern({"migrate", "--folder", dir / folder});
    ASSERT_EQ(r.exit_code, 0) << folder << r.err;
  }
  auto reference = Snapshot(dir / "ascii");
  ASSERT_NE(reference["Reports.pas"], pas);
  ASSERT_NE(reference["Reports.dfm"], dfm);
  const std::string folder = "Проект 帳票";
  auto migrated = Snapshot(dir / folder);
  for (const std::string& name : {names[1], names[2]}) {
    EXPECT_EQ(migrated[name + ".pas"], reference["Reports.pas"]) << name;
    EXPECT_EQ(migrated[name + ".dfm"], reference["Reports.dfm"]) << name;
    EXPECT_EQ(migrated["RBackup/" + name + ".~pas"], pas) << name;
    EXPECT_EQ(migrated["RBackup/" + name + ".~dfm"], dfm) << name;
  }
  auto r = RunTolvern({"restore", dir / (folder + "/RBackup/ZUvezod.reu")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  auto restored = Snapshot(dir / folder);
  for (const std::string& name : {names[1], names[2]}) {
    EXPECT_EQ(restored[name + ".pas"], pas) << name;
    EXPECT_EQ(restored[name + ".dfm"], dfm) << name;
  }
}

TEST(NativePathsTest, DecimalTextReadsAllBitsOfTheExtendedValue) {
  // 0.1 as the IDE stores it: read at double precision it would end in 00.
  unsigned char bytes[10];
  EncodeExtended(*ParseFloat("0.1"), bytes);
  const unsigned char ide[10] = {0xCD, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xFB, 0x3F};
  EXPECT_EQ(std::string(bytes, bytes + 10), std::string(ide, ide + 10));
  EXPECT_EQ(FormatExtended(*ParseFloat("0.1")), "0.100000000000000000");
  for (const char* bad : {"0x1p3", "1e", "inf", " 1", "1.5e+"})
    EXPECT_FALSE(ParseFloat(bad).has_value()) << bad;
}

int Recurse(int depth) {
  volatile char frame[1024];
  frame[0] = static_cast<char>(depth);
  if (depth == 0) throw std::runtime_error("bottom");
  return Recurse(depth - 1) + frame[0];
}

TEST(NativePathsTest, LargeStackHoldsDeepRecursionAndPassesExceptionsOn) {
  // About 64 MB of frames: far beyond a default thread stack.
  EXPECT_THROW(RunOnLargeStack(std::size_t{256} << 20, [] { Recurse(64 * 1024); }),
               std::runtime_error);
  int after = 0;
  RunOnLargeStack(std::size_t{1} << 20, [&] { after = 1; });
  EXPECT_EQ(after, 1);
}

#ifdef _WIN32

TEST(WindowsPathsTest, BothSeparatorsDrivesAndShares) {
  EXPECT_EQ(PathJoin("C:/Work/", "Unit1.pas"), "C:/Work/Unit1.pas");
  EXPECT_EQ(PathJoin("C:\\Work", "/Sub/Unit1.pas"), "C:\\Work\\Sub/Unit1.pas");
  EXPECT_EQ(ExtractFileName("C:/Work/Unit1.pas"), "Unit1.pas");
  EXPECT_EQ(ExtractFileDir("C:/Work/Unit1.pas"), "C:/Work");
  EXPECT_EQ(ExtractFileDir("C:/Unit1.pas"), "C:/");
  EXPECT_EQ(MakeBackupName("C:/P.V1/Unit1"), "C:/P.V1/Unit1.~");
  EXPECT_EQ(ExpandPath("D:/x.pas", "C:\\Work"), "D:/x.pas");
  EXPECT_EQ(ExpandPath("Sub/x.pas", "C:\\Work"), "C:\\Work\\Sub/x.pas");
  // The server and the share of a network path are no folders to create.
  testing::FaultyDisk disk;
  std::vector<std::string> asked;
  disk.fail_create_dir = [&](const std::string& p) {
    asked.push_back(p);
    return true;
  };
  EXPECT_FALSE(ForceFolders(disk, "\\\\server\\share\\A\\B"));
  EXPECT_EQ(asked, std::vector<std::string>{"\\\\server\\share\\A"});
  asked.clear();
  EXPECT_TRUE(ForceFolders(disk, "//server/share/"));
  EXPECT_TRUE(ForceFolders(disk, "C:/"));
  EXPECT_TRUE(asked.empty());
}

TEST(WindowsPathsTest, NamesAreFoundWhateverTheirCaseAndSpelledAsOnDisk) {
  ScratchDir dir;
  dir.Write("Forms/MainForm.dfm", "x");
  RealDisk disk;
  EXPECT_EQ(FindFileIgnoringCase(disk, dir / "FORMS/MAINFORM.DFM"), dir / "FORMS/MainForm.dfm");
  EXPECT_EQ(FindFileIgnoringCase(disk, dir.path() + "/Forms/mainform.dfm"),
            dir.path() + "/Forms/MainForm.dfm");
  EXPECT_EQ(FindFileIgnoringCase(disk, dir / "Forms/Other.dfm"), "");
}

DWORD AttributesOf(const std::string& path) { return ::GetFileAttributesW(WidePath(path).c_str()); }

TEST(WindowsFilesTest, ReadOnlyOriginalIsMigratedWhenAskedAndKeepsItsAttribute) {
  ScratchDir dir;
  std::string app = testing::CopyExample(dir, "orders");
  std::string unit = app + "\\MainForm.pas";
  std::string before = testing::ReadFileBytes(unit);
  ASSERT_TRUE(::SetFileAttributesW(WidePath(unit).c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  // Left as it is and named unless asked.
  auto r = RunTolvern({"migrate", "--project", app + "\\Orders.dpr", "--no-backup", "--no-log"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_NE(r.err.find("MainForm.pas"), std::string::npos) << r.err;
  EXPECT_EQ(testing::ReadFileBytes(unit), before);
  ASSERT_TRUE(::SetFileAttributesW(WidePath(unit).c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  r = RunTolvern({"migrate", "--project", app + "\\Orders.dpr", "--include-read-only"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(testing::ReadFileBytes(unit),
            testing::ReadFileBytes(testing::ExampleDir() + ".expected\\MainForm.pas"));
  EXPECT_EQ(AttributesOf(unit) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
            DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN});
  EXPECT_EQ(dir.Read("orders/RBackup/MainForm.~pas"), before);

  r = RunTolvern({"restore", app + "\\RBackup\\ZUvezod.reu"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(testing::ReadFileBytes(unit), before);
  EXPECT_TRUE(AttributesOf(unit) & FILE_ATTRIBUTE_READONLY);
  ::SetFileAttributesW(WidePath(unit).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsFilesTest, FileHeldOpenByAnotherProgramIsLeftWithItsFormAndLosesNothing) {
  ScratchDir dir;
  std::string app = testing::CopyExample(dir, "orders");
  auto original = Snapshot(app);
  std::string unit = app + "\\MainForm.pas";
  // As an editor that lets others read the file but not replace it.
  HANDLE held = ::CreateFileW(WidePath(unit).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  auto r = RunTolvern({"migrate", "--project", app + "\\Orders.dpr"});
  ::CloseHandle(held);
  // Found before anything of the pair is replaced: the run goes on with the
  // other files and ends incomplete, naming the file with the system's
  // reason ("Sharing violation." under Wine).
  EXPECT_EQ(r.exit_code, 3) << r.out;
  EXPECT_NE(r.err.find("tolvern: not migrated: " + unit + ": another program holds it open"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(testing::ReadFileBytes(unit), original["MainForm.pas"]);
  EXPECT_EQ(testing::ReadFileBytes(app + "\\MainForm.dfm"), original["MainForm.dfm"]);
  EXPECT_NE(testing::ReadFileBytes(app + "\\DataModule.pas"), original["DataModule.pas"]);
  // Every file that was replaced can be put back.
  r = RunTolvern({"restore", app + "\\RBackup\\ZUvezod.reu"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  auto restored = Snapshot(app);
  for (const auto& [path, bytes] : original) EXPECT_EQ(restored[path], bytes) << path;
}

TEST(WindowsRegistryTest, SettingsLiveUnderTheCurrentUsersKey) {
  ScratchDir dir;
  const std::string key = dir.RegistryKey();
  {
    TRegIniFile reg(key, "");
    reg.WriteString("BDE/ADO Migration Wizard", "Directory", "C:\\Проект");
    EXPECT_EQ(reg.Warning(), "");
  }
  wchar_t value[64];
  DWORD size = sizeof value;
  ASSERT_EQ(
      ::RegGetValueW(HKEY_CURRENT_USER, Utf8ToWide(key + "\\BDE/ADO Migration Wizard").c_str(),
                     L"Directory", RRF_RT_REG_SZ, nullptr, value, &size),
      ERROR_SUCCESS);
  EXPECT_EQ(WideToUtf8(value), "C:\\Проект");
  EXPECT_EQ(TRegIniFile(key, "").ReadString("BDE/ADO Migration Wizard", "Directory", ""),
            "C:\\Проект");
  // A failing registry call is reported, not ignored.
  TRegIniFile reg(key, "");
  reg.WriteString(std::string(300, 'S'), "v", "x");
  EXPECT_NE(reg.Warning().find("could not be written"), std::string::npos) << reg.Warning();
}

TEST(WindowsPathsTest, PathsLongerThanTheClassicLimitWork) {
  ScratchDir dir;
  std::string deep = dir.path();
  for (int i = 0; deep.size() < 400; ++i) deep = PathJoin(deep, "folder-" + std::to_string(i));
  RealDisk disk;
  ASSERT_TRUE(ForceFolders(disk, deep));
  std::string file = PathJoin(deep, "Unit1.pas");
  WriteWholeFile(disk, file, "unit Unit1;");
  WriteWholeFile(disk, file, "unit Unit2;");
  EXPECT_EQ(ReadWholeFile(disk, file), "unit Unit2;");
  EXPECT_EQ(FindFileIgnoringCase(disk, PathJoin(deep, "UNIT1.PAS")), file);
  EXPECT_TRUE(disk.BackupFile(file, file + ".bak", nullptr, nullptr));
  std::vector<DirEntry> entries;
  ASSERT_TRUE(disk.List(deep, &entries));
  EXPECT_EQ(entries.size(), 2u);
  EXPECT_TRUE(RemoveFolder(disk, PathJoin(dir.path(), "folder-0")));
}

#endif  // _WIN32

}  // namespace
}  // namespace tolvern
