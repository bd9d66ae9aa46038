#include "files/file_utils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>
#ifndef _WIN32
#include <fcntl.h>
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
  RealDisk disk;
  ScratchDir dir;
  std::string deep = dir / "A/B/C";
  EXPECT_TRUE(ForceFolders(disk, deep));
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_TRUE(ForceFolders(disk, deep));  // existing tree
  EXPECT_TRUE(ForceFolders(disk, dir / "X/Y/"));
  EXPECT_TRUE(fs::is_directory(dir / "X/Y"));
#ifdef _WIN32
  EXPECT_TRUE(ForceFolders(disk, "C:\\"));
#else
  EXPECT_TRUE(ForceFolders(disk, "/"));
#endif
  EXPECT_FALSE(ForceFolders(disk, ""));
}

TEST(ForceFoldersTest, FailsWhenAFolderCannotBeCreated) {
  ScratchDir dir;
  FaultyDisk disk;
  disk.fail_create_dir = [](const std::string& p) { return p.ends_with(P("\\B")); };
  EXPECT_FALSE(ForceFolders(disk, dir / "A/B/C"));
  EXPECT_TRUE(fs::is_directory(dir / "A"));
  EXPECT_FALSE(fs::exists(dir / "A/B/C"));
}

TEST(ForceFoldersTest, AnythingStandingUnderTheNameCounts) {
  RealDisk disk;
  ScratchDir dir;
  dir.Write("file", "x");
  // Already-exists counts as success, whatever stands there.
  EXPECT_TRUE(ForceFolders(disk, dir / "file"));
}

TEST(RemoveFolderTest, RemovesTreeAndRefusesEmptyName) {
  RealDisk disk;
  ScratchDir dir;
  dir.Write("t/a.txt", "a");
  dir.Write("t/s/b.txt", "b");
  EXPECT_TRUE(RemoveFolder(disk, dir / "t"));
  EXPECT_FALSE(fs::exists(dir / "t"));
  EXPECT_FALSE(RemoveFolder(disk, dir / "t"));  // missing

  // An empty name would mean the current folder: nothing may be deleted.
  std::string keep = dir.Write("cwd/keep.txt", "k");
  auto old = fs::current_path();
  fs::current_path(dir / "cwd");
  EXPECT_FALSE(RemoveFolder(disk, ""));
  ClearFolder(disk, "");
  fs::current_path(old);
  EXPECT_TRUE(fs::exists(keep));
}

TEST(RemoveFolderTest, DoesNotFollowLinksOutOfTheTree) {
  RealDisk disk;
  ScratchDir dir;
  TOLVERN_SKIP_WITHOUT_SYMLINKS(dir);
  std::string outside = dir.Write("outside/precious.txt", "p");
  dir.Write("t/a.txt", "a");
  fs::create_directory_symlink(dir / "outside", dir / "t/link");
  fs::create_symlink(outside, dir / "t/file-link");
  EXPECT_TRUE(RemoveFolder(disk, dir / "t"));
  EXPECT_FALSE(fs::exists(dir / "t"));
  EXPECT_TRUE(fs::exists(outside));
  // A link standing where the folder is named is refused, not followed.
  fs::create_directory_symlink(dir / "outside", dir / "link");
  EXPECT_FALSE(RemoveFolder(disk, dir / "link"));
  ClearFolder(disk, dir / "link");
  EXPECT_TRUE(fs::exists(outside));
  EXPECT_TRUE(fs::is_symlink(dir / "link"));
}

#ifndef _WIN32
// A tree whose paths are longer than the system takes in one call is removed
// all the same: each folder is opened from the one above it.
TEST(RemoveFolderTest, RemovesATreeDeeperThanAPathCanBeLong) {
  RealDisk disk;
  ScratchDir dir;
  fs::create_directory(dir / "deep");
  int fd = ::open((dir / "deep").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(fd, 0);
  const std::string name(200, 'd');
  for (int level = 0; level < 30; ++level) {  // 6,000 characters below "deep"
    ASSERT_EQ(::mkdirat(fd, name.c_str(), 0700), 0);
    int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    ASSERT_GE(next, 0);
    fd = next;
  }
  int file = ::openat(fd, "Unit1.pas", O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(file, 0);
  ::close(file);
  ::close(fd);
  EXPECT_TRUE(RemoveFolder(disk, dir / "deep"));
  EXPECT_FALSE(fs::exists(dir / "deep"));
}
#endif

TEST(CopyFolderTest, CopiesTreeReplacingFiles) {
  RealDisk disk;
  ScratchDir dir;
  dir.Write("src/a.pas", "new a");
  dir.Write("src/Sub/b.pas", "new b");
  dir.Write("dst/a.pas", "old a");
  dir.Write("dst/c.pas", "untouched");
  EXPECT_TRUE(CopyFolder(disk, dir / "src", dir / "dst"));
  EXPECT_EQ(dir.Read("dst/a.pas"), "new a");
  EXPECT_EQ(dir.Read("dst/Sub/b.pas"), "new b");
  EXPECT_EQ(dir.Read("dst/c.pas"), "untouched");
  EXPECT_TRUE(CopyFolder(disk, dir / "missing", dir / "dst"));
}

TEST(CopyFolderTest, ReportsEveryFailedFileAndGoesOn) {
  ScratchDir dir;
  dir.Write("src/a.pas", "a");
  dir.Write("src/b.pas", "b");
  dir.Write("src/c.pas", "c");
  fs::create_directories(dir / "dst");
  FaultyDisk disk;
  disk.fail_copy = [](const std::string&, const std::string& to) { return to.ends_with("b.pas"); };
  std::vector<std::string> failures;
  EXPECT_TRUE(CopyFolder(disk, dir / "src", dir / "dst", &failures));
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0], dir / "dst/b.pas");
  EXPECT_TRUE(fs::exists(dir / "dst/a.pas"));
  EXPECT_TRUE(fs::exists(dir / "dst/c.pas"));
}

TEST(FindFileIgnoringCaseTest, FindsNameThatDiffersOnlyInCase) {
  RealDisk disk;
  ScratchDir dir;
  std::string real = dir.Write("unit1.PAS", "x");
  EXPECT_EQ(FindFileIgnoringCase(disk, dir / "Unit1.pas"), real);
  EXPECT_EQ(FindFileIgnoringCase(disk, real), real);
  EXPECT_EQ(FindFileIgnoringCase(disk, dir / "Unit2.pas"), "");
}

}  // namespace
}  // namespace tolvern
