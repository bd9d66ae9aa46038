#include "files/folder_cache.h"

#include <gtest/gtest.h>

#include "files/file_utils.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::FaultyDisk;
using testing::ScratchDir;

// The cache answers as the look-up without it does, listing each folder once.
TEST(FolderCacheTest, AnswersAsTheUncachedLookUpListingEachFolderOnce) {
  ScratchDir dir;
  dir.Write("f/Unit1.DFM", "");
  dir.Write("f/exact.dfm", "");
  dir.Write("f/EXACT.dfm", "");
  dir.Write("f/Sub.dfm/x", "");  // a folder under a form's name
  dir.Write("g/other.pas", "");
  const std::string f = dir / "f/", g = dir / "g/";
  const struct {
    std::string path;
    bool files_only;
  } cases[] = {
      {f + "unit1.dfm", true},       {f + "Unit1.DFM", true},
      {f + "exact.dfm", true},       {f + "Exact.DFM", true},
      {f + "sub.dfm", true},         {f + "sub.dfm", false},
      {f + "Sub.dfm", false},        {f + "none.dfm", true},
      {g + "OTHER.PAS", true},       {f, false},
      {dir / "missing/a.dfm", true},
  };
  RealDisk disk;
  std::vector<std::string> uncached;
  for (const auto& c : cases)
    uncached.push_back(c.files_only ? FindFileIgnoringCase(disk, c.path)
                                    : FindEntryIgnoringCase(disk, c.path));
  FolderCache cache(disk);
  for (int round = 0; round < 2; ++round) {
    for (size_t i = 0; i < std::size(cases); ++i) {
      const auto& c = cases[i];
      bool failed = true;
      EXPECT_EQ(c.files_only ? FindFileIgnoringCase(cache, c.path, &failed)
                             : FindEntryIgnoringCase(cache, c.path, &failed),
                uncached[i])
          << c.path;
      EXPECT_EQ(failed, c.path == dir / "missing/a.dfm") << c.path;
    }
  }
  EXPECT_EQ(cache.Listings(), 3);  // f, g and the missing folder, once each
}

TEST(FolderCacheTest, KeptCurrentAsTheRunCreatesAndRemovesFiles) {
  ScratchDir dir;
  dir.Write("f/A.pas", "");
  RealDisk disk;
  FolderCache cache(disk);
  EXPECT_EQ(FindFileIgnoringCase(cache, dir / "f/b.dfm"), "");
  ASSERT_TRUE(cache.WriteFile(dir / "f/B.DFM", "", nullptr));  // written through it: noted
  EXPECT_EQ(FindFileIgnoringCase(cache, dir / "f/b.dfm"), dir / "f/B.DFM");
  ASSERT_TRUE(ForceFolders(cache, dir / "f/New/Deeper"));  // made by the run: noted
  EXPECT_EQ(FindEntryIgnoringCase(cache, dir / "f/NEW"), dir / "f/New");
  RemoveFolder(cache, dir / "f/New");
  EXPECT_EQ(FindEntryIgnoringCase(cache, dir / "f/new"), "");
  EXPECT_EQ(cache.Listings(), 1);  // f alone: the removal walks the disk itself
}

// A folder that cannot be listed still finds an exact name, and says that
// it could not look for the others.
TEST(FolderCacheTest, UnlistableFolderFindsTheExactNameOnly) {
  ScratchDir dir;
  dir.Write("f/U.dfm", "");
  FaultyDisk disk;
  disk.fail_op = [](const char* op, const std::string&) { return std::string(op) == "list"; };
  FolderCache cache(disk);
  bool failed = false;
  EXPECT_EQ(FindFileIgnoringCase(cache, dir / "f/U.dfm", &failed), dir / "f/U.dfm");
  EXPECT_FALSE(failed);
#ifdef _WIN32
  // The system itself finds names without regard to letter case.
  EXPECT_NE(FindFileIgnoringCase(cache, dir / "f/u.dfm", &failed), "");
#else
  EXPECT_EQ(FindFileIgnoringCase(cache, dir / "f/u.dfm", &failed), "");
  EXPECT_TRUE(failed);
#endif
  EXPECT_EQ(cache.Listings(), 1);
}

}  // namespace
}  // namespace tolvern
