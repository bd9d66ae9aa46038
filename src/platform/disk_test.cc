#include "platform/disk.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "base/errors.h"
#include "test_support.h"

#ifndef _WIN32
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace tolvern {
namespace {

namespace fs = std::filesystem;
using testing::FaultyDisk;
using testing::ScratchDir;

TEST(DiskTest, WritesReplaceFilesWholeAndFollowLinks) {
  RealDisk disk;
  ScratchDir dir;
  TOLVERN_SKIP_WITHOUT_SYMLINKS(dir);
  std::string target = dir.Write("real.txt", "old");
  fs::create_symlink(target, dir / "link.txt");
  WriteWholeFile(disk, dir / "link.txt", "new");
  EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
  EXPECT_EQ(dir.Read("real.txt"), "new");
  EXPECT_TRUE(RealDisk().CopyFile(dir / "real.txt", dir / "copy.txt"));
  EXPECT_EQ(dir.Read("copy.txt"), "new");
  EXPECT_FALSE(fs::exists(dir / "real.txt.tolvern-new"));
  // A device is written into, never replaced.
  WriteWholeFile(disk, "/dev/null", "discarded");
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// A file opened to be read at offsets gives the bytes asked for, fewer at
// its end and none past it; what is no regular file is refused.
TEST(DiskTest, AFileIsReadAtOffsets) {
  RealDisk disk;
  ScratchDir dir;
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += static_cast<char>(i * 7);
  dir.Write("table.db", bytes);
  std::string error, data;
  std::unique_ptr<ReadableFile> file = disk.OpenRead(dir / "table.db", &error);
  ASSERT_TRUE(file) << error;
  EXPECT_EQ(file->Size(), bytes.size());
  ASSERT_TRUE(file->ReadAt(70000, 300, &data, &error)) << error;
  EXPECT_EQ(data, bytes.substr(70000, 300));
  ASSERT_TRUE(file->ReadAt(5, 10, &data, &error)) << error;  // backwards
  EXPECT_EQ(data, bytes.substr(5, 10));
  ASSERT_TRUE(file->ReadAt(99990, 64, &data, &error)) << error;
  EXPECT_EQ(data, bytes.substr(99990));
  ASSERT_TRUE(file->ReadAt(200000, 64, &data, &error)) << error;
  EXPECT_EQ(data, "");
  EXPECT_FALSE(disk.OpenRead(dir.path(), &error));
  EXPECT_EQ(error, "is a folder");
  EXPECT_FALSE(disk.OpenRead(dir / "missing.db", &error));
  EXPECT_FALSE(error.empty());
}

TEST(DiskTest, FailuresNameTheFile) {
  RealDisk disk;
  ScratchDir dir;
  try {
    ReadWholeFile(disk, dir / "missing");
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find(dir / "missing"), std::string::npos);
  }
  EXPECT_THROW(WriteWholeFile(disk, dir / "no/such/folder/f", "x"), EFCreateError);
  EXPECT_THROW(ReadWholeFile(disk, dir.path()), EFOpenError);  // a folder
}

// Each way a file takes an original's place makes its bytes durable first;
// when that fails the operation fails with the reason and the original keeps
// every byte.
TEST(DiskTest, AFileThatCannotBeMadeDurableReplacesNothing) {
  struct Case {
    const char* what;
    std::function<bool(Disk&, const ScratchDir&, std::string*)> act;
  } cases[] = {
      {"write", [](Disk& d, const ScratchDir& dir,
                   std::string* e) { return d.WriteFile(dir / "target.pas", "new", e); }},
      {"copy",
       [](Disk& d, const ScratchDir& dir, std::string* e) {
         return d.CopyFile(dir / "work/new.pas", dir / "target.pas", e);
       }},
      {"move",
       [](Disk& d, const ScratchDir& dir, std::string* e) {
         return d.MoveFile(dir / "work/new.pas", dir / "target.pas", e);
       }},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.Write("target.pas", "old");
    dir.Write("work/new.pas", "new");
    FaultyDisk disk;
    std::vector<std::string> synced;
    disk.on_op = [&](const char* op, const std::string& path) {
      if (std::string(op) == "sync") synced.push_back(path);
    };
    disk.fail_op = [](const char* op, const std::string&) { return std::string(op) == "sync"; };
    std::string why;
    EXPECT_FALSE(c.act(disk, dir, &why)) << c.what;
    EXPECT_EQ(why, "injected sync failure") << c.what;
    EXPECT_EQ(synced, std::vector<std::string>{dir / "target.pas"}) << c.what;
    EXPECT_EQ(dir.Read("target.pas"), "old") << c.what;
    EXPECT_FALSE(fs::exists(dir / "target.pas.tolvern-new")) << c.what;
    EXPECT_EQ(dir.Read("work/new.pas"), "new") << c.what;
    // Without the failure the same operation replaces the file.
    disk.fail_op = nullptr;
    synced.clear();
    EXPECT_TRUE(c.act(disk, dir, &why)) << c.what << ": " << why;
    EXPECT_EQ(synced, std::vector<std::string>{dir / "target.pas"}) << c.what;
    EXPECT_EQ(dir.Read("target.pas"), "new") << c.what;
  }
}

// A file the run creates for keeps (the undo file, a backup that is a copy)
// is made durable too; one that cannot be is not left behind as if it were
// whole.
TEST(DiskTest, ANewFileThatCannotBeMadeDurableIsAFailure) {
  ScratchDir dir;
  FaultyDisk disk;
  disk.fail_op = [](const char* op, const std::string&) { return std::string(op) == "sync"; };
  std::string why;
  bool taken = true;
  EXPECT_FALSE(disk.WriteExclusive(dir / "undo.reu", "a=b", &why, &taken));
  EXPECT_FALSE(taken);
  EXPECT_EQ(why, "injected sync failure");
  EXPECT_FALSE(fs::exists(dir / "undo.reu"));
  disk.fail_op = nullptr;
  EXPECT_TRUE(disk.WriteExclusive(dir / "undo.reu", "a=b", &why, &taken)) << why;
  EXPECT_EQ(dir.Read("undo.reu"), "a=b");
}

#ifndef _WIN32
// A listing whose readdir fails (here: the network folder of a process that
// has ended, which the system cannot read) is a failure with the system's
// reason, never a folder that ends early.
TEST(DiskTest, AListingThatFailsIsNotTheFoldersEnd) {
  pid_t child = fork();
  if (child == 0) _exit(0);
  // The child is left unreaped for now: its folder in /proc stays while its
  // network folder can no longer be read.
  siginfo_t info{};
  ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT), 0);
  const std::string folder = "/proc/" + std::to_string(child) + "/net";
  int readdir_error = 0;
  if (DIR* d = ::opendir(folder.c_str())) {
    errno = 0;
    while (::readdir(d)) errno = 0;
    readdir_error = errno;
    ::closedir(d);
  }
  std::vector<DirEntry> entries;
  std::string why;
  const bool listed = RealDisk().List(folder, &entries, &why);
  ::waitpid(child, nullptr, 0);
  if (readdir_error == 0) GTEST_SKIP() << "this system lists " << folder << " without a failure";
  EXPECT_FALSE(listed);
  EXPECT_EQ(why, std::strerror(readdir_error));
}
#endif

#ifndef _WIN32
// A named pipe under an output's name: opening it to write would wait for a
// reader. The log and the run's new files refuse it at once, reader or not,
// saying what it is; a whole-file write goes into a pipe that a program
// reads (an output given as /dev/stdout) and refuses one that none reads.
TEST(DiskTest, APipeUnderAnOutputsNameIsRefusedWithoutWaiting) {
  RealDisk disk;
  ScratchDir dir;
  const std::string pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
  const std::string kPipe = "is a named pipe, not a regular file";
  for (bool with_reader : {false, true}) {
    SCOPED_TRACE(with_reader ? "a reader" : "no reader");
    const int reader = with_reader ? ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK) : -1;
    std::string why;
    EXPECT_EQ(disk.OpenAppend(pipe, &why), nullptr);
    EXPECT_EQ(why, kPipe);
    EXPECT_FALSE(disk.WriteNewFile(pipe, "x", &why));
    EXPECT_EQ(why, kPipe);
    EXPECT_EQ(disk.WriteFile(pipe, "data", &why), with_reader) << why;
    char buf[8];
    if (with_reader) {
      EXPECT_EQ(::read(reader, buf, sizeof buf), 4);
      ::close(reader);
    } else {
      EXPECT_EQ(why, "is a named pipe that no program reads");
    }
  }
  EXPECT_TRUE(fs::is_fifo(pipe));
  // What an output named by the user may be, told before a run.
  fs::create_symlink(dir.Write("file.txt", "x"), dir / "link.txt");
  EXPECT_EQ(OutputRefusal(disk, pipe), kPipe);
  EXPECT_EQ(OutputRefusal(disk, dir / "link.txt"), "is a link, which is never written through");
  EXPECT_EQ(OutputRefusal(disk, dir / "file.txt"), "");
  EXPECT_EQ(OutputRefusal(disk, dir / "missing.txt"), "");
  EXPECT_EQ(OutputRefusal(disk, "/dev/null"), "");
  // A file and a character device are written as before.
  std::string why;
  EXPECT_TRUE(WriteOutputFile(disk, dir / "file.txt", "new", &why)) << why;
  EXPECT_EQ(dir.Read("file.txt"), "new");
  EXPECT_NE(disk.OpenAppend("/dev/null", &why), nullptr) << why;
}
#endif

TEST(DiskTest, ATreeIsRemovedWithoutFollowingItsLinks) {
  ScratchDir dir;
  TOLVERN_SKIP_WITHOUT_SYMLINKS(dir);
  const std::string precious = dir.Write("outside/precious.txt", "p");
  dir.Write("tree/a.txt", "a");
  dir.Write("tree/sub/deeper/b.txt", "b");
  fs::create_directory_symlink(dir / "outside", dir / "tree/sub/folder-link");
  fs::create_symlink(precious, dir / "tree/file-link");
  fs::create_directory_symlink(dir / "tree", dir / "tree-link");
  std::string why;
  EXPECT_FALSE(RealDisk().RemoveTree(dir / "tree-link", &why));
  EXPECT_NE(why.find(dir / "tree-link"), std::string::npos) << why;
  EXPECT_TRUE(fs::exists(dir / "tree/a.txt"));
  EXPECT_TRUE(RealDisk().RemoveTree(dir / "tree", &why, true)) << why;
  EXPECT_TRUE(fs::is_directory(dir / "tree"));
  EXPECT_TRUE(fs::is_empty(dir / "tree"));
  dir.Write("tree/c.txt", "c");
  EXPECT_TRUE(RealDisk().RemoveTree(dir / "tree", &why)) << why;
  EXPECT_FALSE(fs::exists(dir / "tree"));
  EXPECT_EQ(dir.Read("outside/precious.txt"), "p");
  EXPECT_FALSE(RealDisk().RemoveTree(dir / "tree", &why));  // gone
}

}  // namespace
}  // namespace tolvern
