// The work folders of runs: made private, unpredictable and locked below a
// folder of the user's own (or beside it, where another user took its name),
// and removed when their run was killed, never through a link.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "files/file_utils.h"
#include "platform/memory_disk.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::FaultyDisk;
using testing::ScratchDir;
namespace fs = std::filesystem;
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

// What may stand under the private folder's name, planted by someone else,
// with the reason it is not used.
struct PlantedFolder {
  const char* what;
  std::function<void(const ScratchDir&, const std::string&)> plant;
  const char* reason;
  bool needs_root;
};
std::vector<PlantedFolder> PlantedFolders() {
  return {
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
}

// None of what is planted is used, and the reason names the folder.
TEST(CreateTempFolderTest, AFolderThatOthersCanChangeIsRefused) {
  RealDisk disk;
  using Case = PlantedFolder;
  const std::vector<PlantedFolder> cases = PlantedFolders();
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

// A run is not stopped by what is planted there: its work folder, private
// and unpredictably named, is made in the temporary folder itself, and
// nothing is made in or through what was planted.
TEST(CreateRunFolderTest, ARunGoesOnBesideAFolderOthersCanChange) {
  RealDisk disk;
  for (const PlantedFolder& c : PlantedFolders()) {
    if (c.needs_root && ::geteuid() != 0) continue;  // only root can give a folder away
    ScratchDir dir;
    c.plant(dir, PrivateParent(dir));
    std::unique_ptr<DiskLock> lock;
    std::string why;
    const std::string made = CreateRunFolder(disk, "$DS", &lock, &why);
    ASSERT_NE(made, "") << c.what << ": " << why;
    EXPECT_EQ(ExtractFileDir(made), dir.temp_dir()) << c.what;
    EXPECT_EQ(fs::symlink_status(made).permissions() & fs::perms::all, fs::perms::owner_all)
        << c.what;
    EXPECT_TRUE(disk.IsOwnFolder(made)) << c.what;
    EXPECT_NE(lock, nullptr) << c.what;
    for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
      if (e.path().filename().string().find("$DS") == std::string::npos) continue;
      EXPECT_EQ(e.path().parent_path().string(), dir.temp_dir()) << c.what << ": " << e.path();
    }
  }
}

// The same through the disk: one whose private folder is not the user's.
TEST(CreateRunFolderTest, ADiskWhosePrivateFolderCannotBeUsedGivesAFolderBesideIt) {
  struct ForeignPrivateFolder : MemoryDisk {
    std::string PrivateTempPath(std::string* error) override {
      if (error) *error = "\"/tmp/tolvern\": belongs to another user";
      return "";
    }
  } disk;
  std::unique_ptr<DiskLock> lock;
  std::string why;
  const std::string made = CreateRunFolder(disk, "$DS", &lock, &why);
  ASSERT_NE(made, "") << why;
  EXPECT_EQ(ExtractFileDir(made), disk.TempPath());
  EXPECT_TRUE(disk.DirExists(made));
  EXPECT_NE(lock, nullptr);
  // The strict form still refuses, naming the folder.
  std::unique_ptr<DiskLock> strict;
  EXPECT_EQ(CreateTempFolder(disk, "$DS", &strict, &why), "");
  EXPECT_EQ(why, "\"/tmp/tolvern\": belongs to another user");
}

// Where the user's own folder can be used, the run's folder is made there;
// where nothing can be made at all, the private folder's reason is told.
TEST(CreateRunFolderTest, UsesTheUsersOwnFolderAndTellsItsReasonWhenNothingCanBeMade) {
  RealDisk disk;
  ScratchDir dir;
  std::unique_ptr<DiskLock> lock;
  EXPECT_EQ(ExtractFileDir(CreateRunFolder(disk, "$DS", &lock)), PrivateParent(dir));
  lock.reset();
  const std::string missing = dir / "no-such-temp";
  ::setenv("TMPDIR", missing.c_str(), 1);  // ScratchDir puts the old one back
  std::string why;
  EXPECT_EQ(CreateRunFolder(disk, "$DS", &lock, &why), "");
  EXPECT_EQ(why, "\"" + PathJoin(missing, "tolvern-" + std::to_string(::geteuid())) +
                     "\": " + std::strerror(ENOENT));
  EXPECT_FALSE(fs::exists(missing));
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

}  // namespace
}  // namespace tolvern
