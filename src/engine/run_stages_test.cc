// The stages of a run on their own: the plan of files, the groups of files
// that go together, the check of originals and the commit.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/originals_check.h"
#include "engine/run_commit.h"
#include "engine/run_files.h"
#include "engine/run_planner.h"
#include "files/file_utils.h"
#include "platform/memory_disk.h"
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
      // The project file comes after the units.
      {"B.pas\r\nA.pas\r\n", {"/p/A.pas", "/p/B.pas"}, {"/p/B.pas", "/p/A.pas", "/p/App.dpr"}},
      // Two units of one name in two folders are both found, in order.
      {"u.pas\r\nU.PAS\r\n",
       {"/p/a/U.pas", "/p/b/u.pas"},
       {"/p/a/U.pas", "/p/b/u.pas", "/p/App.dpr"}},
      // A chosen name that is no module is refused, never looked for elsewhere.
      {"Gone.pas\r\nA.pas\r\n", {"/p/A.pas"}, {"!Gone.pas", "/p/A.pas", "/p/App.dpr"}},
      // Only units are modules a run migrates.
      {"A.dfm\r\n", {"/p/A.dfm"}, {"!A.dfm", "/p/App.dpr"}},
      // Some units chosen: the project file is migrated all the same.
      {"", {"/p/A.pas"}, {"/p/App.dpr"}},
  };
  RealDisk disk;
  for (const Case& c : cases) {
    TReplaceOptions options("BDE/ADO");
    options.Dest = RunSource::kProject;
    options.Units = c.units;
    FakeProject project(c.modules);
    std::vector<std::string> got;
    for (const PlannedFile& f : RunPlanner(disk, options, &project).Plan())
      got.push_back(f.refused.empty() ? f.path : "!" + f.path);
    EXPECT_EQ(got, c.expected) << c.units;
  }
  // Without a project every chosen unit is refused.
  TReplaceOptions options("BDE/ADO");
  options.Units = "A.pas\r\n";
  std::vector<PlannedFile> plan = RunPlanner(disk, options, nullptr).Plan();
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
  RealDisk disk;
  for (bool recursive : {false, true}) {
    TReplaceOptions options("BDE/ADO");
    testing::UseFolderRun(options, dir / "app");
    options.IncludeSubDirs = recursive;
    std::vector<std::string> got;
    for (const PlannedFile& f : RunPlanner(disk, options, nullptr).Plan()) {
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
  std::vector<PlannedFile> plan = RunPlanner(disk, options, nullptr).Plan();
  ASSERT_EQ(plan.size(), 1u);
  EXPECT_FALSE(plan[0].in_run);
  EXPECT_NE(plan[0].refused.find("cannot be listed"), std::string::npos) << plan[0].refused;
}

// A disk that lists each folder in the reverse of its memory order, as a
// file system with an order of its own may.
class ReversedListing : public MemoryDisk {
 public:
  bool List(const std::string& folder, std::vector<DirEntry>* entries,
            std::string* error = nullptr) override {
    if (!MemoryDisk::List(folder, entries, error)) return false;
    std::reverse(entries->begin(), entries->end());
    return true;
  }
};

TEST(RunPlannerTest, FolderModeTakesEachFolderByNameWithCaseIgnored) {
  // The same tree, whatever order the system lists it in, gives one plan:
  // by name, letter case ignored, a sub-folder where its name falls.
  std::vector<std::string> expected = {"a.pas", "B/x.pas", "b.pas", "c.DPR", "D.pas"};
  for (std::string& e : expected) e = NativeSeparators(e);
#ifdef _WIN32
  const std::string root = "C:\\app";
#else
  const std::string root = "/app";
#endif
  for (bool reversed : {false, true}) {
    MemoryDisk plain;
    ReversedListing backwards;
    Disk& disk = reversed ? static_cast<Disk&>(backwards) : plain;
    for (const std::string& d : {root, PathJoin(root, "B")}) disk.CreateDir(d, nullptr);
    for (const char* f : {"D.pas", "c.DPR", "b.pas", "a.pas", "B/x.pas"})
      ASSERT_TRUE(disk.WriteFile(PathJoin(root, NativeSeparators(f)), "", nullptr)) << f;
    TReplaceOptions options("BDE/ADO");
    options.Dest = RunSource::kFolder;
    options.Directory = root;
    options.IncludeSubDirs = true;
    std::vector<std::string> got;
    for (const PlannedFile& f : RunPlanner(disk, options, nullptr).Plan())
      got.push_back(f.path.substr(root.size() + 1));
    EXPECT_EQ(got, expected) << reversed;
  }
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

// A disk in memory on which other programs hold some files open, as an
// editor that shares a file for reading only: such a file cannot be
// replaced, and a copy back over a replaced one fails too (a disk that
// has just filled up), so that a pair split half way would stay split.
class HeldFiles : public MemoryDisk {
 public:
  std::set<std::string> held;
  bool copies_fail = false;

  bool CanReplace(const std::string& path, std::string* error) override {
    if (!held.count(path)) return true;
    if (error) *error = "The process cannot access the file because it is being used";
    return false;
  }
  bool MoveFile(const std::string& from, const std::string& to, std::string* error) override {
    std::string why;
    if (!CanReplace(to, &why)) {
      if (error) *error = why;
      return false;
    }
    return MemoryDisk::MoveFile(from, to, error);
  }
  bool CopyFile(const std::string& from, const std::string& to, std::string* error) override {
    if (copies_fail) {
      if (error) *error = "No space left on device";
      return false;
    }
    return MemoryDisk::CopyFile(from, to, error);
  }
};

// A run's files as the rewriting leaves them: each original read, its
// rewritten copy in the work folder; on the real disk or in memory.
class StagedRun {
#ifdef _WIN32
  static constexpr const char* kMemoryRoot = "C:\\work";
#else
  static constexpr const char* kMemoryRoot = "/work";
#endif

 public:
  explicit StagedRun(bool in_memory)
      : disk(in_memory ? static_cast<Disk&>(memory_) : real_),
        root_(in_memory ? kMemoryRoot : scratch_.path()) {}

  std::string Path(const std::string& rel) const { return PathJoin(root_, NativeSeparators(rel)); }
  std::string Write(const std::string& rel, const std::string& bytes) {
    const std::string path = Path(rel);
    EXPECT_TRUE(CreateFolderPath(disk, ExtractFileDir(path)));
    EXPECT_TRUE(disk.WriteFile(path, bytes, nullptr)) << path;
    return path;
  }
  std::string Read(const std::string& rel) {
    std::string bytes;
    return disk.ReadFile(Path(rel), &bytes, nullptr) ? bytes : "<missing>";
  }
  int Stage(const std::string& name, const std::string& text) {
    const std::string original = Write("app/" + name, text);
    const int i = files.Add(paths, original);
    disk.Stat(original, &files[i].read);
    files[i].changed = true;
    files[i].work_path = Write("work/" + name, "new " + text);
    return i;
  }

 private:
  ScratchDir scratch_;
  RealDisk real_;
  HeldFiles memory_;

 public:
  Disk& disk;
  // The disk in memory (for a run made in memory).
  HeldFiles& memory() { return memory_; }
  StringList paths;
  RunFiles files;
  std::vector<std::pair<int, std::string>> skipped;
  SkipFileFn skip = [this](int i, const std::string& why) {
    files[i].skipped = true;
    skipped.emplace_back(i, why);
  };

 private:
  std::string root_;
};

// Each stage reads and writes through the disk it is given.
class RunStageTest : public ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(RealAndInMemory, RunStageTest, ::testing::Bool());

TEST_P(RunStageTest, AnOriginalSavedSinceTakesItsGroupOut) {
  for (int threads : {1, 3}) {
    StagedRun run(GetParam());
    const int unit = run.Stage("U.pas", "unit");
    const int form = run.Stage("U.dfm", "form");
    const int other = run.Stage("V.pas", "other");
    run.files.JoinGroups(unit, form);
    run.Write("app/U.dfm", "saved by an editor, longer than before");
    OriginalsCheck check(run.disk, run.paths, run.files, run.skip);
    check.LeaveOutChanged(threads);
    check.KeepGroupsTogether();
    ASSERT_EQ(run.skipped.size(), 2u) << threads;
    EXPECT_EQ(run.skipped[0].first, form);
    EXPECT_EQ(run.skipped[1].first, unit);
    EXPECT_NE(run.skipped[1].second.find(run.paths[form]), std::string::npos);
    EXPECT_FALSE(run.files[other].skipped);
  }
}

TEST_P(RunStageTest, CommitBacksUpWritesTheUndoFileAndReplaces) {
  StagedRun run(GetParam());
  const int a = run.Stage("A.pas", "a");
  const int b = run.Stage("B.pas", "b");
  run.Write("app/RBackup/A.~pas", "an earlier run's backup");
  TReplaceOptions options("BDE/ADO");
  options.Dest = RunSource::kProject;
  options.BackupDir = run.Path("app/RBackup");
  std::vector<std::string> log;
  RunCommit commit(run.disk, options, run.paths, run.files,
                   {[&log](const std::string& l) { log.push_back(l); }, run.skip,
                    [](const std::string&, const std::string&) { FAIL(); }});
  commit.BackupOriginals();
  commit.WriteUndoFile();
  ASSERT_TRUE(commit.ReplaceOriginals(1, true));
  EXPECT_EQ(run.Read("app/A.pas"), "new a");
  EXPECT_EQ(run.Read("app/B.pas"), "new b");
  // The earlier backup is kept; this run's takes the next number.
  EXPECT_EQ(run.Read("app/RBackup/A.~pas"), "an earlier run's backup");
  EXPECT_EQ(run.Read("app/RBackup/A.2.~pas"), "a");
  EXPECT_EQ(commit.Outcome().undo_file, run.Path("app/RBackup/ZUvezod.reu"));
  EXPECT_EQ(run.Read("app/RBackup/ZUvezod.reu"),
            "#folder=" + run.Path("app") + "\r\n" + run.paths[a] + "=" +
                run.Path("app/RBackup/A.2.~pas") + "\r\n" + run.paths[b] + "=" +
                run.Path("app/RBackup/B.~pas") + "\r\n");
  EXPECT_TRUE(run.files[a].replaced && run.files[b].replaced);
}

TEST_P(RunStageTest, AnOriginalSavedBeforeItsRenameIsKeptAndLeftOutOfTheUndoFile) {
  StagedRun run(GetParam());
  const int a = run.Stage("A.pas", "a");
  run.Stage("B.pas", "b");
  TReplaceOptions options("BDE/ADO");
  options.Dest = RunSource::kProject;
  options.BackupDir = run.Path("app/RBackup");
  ASSERT_TRUE(CreateFolderPath(run.disk, options.BackupDir));
  RunCommit commit(run.disk, options, run.paths, run.files,
                   {[](const std::string&) {}, run.skip,
                    [](const std::string&, const std::string&) { FAIL(); }});
  commit.BackupOriginals();
  commit.WriteUndoFile();
  run.Write("app/A.pas", "saved by its user meanwhile");
  EXPECT_TRUE(commit.ReplaceOriginals(1, true));
  EXPECT_EQ(run.Read("app/A.pas"), "saved by its user meanwhile");
  ASSERT_EQ(run.skipped.size(), 1u);
  EXPECT_EQ(run.skipped[0].first, a);
  EXPECT_EQ(run.Read("app/RBackup/ZUvezod.reu"), "#folder=" + run.Path("app") + "\r\n" +
                                                     run.Path("app/B.pas") + "=" +
                                                     run.Path("app/RBackup/B.~pas") + "\r\n");
  EXPECT_EQ(run.Read("app/RBackup/A.~pas"), "<missing>");
}

// A file another program holds open so that it cannot be replaced is found
// before any file of its group is: the unit and its form are both left as
// they are, the held one named with the system's reason and its partner
// with it, and neither is in the undo file. Were the unit replaced first,
// the form's failure would split the pair, with no way to put the unit back.
TEST(RunCommitTest, AFileHeldOpenKeepsItsWholeGroupAsItIs) {
  for (bool form_held : {true, false}) {
    StagedRun run(true);
    const int unit = run.Stage("U.pas", "unit");
    const int form = run.Stage("U.dfm", "form");
    const int other = run.Stage("V.pas", "other");
    run.files.JoinGroups(unit, form);
    const int held = form_held ? form : unit;
    run.memory().held.insert(run.paths[held]);
    run.memory().copies_fail = true;
    TReplaceOptions options("BDE/ADO");
    options.Dest = RunSource::kProject;
    options.BackupDir = run.Path("app/RBackup");
    ASSERT_TRUE(CreateFolderPath(run.disk, options.BackupDir));
    std::vector<std::string> not_migrated;
    RunCommit commit(run.disk, options, run.paths, run.files,
                     {[](const std::string&) {}, run.skip,
                      [&not_migrated](const std::string& path, const std::string& why) {
                        not_migrated.push_back(path + ": " + why);
                      }});
    commit.BackupOriginals();
    commit.WriteUndoFile();
    EXPECT_TRUE(commit.ReplaceOriginals(1, true));
    EXPECT_TRUE(not_migrated.empty()) << not_migrated.front();
    EXPECT_EQ(run.Read("app/U.pas"), "unit") << form_held;
    EXPECT_EQ(run.Read("app/U.dfm"), "form") << form_held;
    EXPECT_EQ(run.Read("app/V.pas"), "new other");
    ASSERT_EQ(run.skipped.size(), 2u) << form_held;
    std::map<int, std::string> why(run.skipped.begin(), run.skipped.end());
    EXPECT_NE(why[held].find("another program holds it open"), std::string::npos) << why[held];
    EXPECT_NE(why[held].find("being used"), std::string::npos) << why[held];
    const int partner = held == unit ? form : unit;
    EXPECT_NE(why[partner].find(run.paths[held]), std::string::npos) << why[partner];
    EXPECT_FALSE(run.files[other].skipped);
    EXPECT_EQ(run.Read("app/RBackup/ZUvezod.reu"), "#folder=" + run.Path("app") + "\r\n" +
                                                       run.paths[other] + "=" +
                                                       run.Path("app/RBackup/V.~pas") + "\r\n");
  }
}

}  // namespace
}  // namespace tolvern
