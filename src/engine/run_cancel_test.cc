// A cancel is honoured at every phase up to the moment the first original
// is replaced: the run then leaves every original as it was and takes back
// its backups, its undo file and the files it created. A cancel asked once
// originals are being replaced is too late: the run goes to its end and
// says so in its log.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "parsing/mapping_profile.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

// Where the cancel comes: at the start of a phase, or from the hook that
// announces the replacing (the last moment it is honoured).
struct CancelPoint {
  const char* name;
  RunPhase phase;
  bool at_replacing_hook;
  bool too_late;
};

const CancelPoint kPoints[] = {
    {"WritingLists", RunPhase::kWritingLists, false, false},
    {"CheckingOriginals", RunPhase::kCheckingOriginals, false, false},
    {"BackingUp", RunPhase::kBackingUp, false, false},
    {"ReplacingHook", RunPhase::kBackingUp, true, false},
    {"Replacing", RunPhase::kReplacingOriginals, false, true},
};

Files Originals(const std::string& root) { return testing::UserFiles(root); }

class RunCancel : public ::testing::TestWithParam<std::tuple<CancelPoint, bool>> {
 protected:
  void SetUp() override {
    aliases_ = std::get<1>(GetParam());
    if (aliases_) {
      // A folder run on BDE aliases with a profile: the run creates a
      // connection module, which a cancel must take back too.
      RealDisk disk;
      BdeReplacer->AliasRules =
          ReadProfile(disk, std::string(TOLVERN_SOURCE_DIR) + "/tests/data/aliases.json").aliases;
      fs::create_directories(dir_ / "app");
      fs::copy(std::string(TOLVERN_SOURCE_DIR) + "/tests/data/aliases", dir_ / "app/app");
      testing::UseFolderRun(*ReplaceOptions, dir_ / "app");
    } else {
      testing::CopyExample(dir_, "app");
      testing::UseFolderRun(*ReplaceOptions, dir_ / "app");
    }
    ReplaceOptions->MakeBackup = true;
    ReplaceOptions->BackupDir = dir_ / "app/RBackup";
    ReplaceOptions->WriteLog = true;
    ReplaceOptions->ViewLog = false;
  }
  void TearDown() override {
    BdeReplacer->OnPhase = nullptr;
    BdeReplacer->CancelRequested = nullptr;
    BdeReplacer->OnReplacingOriginals = nullptr;
  }

  bool aliases_ = false;
  ScratchDir dir_;
  NXReplacerScope library_;
};

TEST_P(RunCancel, BeforeTheFirstReplacementEverythingIsTakenBackAfterItTheRunSaysTooLate) {
  const CancelPoint point = std::get<0>(GetParam());
  const Files before = Originals(dir_ / "app");
  bool cancel = false;
  std::vector<RunPhase> phases;
  BdeReplacer->OnPhase = [&](RunPhase phase) {
    phases.push_back(phase);
    if (phase == point.phase && !point.at_replacing_hook) cancel = true;
  };
  BdeReplacer->OnReplacingOriginals = [&] {
    if (point.at_replacing_hook) cancel = true;
  };
  BdeReplacer->CancelRequested = [&] { return cancel; };
  const bool ok = BdeReplacer->Execute();
  const std::string log = dir_.Read("app/Wiz_Log.txt");
  if (point.too_late) {
    EXPECT_TRUE(ok);
    EXPECT_FALSE(BdeReplacer->Cancelled);
    EXPECT_TRUE(BdeReplacer->CancelCameTooLate);
    EXPECT_NE(log.find("Cancel was asked once originals were being replaced"), std::string::npos);
    EXPECT_NE(Originals(dir_ / "app"), before);
    EXPECT_EQ(phases, (std::vector<RunPhase>{RunPhase::kWritingLists, RunPhase::kCheckingOriginals,
                                             RunPhase::kBackingUp, RunPhase::kReplacingOriginals}));
    return;
  }
  EXPECT_FALSE(ok);
  EXPECT_TRUE(BdeReplacer->Cancelled);
  EXPECT_FALSE(BdeReplacer->CancelCameTooLate);
  EXPECT_NE(log.find("Cancelled: no original file was replaced."), std::string::npos) << log;
  // Every original as it was, and no file of the run's outside its lists:
  // no backup, no undo file, no created module.
  EXPECT_EQ(Originals(dir_ / "app"), before);
  if (fs::exists(dir_ / "app/RBackup")) {
    for (const auto& e : fs::recursive_directory_iterator(dir_ / "app/RBackup")) {
      EXPECT_FALSE(e.is_regular_file()) << e.path();
    }
  }
  EXPECT_TRUE(phases.empty() || phases.back() != RunPhase::kReplacingOriginals);
  // The next run goes through.
  cancel = false;
  BdeReplacer->CancelRequested = nullptr;
  EXPECT_TRUE(BdeReplacer->Execute());
  EXPECT_NE(Originals(dir_ / "app"), before);
}

INSTANTIATE_TEST_SUITE_P(Points, RunCancel,
                         ::testing::Combine(::testing::ValuesIn(kPoints), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_Aliases" : "_Example");
                         });

}  // namespace
}  // namespace tolvern
