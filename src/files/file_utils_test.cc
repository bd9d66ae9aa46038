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

TEST(CreateTempFolderTest, PrivateUnpredictableAndLockedWhileInUse) {
  RealDisk disk;
  ScratchDir dir;
  // Names planted by others (a file, a folder) do not stop a run.
  dir.Write(".tmp/$DS1", "planted");
  fs::create_directories(PathJoin(dir.temp_dir(), "$DS2"));
  std::unique_ptr<DiskLock> a, b;
  std::string first = CreateTempFolder(disk, "$DS", &a);
  std::string second = CreateTempFolder(disk, "$DS", &b);
  ASSERT_NE(first, "");
  ASSERT_NE(second, "");
  EXPECT_NE(first, second);
  EXPECT_EQ(ExtractFileName(first).substr(0, 3), "$DS");
  EXPECT_GE(ExtractFileName(first).size(), 12u);
#ifndef _WIN32
  EXPECT_EQ(fs::status(first).permissions() & fs::perms::all, fs::perms::owner_all);
#endif
  // A folder in use is never taken for one left behind.
  RemoveDeadTempFolders(disk, "$DS");
  EXPECT_TRUE(fs::is_directory(first));
  EXPECT_TRUE(
      fs::is_directory(PathJoin(dir.temp_dir(), "$DS2")));  // no lock file: not provably dead
  b.reset();  // its run was killed: the lock file stays, locked by no one
  testing::WriteFileBytes(PathJoin(second, kTempLockName), "4242\n");
  RemoveDeadTempFolders(disk, "$DS");
  EXPECT_TRUE(fs::is_directory(first));
  EXPECT_FALSE(fs::exists(second));
}

#ifndef _WIN32
TEST(CreateTempFolderTest, FolderOfAKilledRunIsRemovedByTheNext) {
  RealDisk disk;
  ScratchDir dir;
  pid_t child = fork();
  if (child == 0) {
    std::unique_ptr<DiskLock> lock;
    std::string made = CreateTempFolder(disk, "$DS", &lock);
    testing::WriteFileBytes(PathJoin(made, "big.pas"), std::string(1000, 'x'));
    raise(SIGKILL);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_EQ(dir.LeftInTemp().size(), 1u);
  RemoveDeadTempFolders(disk, "$DS");
  EXPECT_EQ(dir.LeftInTemp().size(), 0u);
}

// The user's own folder that holds the work folders.
std::string PrivateParent(const ScratchDir& dir) {
  return PathJoin(dir.temp_dir(), "tolvern-" + std::to_string(::geteuid()));
}

// A work folder left by a killed run: its lock file, locked by no one, and
// what the run had written.
std::string PlantDeadFolder(const std::string& where, const std::string& name) {
  const std::string folder = PathJoin(where, name);
  fs::create_directories(folder);
  testing::WriteFileBytes(PathJoin(folder, kTempLockName), "4242\n");
  testing::WriteFileBytes(PathJoin(folder, "Unit1.pas"), "unit Unit1;");
  return folder;
}

// A folder of someone else's files, which no removal may reach.
std::vector<std::string> MakeVictim(const ScratchDir& dir) {
  std::vector<std::string> files;
  for (int i = 0; i < 20; ++i)
    files.push_back(dir.Write("victim/file" + std::to_string(i) + ".txt", "precious"));
  return files;
}

TEST(CreateTempFolderTest, WorkFoldersLiveInAFolderOfTheUsersOwn) {
  RealDisk disk;
  ScratchDir dir;
  std::unique_ptr<DiskLock> lock;
  std::string why;
  const std::string made = CreateTempFolder(disk, "$DS", &lock, &why);
  ASSERT_NE(made, "") << why;
  EXPECT_EQ(ExtractFileDir(made), PrivateParent(dir));
  EXPECT_EQ(fs::symlink_status(PrivateParent(dir)).permissions() & fs::perms::all,
            fs::perms::owner_all);
  // The next run uses it as it stands.
  std::unique_ptr<DiskLock> second;
  EXPECT_EQ(ExtractFileDir(CreateTempFolder(disk, "$DS", &second)), PrivateParent(dir));
}

// What may stand under the private folder's name, planted by someone else:
// none of it is used, and the reason names the folder.
TEST(CreateTempFolderTest, AFolderThatOthersCanChangeIsRefused) {
  RealDisk disk;
  struct Case {
    const char* what;
    std::function<void(const ScratchDir&, const std::string&)> plant;
    const char* reason;
    bool needs_root;
  } cases[] = {
      {"a link to another folder",
       [](const ScratchDir& d, const std::string& at) {
         fs::create_directories(d / "elsewhere");
         fs::create_directory_symlink(d / "elsewhere", at);
       },
       "is a link", false},
      {"a folder others may write in",
       [](const ScratchDir&, const std::string& at) {
         fs::create_directory(at);
         fs::permissions(at, fs::perms::all);
       },
       "others may write in it", false},
      {"a folder writable by its group",
       [](const ScratchDir&, const std::string& at) {
         fs::create_directory(at);
         fs::permissions(at, fs::perms::owner_all | fs::perms::group_all);
       },
       "others may write in it", false},
      {"a file", [](const ScratchDir&, const std::string& at) { testing::WriteFileBytes(at, ""); },
       "not a folder", false},
      {"another user's folder",
       [](const ScratchDir&, const std::string& at) {
         fs::create_directory(at);
         fs::permissions(at, fs::perms::owner_all);
         ASSERT_EQ(::chown(at.c_str(), 65534, 65534), 0);
       },
       "belongs to another user", true},
  };
  for (const Case& c : cases) {
    if (c.needs_root && ::geteuid() != 0) continue;  // only root can give a folder away
    ScratchDir dir;
    const std::string parent = PrivateParent(dir);
    c.plant(dir, parent);
    std::unique_ptr<DiskLock> lock;
    std::string why;
    EXPECT_EQ(CreateTempFolder(disk, "$DS", &lock, &why), "") << c.what;
    EXPECT_NE(why.find(parent), std::string::npos) << c.what << ": " << why;
    EXPECT_NE(why.find(c.reason), std::string::npos) << c.what << ": " << why;
    EXPECT_EQ(lock, nullptr) << c.what;
    // Nothing was made anywhere: not in the temporary folder, not through a
    // link.
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
      EXPECT_EQ(e.path().filename().string().find("$DS"), std::string::npos)
          << c.what << ": " << e.path();
  }
}

// A folder planted as a killed run's, whose sub-folder is swapped for a link
// to another folder while it is removed (as another user racing the removal
// would): nothing outside it goes.
TEST(RemoveDeadTempFoldersTest, ASubFolderSwappedForALinkIsNeverEntered) {
  ScratchDir dir;
  const std::vector<std::string> victim = MakeVictim(dir);
  for (const std::string& where : {dir.temp_dir(), PrivateParent(dir)}) {
    const std::string dead = PlantDeadFolder(where, "$DS0BADC0DE0001");
    const std::string sub = PathJoin(dead, "sub");
    fs::create_directories(sub);
    testing::WriteFileBytes(PathJoin(sub, "a.pas"), "a");
    // The swap happens as the removal looks into the sub-folder.
    FaultyDisk disk;
    bool swapped = false;
    disk.on_op = [&](const char*, const std::string& path) {
      if (swapped || path.find(sub) != 0) return;
      swapped = true;
      fs::rename(sub, PathJoin(dead, "moved"));
      fs::create_directory_symlink(dir / "victim", sub);
    };
    RemoveDeadTempFolders(disk, "$DS");
    for (const std::string& f : victim) EXPECT_EQ(testing::ReadFileBytes(f), "precious") << f;
    // The folder was the user's own and dead: it is gone, the link with it.
    EXPECT_FALSE(fs::exists(fs::symlink_status(dead))) << dead;
  }
  EXPECT_TRUE(dir.LeftInTemp().empty());
}

// The same swap, made over and over by another thread while runs clean up:
// the removal never follows the link, whenever the swap comes.
TEST(RemoveDeadTempFoldersTest, RacingSwapsNeverReachOutside) {
  RealDisk disk;
  ScratchDir dir;
  const std::vector<std::string> victim = MakeVictim(dir);
  for (int round = 0; round < 200; ++round) {
    const std::string dead = PlantDeadFolder(dir.temp_dir(), "$DS0BADC0DE0002");
    const std::string sub = PathJoin(dead, "sub");
    for (int i = 0; i < 5; ++i) {
      fs::create_directories(PathJoin(sub, "d" + std::to_string(i)));
      testing::WriteFileBytes(PathJoin(sub, "f" + std::to_string(i)), "f");
    }
    std::atomic<bool> done{false};
    std::thread attacker([&] {
      std::error_code ec;
      const std::string aside = PathJoin(dir.temp_dir(), "aside");
      while (!done) {
        fs::rename(sub, aside, ec);
        fs::create_directory_symlink(dir / "victim", sub, ec);
        std::this_thread::yield();
        fs::remove(sub, ec);
        fs::rename(aside, sub, ec);
      }
    });
    RemoveDeadTempFolders(disk, "$DS");
    done = true;
    attacker.join();
    for (const std::string& f : victim)
      ASSERT_TRUE(fs::exists(f)) << "round " << round << ": " << f;
    std::error_code ec;
    fs::remove_all(dead, ec);
    fs::remove_all(PathJoin(dir.temp_dir(), "aside"), ec);
  }
}

TEST(RemoveDeadTempFoldersTest, OnlyFoldersOfTheUsersOwnAreRemoved) {
  RealDisk disk;
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a folder to another user";
  ScratchDir dir;
  const std::string others = PlantDeadFolder(dir.temp_dir(), "$DS0BADC0DE0003");
  for (const auto& e : fs::recursive_directory_iterator(others))
    ASSERT_EQ(::lchown(e.path().c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chown(others.c_str(), 65534, 65534), 0);
  const std::string own = PlantDeadFolder(dir.temp_dir(), "$DS0BADC0DE0004");
  RemoveDeadTempFolders(disk, "$DS");
  EXPECT_TRUE(fs::exists(PathJoin(others, "Unit1.pas")));
  EXPECT_FALSE(fs::exists(own));
}
#endif

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
