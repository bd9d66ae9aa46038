// Restore after real runs: it gives back what the run replaced, keeps what a
// person wrote since, and writes nothing that the run did not replace.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "base/errors.h"
#include "base/paths.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::FaultyDisk;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;

const char kUnit[] =
    "unit U;\r\ninterface\r\nuses DBTables;\r\ntype TF = class(TForm)\r\n  Q: TQuery;\r\nend;\r\n"
    "implementation\r\n{$R *.dfm}\r\nend.\r\n";
const char kForm[] =
    "object F: TF\r\n  object Q: TQuery\r\n    SQL.Strings = (\r\n      'select "
    "1')\r\n  end\r\nend\r\n";

class RestoreSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::UseFolderRun(*ReplaceOptions, dir_ / "src");
    dir_.Write("src/U.pas", kUnit);
    dir_.Write("src/U.dfm", kForm);
    dir_.Write("src/Other.pas", "unit Other;\r\nend.\r\n");
  }
  std::string Path(const std::string& rel) const { return dir_ / rel; }
  std::string Undo() const { return Path("src/RBackup/ZUvezod.reu"); }

  ScratchDir dir_;
  NXReplacerScope library_;
};

TEST_F(RestoreSafetyTest, AnOriginalEditedAfterTheRunIsKeptUnlessForcedAndThenKeptBesideItsBackup) {
  ASSERT_TRUE(BdeReplacer->Execute());
  const std::string edited = dir_.Read("src/U.pas") + "// a week of work\r\n";
  dir_.Write("src/U.pas", edited);
  EXPECT_FALSE(BdeReplacer->RestoreFiles(Undo()));
  EXPECT_EQ(BdeReplacer->RestoreChanged, std::vector<std::string>{Path("src/U.pas")});
  EXPECT_NE(BdeReplacer->RestoreError.find(Path("src/U.pas")), std::string::npos);
  EXPECT_EQ(dir_.Read("src/U.pas"), edited);
  EXPECT_NE(dir_.Read("src/U.dfm"), kForm);  // all or nothing
  ASSERT_TRUE(BdeReplacer->RestoreFiles(Undo(), true)) << BdeReplacer->RestoreError;
  EXPECT_EQ(dir_.Read("src/U.pas"), kUnit);
  EXPECT_EQ(dir_.Read("src/U.dfm"), kForm);
  EXPECT_EQ(dir_.Read("src/RBackup/U.edited.pas"), edited);
  std::string all;
  for (const std::string& n : BdeReplacer->RestoreNotes) all += n + "\n";
  ASSERT_EQ(BdeReplacer->RestoreNotes.size(), 1u) << all;
  EXPECT_NE(BdeReplacer->RestoreNotes[0].find(Path("src/RBackup/U.edited.pas")), std::string::npos);
}

// Undo files crafted to point anywhere: the restore stops before it writes
// anything, naming the line.
TEST_F(RestoreSafetyTest, CraftedLinesWriteNothing) {
  ASSERT_TRUE(BdeReplacer->Execute());
  const std::string victim = dir_.Write("src/Victim.pas", "precious");
  const std::string system_file = dir_.Write("etc/passwd", "root:x:0:0");
  const std::string backup = dir_.Write("src/RBackup/Fake.~pas", "evil");
  const std::string good = Path("src/U.pas") + "=" + Path("src/RBackup/U.~pas") + "\r\n";
  struct Case {
    const char* what;
    std::string line;
    std::function<bool()> prepare;  // false: the case cannot be made here
  } cases[] = {
      {"a file the run never touched", victim + "=" + backup, nullptr},
      {"a system file", system_file + "=" + backup, nullptr},
      {"a path stepping up", Path("src/sub/../Victim.pas") + "=" + backup, nullptr},
      {"a link planted at an original", Path("src/U.dfm") + "=" + Path("src/RBackup/U.~dfm"),
       [&] {
         const std::string form = dir_.Read("src/U.dfm");
         fs::remove(Path("src/U.dfm"));
         std::error_code no_links;  // Windows without the privilege to make them
         fs::create_symlink(victim, Path("src/U.dfm"), no_links);
         if (!no_links) return true;
         dir_.Write("src/U.dfm", form);
         return false;
       }},
  };
  for (const Case& c : cases) {
    if (c.prepare && !c.prepare()) continue;
    const std::string undo = dir_.Write("src/RBackup/ZUvezod.reu", good + c.line + "\r\n");
    const auto before = Snapshot(dir_.path());
    EXPECT_FALSE(BdeReplacer->RestoreFiles(undo)) << c.what;
    EXPECT_NE(BdeReplacer->RestoreError.find("line 2"), std::string::npos)
        << c.what << ": " << BdeReplacer->RestoreError;
    EXPECT_EQ(Snapshot(dir_.path()), before) << c.what;
  }
  EXPECT_EQ(dir_.Read("src/Victim.pas"), "precious");
  EXPECT_EQ(dir_.Read("etc/passwd"), "root:x:0:0");
}

// A form that cannot take its original's place: its unit is put back, both
// are named, and the run can still be undone, also when the undo file could
// not be rewritten (a full disk).
TEST_F(RestoreSafetyTest, AUnitAndItsFormAreReplacedTogetherAndStayUndoable) {
  for (bool undo_rewrite_fails : {false, true}) {
    SCOPED_TRACE(undo_rewrite_fails ? "undo file not rewritten" : "undo file rewritten");
    dir_.Write("src/U.pas", kUnit);
    dir_.Write("src/U.dfm", kForm);
    fs::remove_all(Path("src/RBackup"));
    FaultyDisk disk;
    disk.fail_op = [&](const char* op, const std::string& path) {
      return (std::string(op) == "move" && path.ends_with("U.dfm")) ||
             (undo_rewrite_fails && std::string(op) == "write" && path.ends_with(".reu"));
    };
    bool ok;
    {
      testing::RunsOn scoped(*BdeReplacer, &disk);
      ok = BdeReplacer->Execute();
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(dir_.Read("src/U.pas"), kUnit);
    EXPECT_EQ(dir_.Read("src/U.dfm"), kForm);
    std::vector<std::string> named;
    for (const FileReport& f : BdeReplacer->Report.files)
      if (f.outcome == FileOutcome::kSkipped || ToString(f.outcome) == "failed")
        named.push_back(ExtractFileName(f.path));
    std::sort(named.begin(), named.end());
    EXPECT_EQ(named, (std::vector<std::string>{"U.dfm", "U.pas"}));
    // The backups stay as long as the undo file lists them, and restore
    // leaves the originals that were never replaced as they are.
    const std::string undo_text = dir_.Read("src/RBackup/ZUvezod.reu");
    EXPECT_EQ(undo_text.find("U.pas") != std::string::npos, undo_rewrite_fails);
    if (undo_rewrite_fails) {
      EXPECT_EQ(dir_.Read("src/RBackup/U.~pas"), kUnit);
    }
    EXPECT_TRUE(BdeReplacer->RestoreFiles(Undo())) << BdeReplacer->RestoreError;
    EXPECT_EQ(dir_.Read("src/U.pas"), kUnit);
    EXPECT_EQ(dir_.Read("src/U.dfm"), kForm);
  }
}

TEST_F(RestoreSafetyTest, AFormSavedAsReplacingStartsLeavesItsUnitToo) {
  BdeReplacer->OnReplacingOriginals = [this] { dir_.Write("src/U.dfm", kForm + std::string(" ")); };
  EXPECT_FALSE(BdeReplacer->Execute() && BdeReplacer->Report.FilesNotMigrated() == 0);
  BdeReplacer->OnReplacingOriginals = nullptr;
  EXPECT_EQ(dir_.Read("src/U.pas"), kUnit);
  std::string notes;
  for (const FileReport& f : BdeReplacer->Report.files) notes += f.path + ": " + f.note + "\n";
  EXPECT_NE(notes.find(Path("src/U.pas") + ": "), std::string::npos) << notes;
  EXPECT_NE(notes.find(Path("src/U.dfm") + ": "), std::string::npos) << notes;
}

// Restore is all or nothing: whichever of its operations fails after a run
// over the example (folder mode, every unit and form), every original keeps
// the text it had and nothing of the restore's own is left; once the fault
// is gone, the restore gives back every byte.
TEST(RestoreSweepTest, AFaultInAnyOperationOfARestoreLeavesEveryFileAsItWas) {
  ScratchDir dir;
  NXReplacerScope library;
  const auto originals = Snapshot(testing::CopyExample(dir, "app"));
  testing::UseFolderRun(*ReplaceOptions, dir / "app");
  ASSERT_TRUE(BdeReplacer->Execute());
  const std::string undo = BdeReplacer->UndoFilePath;
  const auto migrated = Snapshot(dir.path());
  std::vector<std::pair<std::string, std::string>> ops;
  {
    FaultyDisk disk;
    disk.on_op = [&ops](const char* op, const std::string& path) { ops.emplace_back(op, path); };
    testing::RunsOn scoped(*BdeReplacer, &disk);
    ASSERT_TRUE(BdeReplacer->RestoreFiles(undo)) << BdeReplacer->RestoreError;
  }
  ASSERT_GT(ops.size(), 20u);
  auto put = [&dir](const std::map<std::string, std::string>& files) {
    fs::remove_all(dir.path());
    for (const auto& [name, bytes] : files) dir.Write(name, bytes);
  };
  for (size_t k = 0; k < ops.size(); ++k) {
    put(migrated);
    const std::string what = std::string(ops[k].first) + " " + ops[k].second;
    FaultyDisk disk;
    size_t seen = 0;
    disk.fail_op = [&seen, k](const char*, const std::string&) { return seen++ == k; };
    bool ok = false;
    std::string error;
    {
      testing::RunsOn scoped(*BdeReplacer, &disk);
      try {
        ok = BdeReplacer->RestoreFiles(undo);
        error = BdeReplacer->RestoreError;
      } catch (const EFOpenError& e) {
        error = std::string(e.what()) + " nothing was restored";  // the undo file itself
      }
    }
    if (!ok) {
      EXPECT_EQ(Snapshot(dir.path()), migrated) << what << ": " << error;
      EXPECT_NE(error.find("nothing was restored"), std::string::npos) << what << ": " << error;
      EXPECT_TRUE(BdeReplacer->RestoreFiles(undo)) << what << ": " << BdeReplacer->RestoreError;
    }
    for (const auto& [name, bytes] : originals)
      EXPECT_EQ(dir.Read("app/" + name), bytes) << what << ": " << name;
  }
  std::printf("restore operations failed in turn: %zu\n", ops.size());
}

}  // namespace
}  // namespace tolvern
