#include "files/file_utils.h"

#include <gtest/gtest.h>

#include <csignal>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::FaultyDisk;
using testing::ScratchDir;
namespace fs = std::filesystem;

// Writes a path of the examples with "\" as the separator of this system.
std::string P(std::string s) { return NativeSeparators(std::move(s)); }

TEST(PathJoinTest, JoinsWithExactlyOneSeparator) {
  struct Case {
    const char* folder;
    const char* name;
    const char* expected;
  } cases[] = {
      {"\\Work", "Unit1.pas", "\\Work\\Unit1.pas"},
      {"\\Work\\", "Unit1.pas", "\\Work\\Unit1.pas"},
      {"\\Work", "\\Sub\\Unit1.pas", "\\Work\\Sub\\Unit1.pas"},
      {"\\Work", "", "\\Work\\"},
      {"", "\\x", "x"},
      {"", "\\", "\\"},
      {"", "", ""},
      {"\\Work", "\\", "\\Work\\\\"},
      {"\\Work", "\\\\x", "\\Work\\\\x"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PathJoin(P(c.folder), P(c.name)), P(c.expected)) << c.folder << " + " << c.name;
}

TEST(MakeBackupNameTest, PutsTildeBeforeOldExtension) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"\\App\\Unit1.pas", "\\App\\Unit1.~pas"},
      {"\\App\\Unit1.DFM", "\\App\\Unit1.~DFM"},
      {"a.b.c", "a.b.~c"},
      {"README", "README.~"},
      {"name.", "name.~"},
      {"\\P.V1\\Unit1", "\\P.V1\\Unit1.~"},
  };
  for (const Case& c : cases) EXPECT_EQ(MakeBackupName(P(c.in)), P(c.out)) << c.in;
}

TEST(FileNamePartsTest, SplitsFolderNameAndExtension) {
  EXPECT_EQ(ExtractFilePath(P("\\a\\b.pas")), P("\\a\\"));
  EXPECT_EQ(ExtractFileDir(P("\\a\\b.pas")), P("\\a"));
  EXPECT_EQ(ExtractFileName(P("\\a\\b.pas")), "b.pas");
  EXPECT_EQ(ExtractFileExt(P("\\a.d\\b")), "");
  EXPECT_EQ(ChangeFileExt(P("\\a\\b.pas"), ".DFM"), P("\\a\\b.DFM"));
}

TEST(ForceFoldersTest, CreatesEveryMissingFolder) {
  ScratchDir dir;
  std::string deep = dir / "A/B/C";
  EXPECT_TRUE(ForceFolders(deep));
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_TRUE(ForceFolders(deep));  // existing tree
  EXPECT_TRUE(ForceFolders(dir / "X/Y/"));
  EXPECT_TRUE(fs::is_directory(dir / "X/Y"));
#ifdef _WIN32
  EXPECT_TRUE(ForceFolders("C:\\"));
#else
  EXPECT_TRUE(ForceFolders("/"));
#endif
  EXPECT_FALSE(ForceFolders(""));
}

TEST(ForceFoldersTest, FailsWhenAFolderCannotBeCreated) {
  ScratchDir dir;
  FaultyDisk disk;
  disk.fail_create_dir = [](const std::string& p) { return p.ends_with(P("\\B")); };
  ScopedDisk scoped(&disk);
  EXPECT_FALSE(ForceFolders(dir / "A/B/C"));
  EXPECT_TRUE(fs::is_directory(dir / "A"));
  EXPECT_FALSE(fs::exists(dir / "A/B/C"));
}

TEST(ForceFoldersTest, AnythingStandingUnderTheNameCounts) {
  ScratchDir dir;
  dir.Write("file", "x");
  // Already-exists counts as success, whatever stands there.
  EXPECT_TRUE(ForceFolders(dir / "file"));
}

TEST(CreateTempFolderTest, PrivateUnpredictableAndLockedWhileInUse) {
  ScratchDir dir;
  // Names planted by others (a file, a folder) do not stop a run.
  dir.Write(".tmp/$DS1", "planted");
  fs::create_directories(PathJoin(dir.temp_dir(), "$DS2"));
  PathLock a, b;
  std::string first = CreateTempFolder("$DS", &a);
  std::string second = CreateTempFolder("$DS", &b);
  ASSERT_NE(first, "");
  ASSERT_NE(second, "");
  EXPECT_NE(first, second);
  EXPECT_EQ(ExtractFileName(first).substr(0, 3), "$DS");
  EXPECT_GE(ExtractFileName(first).size(), 12u);
#ifndef _WIN32
  EXPECT_EQ(fs::status(first).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
  // A folder in use is never taken for one left behind.
  RemoveDeadTempFolders("$DS");
  EXPECT_TRUE(fs::is_directory(first));
  EXPECT_TRUE(
      fs::is_directory(PathJoin(dir.temp_dir(), "$DS2")));  // no lock file: not provably dead
  b.Release();  // its run was killed: the lock file stays, locked by no one
  testing::WriteFileBytes(PathJoin(second, kTempLockName), "4242\n");
  RemoveDeadTempFolders("$DS");
  EXPECT_TRUE(fs::is_directory(first));
  EXPECT_FALSE(fs::exists(second));
}

#ifndef _WIN32
TEST(CreateTempFolderTest, FolderOfAKilledRunIsRemovedByTheNext) {
  ScratchDir dir;
  pid_t child = fork();
  if (child == 0) {
    PathLock lock;
    std::string made = CreateTempFolder("$DS", &lock);
    testing::WriteFileBytes(PathJoin(made, "big.pas"), std::string(1000, 'x'));
    raise(SIGKILL);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(std::distance(fs::directory_iterator(dir.temp_dir()), fs::directory_iterator()), 1);
  RemoveDeadTempFolders("$DS");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.temp_dir()), fs::directory_iterator()), 0);
}
#endif

TEST(RemoveFolderTest, RemovesTreeAndRefusesEmptyName) {
  ScratchDir dir;
  dir.Write("t/a.txt", "a");
  dir.Write("t/s/b.txt", "b");
  EXPECT_TRUE(RemoveFolder(dir / "t"));
  EXPECT_FALSE(fs::exists(dir / "t"));
  EXPECT_FALSE(RemoveFolder(dir / "t"));  // missing

  // An empty name would mean the current folder: nothing may be deleted.
  std::string keep = dir.Write("cwd/keep.txt", "k");
  auto old = fs::current_path();
  fs::current_path(dir / "cwd");
  EXPECT_FALSE(RemoveFolder(""));
  ClearFolder("");
  fs::current_path(old);
  EXPECT_TRUE(fs::exists(keep));
}

TEST(RemoveFolderTest, DoesNotFollowLinksOutOfTheTree) {
  ScratchDir dir;
  TOLVERN_SKIP_WITHOUT_SYMLINKS(dir);
  std::string outside = dir.Write("outside/precious.txt", "p");
  dir.Write("t/a.txt", "a");
  fs::create_directory_symlink(dir / "outside", dir / "t/link");
  EXPECT_TRUE(RemoveFolder(dir / "t"));
  EXPECT_TRUE(fs::exists(outside));
}

TEST(CopyFolderTest, CopiesTreeReplacingFiles) {
  ScratchDir dir;
  dir.Write("src/a.pas", "new a");
  dir.Write("src/Sub/b.pas", "new b");
  dir.Write("dst/a.pas", "old a");
  dir.Write("dst/c.pas", "untouched");
  EXPECT_TRUE(CopyFolder(dir / "src", dir / "dst"));
  EXPECT_EQ(dir.Read("dst/a.pas"), "new a");
  EXPECT_EQ(dir.Read("dst/Sub/b.pas"), "new b");
  EXPECT_EQ(dir.Read("dst/c.pas"), "untouched");
  EXPECT_TRUE(CopyFolder(dir / "missing", dir / "dst"));
}

TEST(CopyFolderTest, ReportsEveryFailedFileAndGoesOn) {
  ScratchDir dir;
  dir.Write("src/a.pas", "a");
  dir.Write("src/b.pas", "b");
  dir.Write("src/c.pas", "c");
  fs::create_directories(dir / "dst");
  FaultyDisk disk;
  disk.fail_copy = [](const std::string&, const std::string& to) { return to.ends_with("b.pas"); };
  ScopedDisk scoped(&disk);
  std::vector<std::string> failures;
  EXPECT_TRUE(CopyFolder(dir / "src", dir / "dst", &failures));
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0], dir / "dst/b.pas");
  EXPECT_TRUE(fs::exists(dir / "dst/a.pas"));
  EXPECT_TRUE(fs::exists(dir / "dst/c.pas"));
}

TEST(FindFileIgnoringCaseTest, FindsNameThatDiffersOnlyInCase) {
  ScratchDir dir;
  std::string real = dir.Write("unit1.PAS", "x");
  EXPECT_EQ(FindFileIgnoringCase(dir / "Unit1.pas"), real);
  EXPECT_EQ(FindFileIgnoringCase(real), real);
  EXPECT_EQ(FindFileIgnoringCase(dir / "Unit2.pas"), "");
}

}  // namespace
}  // namespace tolvern
