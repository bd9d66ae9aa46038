// Whole folder-mode runs over the bundled example on a disk that fails in
// the ways a failing disk or a lost network share does: a folder listing that
// ends part way, and a replaced file whose bytes cannot be made durable.
// Whatever fails, the run is not a success, it names the file or folder with
// the reason, no unit is replaced while its form is not, and restore gives
// every byte back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "base/errors.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "files/file_utils.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::FaultyDisk;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

using testing::RunOutcome;

class RunDiskFaultsTest : public ::testing::Test {
 protected:
  // A fresh copy of the example for each case.
  void Fresh() {
    dir_.reset();  // its temporary folder setting goes first
    dir_ = std::make_unique<ScratchDir>();
    app_ = testing::CopyExample(*dir_, "app");
    testing::UseFolderRun(*ReplaceOptions, app_);
    before_ = Snapshot(app_);
  }

  // Every unit is as it was or fully migrated, and a unit is replaced only
  // together with its form.
  void ExpectNoHalfMigration(const std::string& what) {
    const Files expected = Snapshot(testing::ExampleDir() + ".expected");
    const Files now = Snapshot(app_);
    for (const auto& [path, bytes] : before_) {
      if (!expected.count(path)) continue;
      const std::string& is = now.at(path);
      EXPECT_TRUE(is == bytes || is == expected.at(path)) << what << ": " << path;
      const std::string form = path.substr(0, path.size() - 4) + ".dfm";
      if (!path.ends_with(".pas") || !before_.count(form)) continue;
      const bool unit_replaced = is != bytes;
      const bool form_replaced = now.at(form) != before_.at(form);
      EXPECT_FALSE(unit_replaced && !form_replaced)
          << what << ": " << path << " is migrated while its form is not";
    }
  }

  // Restores every undo file the run left, newest first, when the run
  // replaced anything.
  void ExpectRestoreGivesEveryByteBack(const std::string& what) {
    const Files after = Snapshot(app_);
    if (std::all_of(before_.begin(), before_.end(),
                    [&after](const auto& f) { return after.at(f.first) == f.second; }))
      return;
    std::vector<std::string> undo;
    for (const auto& e : fs::directory_iterator(testing::NativePath(app_ + "/RBackup")))
      if (e.path().extension() == ".reu") undo.push_back(testing::Utf8Path(e.path()));
    std::sort(undo.rbegin(), undo.rend());
    for (const std::string& u : undo)
      EXPECT_TRUE(BdeReplacer->RestoreFiles(u)) << what << ": " << BdeReplacer->RestoreError;
    const Files now = Snapshot(app_);
    for (const auto& [path, bytes] : before_)
      EXPECT_EQ(now.at(path), bytes) << what << ": " << path;
  }

  std::unique_ptr<ScratchDir> dir_;
  NXReplacerScope library_;
  std::string app_;
  Files before_;
};

// The listing of the folder that holds the units and their forms fails after
// some of its entries: the run does not take the entries it got for the
// whole folder.
TEST_F(RunDiskFaultsTest, AListingThatFailsPartWayIsNamedAndNothingIsHalfMigrated) {
  for (int given : {0, 1, 3, 6}) {
    Fresh();
    const std::string what = "listing failing after " + std::to_string(given) + " entries";
    FaultyDisk disk;
    disk.fail_list_after = [this, given](const std::string& folder) {
      return folder == app_ ? given : -1;
    };
    RunOutcome o = testing::RunOnDisk(&disk);
    EXPECT_FALSE(o.returned && o.not_migrated == 0) << what << "\n" << o.messages;
    EXPECT_GT(o.not_migrated, 0) << what;
    // The folder is named with the system's reason.
    EXPECT_NE(o.messages.find(app_ + ": the folder cannot be listed: Input/output error"),
              std::string::npos)
        << what << "\n"
        << o.messages;
    ExpectNoHalfMigration(what);
    ExpectRestoreGivesEveryByteBack(what);
  }
}

// What a run writes is made durable in barriers: one after the backups and
// rewritten files, one after the undo file and the created files, one after
// the replacements. When either of the first two fails, no original is
// replaced, the run says so with the reason, and leaves no undo file.
TEST_F(RunDiskFaultsTest, ABarrierBeforeTheReplacementsThatFailsLeavesEveryOriginal) {
  for (int failing : {0, 1}) {
    Fresh();
    const std::string what = "barrier " + std::to_string(failing) + " failing";
    FaultyDisk disk;
    int barrier = 0;
    disk.fail_op = [&](const char* op, const std::string&) {
      return std::string(op) == "barrier" && barrier++ == failing;
    };
    RunOutcome o = testing::RunOnDisk(&disk);
    EXPECT_FALSE(o.returned && o.not_migrated == 0) << what << "\n" << o.messages;
    EXPECT_NE(o.messages.find("injected barrier failure"), std::string::npos) << what << "\n"
                                                                              << o.messages;
    EXPECT_NE(o.messages.find("no original was replaced"), std::string::npos) << what;
    const Files now = Snapshot(app_);
    for (const auto& [path, bytes] : before_) EXPECT_EQ(now.at(path), bytes) << what << path;
    EXPECT_FALSE(fs::exists(app_ + "/RBackup/ZUvezod.reu")) << what;
  }
}

// The last barrier, after the replacements: the run is not called whole,
// and restore still gives every byte back.
TEST_F(RunDiskFaultsTest, ABarrierAfterTheReplacementsThatFailsIsNoCleanSuccess) {
  Fresh();
  FaultyDisk disk;
  int barrier = 0;
  disk.fail_op = [&](const char* op, const std::string&) {
    return std::string(op) == "barrier" && barrier++ == 2;
  };
  RunOutcome o = testing::RunOnDisk(&disk);
  EXPECT_FALSE(o.returned) << o.messages;
  ExpectRestoreGivesEveryByteBack("last barrier failing");
}

}  // namespace
}  // namespace tolvern
