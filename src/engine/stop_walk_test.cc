// Stops a run, and a restore, at every step that changes a file, as a kill
// or a power cut would, and then does what a user does next: runs the same
// command again, and restores. Whatever the step, every original ends as it
// was or fully migrated, the second command succeeds without a file removed
// by hand, and restoring gives back every byte. A recording disk shows the
// order that makes this hold: no original is replaced before the barrier
// that makes its backup, its rewritten text and the undo file durable.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <set>

#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "parsing/mapping_profile.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::FaultyDisk;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;

// The operations that change something on the disk: the steps a process
// can be stopped between.
bool IsStep(const char* op) {
  static const std::set<std::string> steps = {
      "write",      "write-new",  "write-exclusive", "backup",  "move", "copy",       "delete",
      "create-dir", "remove-dir", "remove-tree",     "barrier", "lock", "open-append"};
  return steps.count(op) > 0;
}

// The paths whose bytes differ between two snapshots (a message short
// enough to read, where the whole maps would not be).
std::string Differing(const Files& a, const Files& b) {
  std::string out;
  for (const auto& [path, bytes] : a)
    if (!b.count(path) || b.at(path) != bytes) out += " " + path;
  for (const auto& [path, bytes] : b)
    if (!a.count(path)) out += " " + path + " (new)";
  return out;
}

Files Originals(const std::string& root) { return testing::UserFiles(root); }

// The trees walked: the bundled example in project mode, and an
// application on BDE aliases in folder mode with a profile that makes the
// run create a connection module and edit the project file.
enum class Tree { kExample, kAliases };

class StopWalk : public ::testing::TestWithParam<Tree> {
 protected:
  void SetUp() override {
    services_ = std::make_unique<ScopedIdeServices>(&host_);
    if (GetParam() != Tree::kAliases) return;
    RealDisk disk;
    const MappingProfile profile =
        ReadProfile(disk, std::string(TOLVERN_SOURCE_DIR) + "/tests/data/aliases.json");
    BdeReplacer->AliasRules = profile.aliases;  // gone with the library at the end
  }

  void MakeTree(const ScratchDir& dir) {
    if (GetParam() == Tree::kAliases) {
      fs::create_directories(dir / "app");
      fs::copy(std::string(TOLVERN_SOURCE_DIR) + "/tests/data/aliases", dir / "app/app");
      testing::UseFolderRun(*ReplaceOptions, dir / "app");
      return;
    }
    testing::CopyExample(dir, "app");
    host_.Load(dir / "app/Orders.dpr");
    ReplaceOptions->Dest = RunSource::kProject;
    ReplaceOptions->Units = "MainForm.pas\r\nDataModule.pas\r\nReports.pas\r\nUtils.pas\r\n";
    ReplaceOptions->MakeBackup = true;
    ReplaceOptions->BackupDir = dir / "app/RBackup";
    ReplaceOptions->WriteLog = true;
    ReplaceOptions->ViewLog = false;
  }

  // A run (or, with `undo`, a restore of it) stopped at step `stop` (-1:
  // never); the number of steps it took.
  int StoppedAt(int stop, const std::string& undo = "", bool* ok = nullptr) {
    FaultyDisk disk;
    std::atomic<int> step{0};
    disk.stop_at = [&](const char* op, const std::string&) { return IsStep(op) && step++ == stop; };
    if (undo.empty()) {
      const testing::RunOutcome o = testing::RunOnDisk(&disk);
      if (ok) *ok = o.returned && o.not_migrated == 0;
    } else {
      testing::RunsOn on(*BdeReplacer, &disk);
      try {
        const bool restored = BdeReplacer->RestoreFiles(undo);
        if (ok) *ok = restored;
      } catch (const std::exception&) {
        if (ok) *ok = false;
      }
    }
    return step;
  }

  // Every undo file of the tree, the newest first.
  static std::vector<std::string> UndoFiles(const ScratchDir& dir) {
    std::vector<std::pair<int, std::string>> found;
    for (const auto& e : fs::directory_iterator(dir / "app/RBackup")) {
      const std::string name = e.path().filename().string();
      if (!name.starts_with("ZUvezod") || !name.ends_with(".reu")) continue;
      const std::string middle = name.substr(7, name.size() - 11);
      found.emplace_back(middle.empty() ? 1 : std::stoi(middle.substr(1)), e.path().string());
    }
    std::sort(found.rbegin(), found.rend());
    std::vector<std::string> paths;
    for (auto& f : found) paths.push_back(f.second);
    return paths;
  }

  ProjectHost host_;
  std::unique_ptr<ScopedIdeServices> services_;
  NXReplacerScope library_;
};

TEST_P(StopWalk, AStopAtAnyStepOfARunLeavesATreeTheNextRunAndRestoreFinish) {
  Files before, after;
  int steps = 0;
  {
    ScratchDir dir;
    MakeTree(dir);
    before = Originals(dir.path());
    bool ok = false;
    steps = StoppedAt(-1, "", &ok);
    ASSERT_TRUE(ok);
    after = Originals(dir.path());
    ASSERT_NE(before, after);
  }
  int needed_hand = 0, second_module = 0;
  for (int stop = 0; stop < steps; ++stop) {
    SCOPED_TRACE("stopped at step " + std::to_string(stop) + " of " + std::to_string(steps));
    ScratchDir dir;
    MakeTree(dir);
    StoppedAt(stop);
    auto holds = [](const Files& files, const std::string& path, const std::string& bytes) {
      auto at = files.find(path);
      return at != files.end() && at->second == bytes;
    };
    bool some_replaced = false;
    for (const auto& [path, bytes] : Originals(dir.path())) {
      EXPECT_TRUE(holds(before, path, bytes) || holds(after, path, bytes))
          << path << " is half migrated";
      some_replaced = some_replaced || (before.count(path) && !holds(before, path, bytes));
    }
    // The same command again finishes the work, with no file removed by hand.
    bool ok = false;
    StoppedAt(-1, "", &ok);
    if (!ok) ++needed_hand;
    EXPECT_TRUE(ok) << BdeReplacer->Report.FilesNotMigrated();
    const Files second = Originals(dir.path());
    if (GetParam() == Tree::kAliases && some_replaced && second != after) {
      // A stop between the replacements of a run that created a connection
      // module: the forms replaced use it, and the next run gives the rest a
      // module of its own. Every file is migrated all the same.
      ++second_module;
      for (const auto& [path, bytes] : before) {
        if (after.at(path) == bytes) continue;
        EXPECT_NE(second.at(path), bytes) << path << " not migrated";
      }
    } else {
      EXPECT_EQ(Differing(second, after), "");
    }
    // And restoring every run, the newest first, gives back every byte.
    for (const std::string& undo : UndoFiles(dir))
      EXPECT_TRUE(BdeReplacer->RestoreFiles(undo)) << undo << ": " << BdeReplacer->RestoreError;
    EXPECT_EQ(Differing(Originals(dir.path()), before), "");
  }
  std::printf("second runs that made a second connection module: %d\n", second_module);
  std::printf("a run stopped at each of its %d steps; second runs that needed a hand: %d\n", steps,
              needed_hand);
}

TEST_P(StopWalk, AStopAtAnyStepOfARestoreLeavesATreeTheNextRestoreFinishes) {
  int steps = 0;
  Files before;
  {
    ScratchDir dir;
    MakeTree(dir);
    before = Originals(dir.path());
    ASSERT_TRUE(testing::RunOnDisk(nullptr).returned);
    bool ok = false;
    steps = StoppedAt(-1, UndoFiles(dir).at(0), &ok);
    ASSERT_TRUE(ok) << BdeReplacer->RestoreError;
    ASSERT_EQ(Differing(Originals(dir.path()), before), "");
  }
  for (int stop = 0; stop < steps; ++stop) {
    SCOPED_TRACE("restore stopped at step " + std::to_string(stop) + " of " +
                 std::to_string(steps));
    ScratchDir dir;
    MakeTree(dir);
    ASSERT_TRUE(testing::RunOnDisk(nullptr).returned);
    const Files migrated = Originals(dir.path());
    const std::string undo = UndoFiles(dir).at(0);
    StoppedAt(stop, undo);
    // Each file is the run's or its original, never anything else: the
    // restore's own files stand beside them, not over them.
    for (const auto& [path, bytes] : Originals(dir.path())) {
      if (path.find(".tolvern-") != std::string::npos) continue;
      EXPECT_TRUE((before.count(path) && bytes == before.at(path)) ||
                  (migrated.count(path) && bytes == migrated.at(path)))
          << path;
    }
    EXPECT_TRUE(BdeReplacer->RestoreFiles(undo)) << BdeReplacer->RestoreError;
    EXPECT_EQ(Differing(Originals(dir.path()), before), "");
  }
  std::printf("a restore stopped at each of its %d steps\n", steps);
}

// The order of a run's steps: each original is replaced only after a
// barrier that follows its backup, and after the undo file and its record
// are written and made durable in their turn.
TEST_P(StopWalk, NoOriginalIsReplacedBeforeItsBackupAndTheUndoFileAreDurable) {
  ScratchDir dir;
  MakeTree(dir);
  FaultyDisk disk;
  std::mutex mutex;
  std::vector<std::pair<std::string, std::string>> ops;
  disk.on_op = [&](const char* op, const std::string& path) {
    std::lock_guard lock(mutex);
    ops.emplace_back(op, path);
  };
  ASSERT_TRUE(testing::RunOnDisk(&disk).returned);
  int last_barrier = -1, undo_written = -1, undo_durable = -1, moves = 0, barriers = 0;
  std::map<std::string, int> backed_up;  // original: the step of its backup
  for (int k = 0; k < static_cast<int>(ops.size()); ++k) {
    const auto& [op, path] = ops[static_cast<size_t>(k)];
    if (op == "barrier") {
      last_barrier = k;
      ++barriers;
      if (undo_written >= 0 && undo_durable < 0) undo_durable = k;
    } else if (op == "backup") {
      backed_up[path] = k;
    } else if (op == "write-exclusive" && path.ends_with("ZUvezod.reu.written")) {
      undo_written = k;
    } else if (op == "move" && path.find("RBackup") == std::string::npos) {
      ++moves;
      ASSERT_TRUE(backed_up.count(path)) << path << " replaced without a backup";
      EXPECT_GT(last_barrier, backed_up[path]) << path << " replaced before its backup is durable";
      EXPECT_GE(undo_written, 0) << path << " replaced before the undo file is written";
      EXPECT_GT(undo_durable, undo_written) << path << " replaced before the undo file is durable";
      EXPECT_GT(last_barrier, undo_written) << path;
    }
  }
  EXPECT_GT(moves, 3);
  // A barrier after the backups, one after the undo file, one after the
  // replacements: a few, whatever the number of files.
  EXPECT_EQ(barriers, 3);
  EXPECT_EQ(std::count_if(ops.begin(), ops.end(), [](auto& o) { return o.first == "sync"; }), 0)
      << "a file was synced on its own";
}

INSTANTIATE_TEST_SUITE_P(Trees, StopWalk, ::testing::Values(Tree::kExample, Tree::kAliases),
                         [](const auto& info) {
                           return info.param == Tree::kExample ? "Example" : "Aliases";
                         });

}  // namespace
}  // namespace tolvern
