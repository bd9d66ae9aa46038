#include "platform/disk.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "test_support.h"

namespace tolvern {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

TEST(DiskTest, WritesReplaceFilesWholeAndFollowLinks) {
  ScratchDir dir;
  TOLVERN_SKIP_WITHOUT_SYMLINKS(dir);
  std::string target = dir.Write("real.txt", "old");
  fs::create_symlink(target, dir / "link.txt");
  WriteWholeFile(dir / "link.txt", "new");
  EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
  EXPECT_EQ(dir.Read("real.txt"), "new");
  EXPECT_TRUE(CurrentDisk().CopyFile(dir / "real.txt", dir / "copy.txt"));
  EXPECT_EQ(dir.Read("copy.txt"), "new");
  EXPECT_FALSE(fs::exists(dir / "real.txt.tolvern-new"));
  // A device is written into, never replaced.
  WriteWholeFile("/dev/null", "discarded");
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(DiskTest, FailuresNameTheFile) {
  ScratchDir dir;
  try {
    ReadWholeFile(dir / "missing");
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find(dir / "missing"), std::string::npos);
  }
  EXPECT_THROW(WriteWholeFile(dir / "no/such/folder/f", "x"), EFCreateError);
  EXPECT_THROW(ReadWholeFile(dir.path()), EFOpenError);  // a folder
}

}  // namespace
}  // namespace tolvern
