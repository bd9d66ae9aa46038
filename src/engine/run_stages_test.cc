// The stages of a run on their own: the plan of files, the groups of files
// that go together, the check of originals and the commit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/originals_check.h"
#include "engine/run_commit.h"
#include "engine/run_files.h"
#include "engine/run_planner.h"
#include "files/file_utils.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

class FakeProject : public ProjectModules {
 public:
  explicit FakeProject(std::vector<std::string> modules) : modules_(std::move(modules)) {}
  std::string ProjectFileName() override { return "/p/App.dpr"; }
  int ProjectModuleCount() override { return static_cast<int>(modules_.size()); }
  std::string ProjectModuleFileName(int i) override { return modules_[static_cast<size_t>(i)]; }

 private:
  std::vector<std::string> modules_;
};

TEST(RunPlannerTest, ProjectUnitsTakeTheNextModuleOfTheirName) {
  struct Case {
    const char* units;
    std::vector<std::string> modules;
    std::vector<std::string> expected;  // path, or "!path" for a refused one
  } cases[] = {
      {"B.pas\r\nA.pas\r\n", {"/p/A.pas", "/p/B.pas"}, {"/p/B.pas", "/p/A.pas"}},
      // Two units of one name in two folders are both found, in order.
      {"u.pas\r\nU.PAS\r\n", {"/p/a/U.pas", "/p/b/u.pas"}, {"/p/a/U.pas", "/p/b/u.pas"}},
      // A chosen name that is no module is refused, never looked for elsewhere.
      {"Gone.pas\r\nA.pas\r\n", {"/p/A.pas"}, {"!Gone.pas", "/p/A.pas"}},
      // Only units are modules a run migrates.
      {"A.dfm\r\n", {"/p/A.dfm"}, {"!A.dfm"}},
  };
  for (const Case& c : cases) {
    TReplaceOptions options("BDE/ADO");
    options.Dest = RunSource::kProject;
    options.Units = c.units;
    FakeProject project(c.modules);
    std::vector<std::string> got;
    for (const PlannedFile& f : RunPlanner(options, &project).Plan())
      got.push_back(f.refused.empty() ? f.path : "!" + f.path);
    EXPECT_EQ(got, c.expected) << c.units;
  }
  // Without a project every chosen unit is refused.
  TReplaceOptions options("BDE/ADO");
  options.Units = "A.pas\r\n";
  std::vector<PlannedFile> plan = RunPlanner(options, nullptr).Plan();
  ASSERT_EQ(plan.size(), 1u);
  EXPECT_FALSE(plan[0].refused.empty());
}

TEST(RunPlannerTest, FolderModeTakesUnitsAndProjectsBelowTheFolder) {
  ScratchDir dir;
  dir.Write("app/A.pas", "");
  dir.Write("app/App.DPR", "");
  dir.Write("app/A.dfm", "");
  dir.Write("app/notes.txt", "");
  dir.Write("app/sub/B.PAS", "");
  for (bool recursive : {false, true}) {
    TReplaceOptions options("BDE/ADO");
    testing::UseFolderRun(options, dir / "app");
    options.IncludeSubDirs = recursive;
    std::vector<std::string> got;
    for (const PlannedFile& f : RunPlanner(options, nullptr).Plan()) {
      EXPECT_TRUE(f.refused.empty() && f.in_run) << f.path;
      got.push_back(f.path.substr(dir.path().size()));
    }
    std::sort(got.begin(), got.end());
    std::vector<std::string> expected = {"/app/A.pas", "/app/App.DPR"};
    if (recursive) expected.push_back("/app/sub/B.PAS");
    for (std::string& e : expected) e = NativeSeparators(e);
    EXPECT_EQ(got, expected) << recursive;
  }
  // A folder that cannot be listed is named, not migrated.
  TReplaceOptions options("BDE/ADO");
  testing::UseFolderRun(options, dir / "missing");
  std::vector<PlannedFile> plan = RunPlanner(options, nullptr).Plan();
  ASSERT_EQ(plan.size(), 1u);
  EXPECT_FALSE(plan[0].in_run);
  EXPECT_NE(plan[0].refused.find("No such file"), std::string::npos) << plan[0].refused;
}

TEST(RunFilesTest, PathsAreAddedOnceAndGroupsJoin) {
  StringList paths;
  RunFiles files;
  EXPECT_EQ(files.Add(paths, "a"), 0);
  EXPECT_EQ(files.Add(paths, "b"), 1);
  EXPECT_EQ(files.Add(paths, "a"), 0);
  EXPECT_EQ(files.Add(paths, "c"), 2);
  EXPECT_EQ(files.Add(paths, "d"), 3);
  EXPECT_EQ(paths.Count(), 4);
  files.JoinGroups(0, 2);
  files.JoinGroups(3, 2);
  EXPECT_EQ(files.GroupOf(0), files.GroupOf(2));
  EXPECT_EQ(files.GroupOf(3), files.GroupOf(0));
  EXPECT_NE(files.GroupOf(1), files.GroupOf(0));
  // A list changed from outside a run: the records follow it.
  paths.Clear();
  paths.Add("x");
  EXPECT_EQ(files.Add(paths, "y"), 1);
  EXPECT_EQ(files.Count(), 2);
  EXPECT_NE(files.GroupOf(0), files.GroupOf(1));
}

// A run's files as the rewriting leaves them: each original read, its
// rewritten copy in the work folder.
struct StagedRun {
  ScratchDir dir;
  StringList paths;
  RunFiles files;
  std::vector<std::pair<int, std::string>> skipped;
  SkipFileFn skip = [this](int i, const std::string& why) {
    files[i].skipped = true;
    skipped.emplace_back(i, why);
  };

  int Stage(const std::string& name, const std::string& text) {
    const std::string original = dir.Write("app/" + name, text);
    const int i = files.Add(paths, original);
    CurrentDisk().Stat(original, &files[i].read);
    files[i].changed = true;
    files[i].work_path = dir.Write("work/" + name, "new " + text);
    return i;
  }
};

TEST(OriginalsCheckTest, AnOriginalSavedSinceTakesItsGroupOut) {
  for (int threads : {1, 3}) {
    StagedRun run;
    const int unit = run.Stage("U.pas", "unit");
    const int form = run.Stage("U.dfm", "form");
    const int other = run.Stage("V.pas", "other");
    run.files.JoinGroups(unit, form);
    run.dir.Write("app/U.dfm", "saved by an editor, longer than before");
    OriginalsCheck check(run.paths, run.files, run.skip);
    check.LeaveOutChanged(threads);
    check.KeepGroupsTogether();
    ASSERT_EQ(run.skipped.size(), 2u) << threads;
    EXPECT_EQ(run.skipped[0].first, form);
    EXPECT_EQ(run.skipped[1].first, unit);
    EXPECT_NE(run.skipped[1].second.find(run.paths[form]), std::string::npos);
    EXPECT_FALSE(run.files[other].skipped);
  }
}

TEST(RunCommitTest, BacksUpWritesTheUndoFileAndReplaces) {
  StagedRun run;
  const int a = run.Stage("A.pas", "a");
  const int b = run.Stage("B.pas", "b");
  run.dir.Write("app/RBackup/A.~pas", "an earlier run's backup");
  TReplaceOptions options("BDE/ADO");
  options.Dest = RunSource::kProject;
  options.BackupDir = run.dir / "app/RBackup";
  std::vector<std::string> log;
  RunCommit commit(options, run.paths, run.files,
                   {[&log](const std::string& l) { log.push_back(l); }, run.skip,
                    [](const std::string&, const std::string&) { FAIL(); }});
  commit.BackupOriginals();
  commit.WriteUndoFile();
  ASSERT_TRUE(commit.ReplaceOriginals(1, true));
  EXPECT_EQ(run.dir.Read("app/A.pas"), "new a");
  EXPECT_EQ(run.dir.Read("app/B.pas"), "new b");
  // The earlier backup is kept; this run's takes the next number.
  EXPECT_EQ(run.dir.Read("app/RBackup/A.~pas"), "an earlier run's backup");
  EXPECT_EQ(run.dir.Read("app/RBackup/A.2.~pas"), "a");
  EXPECT_EQ(commit.Outcome().undo_file, run.dir / "app/RBackup/ZUvezod.reu");
  EXPECT_EQ(run.dir.Read("app/RBackup/ZUvezod.reu"),
            run.paths[a] + "=" + (run.dir / "app/RBackup/A.2.~pas") + "\r\n" + run.paths[b] + "=" +
                (run.dir / "app/RBackup/B.~pas") + "\r\n");
  EXPECT_TRUE(run.files[a].replaced && run.files[b].replaced);
}

TEST(RunCommitTest, AnOriginalSavedBeforeItsRenameIsKeptAndLeftOutOfTheUndoFile) {
  StagedRun run;
  const int a = run.Stage("A.pas", "a");
  run.Stage("B.pas", "b");
  TReplaceOptions options("BDE/ADO");
  options.Dest = RunSource::kProject;
  options.BackupDir = run.dir / "app/RBackup";
  ASSERT_TRUE(ForceFolders(options.BackupDir));
  RunCommit commit(options, run.paths, run.files,
                   {[](const std::string&) {}, run.skip,
                    [](const std::string&, const std::string&) { FAIL(); }});
  commit.BackupOriginals();
  commit.WriteUndoFile();
  run.dir.Write("app/A.pas", "saved by its user meanwhile");
  EXPECT_TRUE(commit.ReplaceOriginals(1, true));
  EXPECT_EQ(run.dir.Read("app/A.pas"), "saved by its user meanwhile");
  ASSERT_EQ(run.skipped.size(), 1u);
  EXPECT_EQ(run.skipped[0].first, a);
  EXPECT_EQ(run.dir.Read("app/RBackup/ZUvezod.reu"),
            (run.dir / "app/B.pas") + "=" + (run.dir / "app/RBackup/B.~pas") + "\r\n");
  EXPECT_FALSE(CurrentDisk().FileExists(run.dir / "app/RBackup/A.~pas"));
}

}  // namespace
}  // namespace tolvern
