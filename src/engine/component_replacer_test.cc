#include "engine/component_replacer.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "base/errors.h"
#include "engine/nx_replacer.h"
#include "engine/run_context.h"
#include "engine/run_test_fixture.h"
#include "files/file_utils.h"
#include "files/log_writer.h"
#include "ide/project_host.h"
#include "platform/shell.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::kUsesBde;
using testing::LogWithoutTimestamp;
using testing::RunTest;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;

const char kPlain[] = "unit P;\r\ninterface\r\nvar I: Integer;\r\nend.\r\n";
// A unit whose code uses the BDE session: a place for the to-do list.
const char kUsesSession[] =
    "unit U;\r\ninterface\r\nuses DBTables;\r\nimplementation\r\nprocedure P;\r\nbegin\r\n"
    "  Session.Close;\r\nend;\r\nend.\r\n";

std::string Lines(std::initializer_list<std::string> lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n\r\n";
  return s;
}

TEST_F(RunTest, FolderModeWithSubFolders) {
  dir_.Write("src/Plain.pas", kPlain);
  dir_.Write("src/Sub/U.pas", kUsesBde);
  dir_.Write("src/Sub/App.DPR", "program App;\r\nuses DBTables;\r\nbegin end.\r\n");
  dir_.Write("src/notes.txt", "TTable");
  auto before = Snapshot(dir_ / "src");

  ASSERT_TRUE(BdeReplacer->Execute());

  std::string u = dir_ / "src/Sub/U.pas";
  std::string app = dir_ / "src/Sub/App.DPR";
  EXPECT_EQ(dir_.Read("src/Sub/U.pas"),
            "unit U;\r\ninterface\r\nuses DBTables, NXAccess, NXOleAccess, NXOleC, NXOleIntf, "
            "KTBaseAccess, KTRowCache;\r\nvar T: TNXTable;\r\nend.\r\n");
  EXPECT_EQ(dir_.Read("src/Plain.pas"), kPlain);
  EXPECT_EQ(dir_.Read("src/notes.txt"), "TTable");
  // Backups in the mirrored sub-folder, with ".~" names, byte for byte.
  EXPECT_EQ(dir_.Read("src/RBackup/Sub/U.~pas"), kUsesBde);
  EXPECT_EQ(dir_.Read("src/RBackup/Sub/App.~DPR"), before["Sub/App.DPR"]);
  EXPECT_FALSE(fs::exists(dir_ / "src/RBackup/Plain.~pas"));
  // The undo file lists every backup, CR LF after each line, in run order.
  std::string undo = dir_.Read("src/RBackup/ZUvezod.reu");
  std::string bu = dir_ / "src/RBackup/Sub/U.~pas";
  std::string bapp = dir_ / "src/RBackup/Sub/App.~DPR";
  size_t u_at = undo.find(u + "=" + bu + "\r\n");
  size_t app_at = undo.find(app + "=" + bapp + "\r\n");
  EXPECT_NE(u_at, std::string::npos) << undo;
  EXPECT_NE(app_at, std::string::npos) << undo;
  // First the folders the run wrote in, so that restore writes nowhere else.
  const std::string folders = "#folder=" + (dir_ / "src/Sub") + "\r\n";
  EXPECT_EQ(undo.size(), (folders + u + "=" + bu + "\r\n" + app + "=" + bapp + "\r\n").size());
  EXPECT_TRUE(undo.starts_with(folders)) << undo;
  // The work folder is gone.
  EXPECT_TRUE(TempFolders().empty());

  std::string log = LogWithoutTimestamp(dir_.Read("src/Wiz_Log.txt"));
  // The folder walk's order is the system's; check the lines per file.
  for (const std::string& expected :
       {Lines({"Processing file: " + u, "2 change(s)"}),
        Lines({"Processing file: " + app, "1 change(s)"}),
        Lines({"Processing file: " + (dir_ / "src/Plain.pas"), "No changes"})})
    EXPECT_NE(log.find(expected), std::string::npos) << expected << "\n---\n" << log;
  EXPECT_EQ(log.rfind(Lines({"BDE/ADO Migration Wizard log", "Initializing unit list",
                             "Creating backup folder", "Allocating temporary folder"}),
                      0),
            0u)
      << log;
  EXPECT_TRUE(log.ends_with(
      Lines({"Replacing original files with changed versions",
             "Backup file: " + (dir_ / "src/RBackup/ZUvezod.reu"), "Removing temporary folder",
             "Replace procedure was performed sucessfully."})))
      << log;

  // Restoring puts every original back byte for byte.
  ASSERT_TRUE(BdeReplacer->RestoreFiles(dir_ / "src/RBackup/ZUvezod.reu"));
  auto after = Snapshot(dir_ / "src");
  for (const auto& [path, bytes] : before) EXPECT_EQ(after[path], bytes) << path;
}

TEST_F(RunTest, WithoutSubFoldersOnlyTopLevelIsWalked) {
  options().IncludeSubDirs = false;
  dir_.Write("src/Sub/U.pas", kUsesBde);
  dir_.Write("src/Top.pas", kUsesBde);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(dir_.Read("src/Sub/U.pas"), kUsesBde);
  EXPECT_NE(dir_.Read("src/Top.pas"), kUsesBde);
}

TEST_F(RunTest, NothingChangedGivesNoUndoFileAndNoReplaceLine) {
  dir_.Write("src/Plain.pas", kPlain);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_FALSE(fs::exists(dir_ / "src/RBackup/ZUvezod.reu"));
  EXPECT_EQ(BdeReplacer->UndoFilePath, "");
  std::string log = LogWithoutTimestamp(dir_.Read("src/Wiz_Log.txt"));
  EXPECT_EQ(log,
            Lines({"BDE/ADO Migration Wizard log", "Initializing unit list",
                   "Creating backup folder", "Allocating temporary folder",
                   "Processing file: " + (dir_ / "src/Plain.pas"), "No changes",
                   "Removing temporary folder", "Replace procedure was performed sucessfully."}));
}

TEST_F(RunTest, NoLogAndNoBackupLeaveNoTrace) {
  options().WriteLog = false;
  options().MakeBackup = false;
  options().ViewLog = true;  // no effect without a log
  int opened = 0;
  ScopedShellOpen shell([&opened](const std::string&) { ++opened; });
  dir_.Write("src/U.pas", kUsesBde);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_FALSE(fs::exists(dir_ / "src/Wiz_Log.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "src/RBackup"));
  EXPECT_EQ(opened, 0);
}

TEST_F(RunTest, ViewLogOpensTheLog) {
  options().ViewLog = true;
  std::vector<std::string> opened;
  ScopedShellOpen shell([&opened](const std::string& p) { opened.push_back(p); });
  dir_.Write("src/U.pas", kPlain);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(opened, std::vector<std::string>{dir_ / "src/Wiz_Log.txt"});
}

TEST_F(RunTest, TwoRunsInARowStartAfreshAndKeepTheEarlierUndoFile) {
  dir_.Write("src/U.pas", kUsesBde);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(BdeReplacer->ChangedCount, 1);
  dir_.Write("src/V.pas", "unit V; var Q: TQuery; end.");
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(BdeReplacer->ChangedCount, 1);
  EXPECT_EQ(BdeReplacer->UndoList.Count(), 1);
  EXPECT_EQ(BdeReplacer->UndoFilePath, dir_ / "src/RBackup/ZUvezod.2.reu");
  EXPECT_EQ(BdeReplacer->EarlierUndoFile, dir_ / "src/RBackup/ZUvezod.reu");
  const std::string folder = "#folder=" + (dir_ / "src") + "\r\n";
  EXPECT_EQ(dir_.Read("src/RBackup/ZUvezod.reu"),
            folder + (dir_ / "src/U.pas") + "=" + (dir_ / "src/RBackup/U.~pas") + "\r\n");
  EXPECT_EQ(dir_.Read("src/RBackup/ZUvezod.2.reu"),
            folder + (dir_ / "src/V.pas") + "=" + (dir_ / "src/RBackup/V.~pas") + "\r\n");
  EXPECT_EQ(BdeReplacer->UnitList.Count(), 0);
}

TEST_F(RunTest, ARunThatStopsBeforeItStartsLeavesTheEarlierLogAsItWas) {
  dir_.Write("src/U.pas", kUsesBde);
  dir_.Write("src/Wiz_Log.txt", "the earlier run's log");
  dir_.Write("taken", "a file where the backup folder's parent should be");
  options().BackupDir = dir_ / "taken/RBackup";
  EXPECT_THROW(BdeReplacer->Execute(), EFCreateError);
  EXPECT_EQ(dir_.Read("src/Wiz_Log.txt"), "the earlier run's log");
  // A run that starts writes its own log, with the lines from before it
  // started in their place.
  options().BackupDir = dir_ / "src/RBackup";
  ASSERT_TRUE(BdeReplacer->Execute());
  const std::string log = LogWithoutTimestamp(dir_.Read("src/Wiz_Log.txt"));
  EXPECT_TRUE(log.starts_with(
      Lines({"BDE/ADO Migration Wizard log", "Initializing unit list", "Creating backup folder",
             "Allocating temporary folder", "Processing file: " + (dir_ / "src/U.pas")})))
      << log;
}

TEST_F(RunTest, ARunWithNothingToDoSaysSoAndLeavesTheEarlierRunsFiles) {
  dir_.Write("src/notes.txt", "TTable");
  dir_.Write("src/Wiz_Log.txt", "earlier log");
  dir_.Write("src/Wiz_Todo.txt", "earlier list");
  options().ViewLog = true;
  int opened = 0;
  ScopedShellOpen shell([&opened](const std::string&) { ++opened; });
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_TRUE(BdeReplacer->NothingToDo);
  EXPECT_EQ(dir_.Read("src/Wiz_Log.txt"), "earlier log");
  EXPECT_EQ(dir_.Read("src/Wiz_Todo.txt"), "earlier list");
  EXPECT_FALSE(fs::exists(dir_ / "src/RBackup"));
  EXPECT_EQ(BdeReplacer->UndoFilePath, "");
  EXPECT_EQ(BdeReplacer->TodoFilePath, "");
  EXPECT_EQ(opened, 0);  // there is no log of this run to show
  EXPECT_TRUE(TempFolders().empty());
  // A folder with a unit has something to do again.
  dir_.Write("src/P.pas", kPlain);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_FALSE(BdeReplacer->NothingToDo);
  EXPECT_NE(dir_.Read("src/Wiz_Log.txt"), "earlier log");
}

TEST_F(RunTest, EachRunKeepsItsToDoListUnderANumberAndTheLatestUnderTheKnownName) {
  dir_.Write("src/U.pas", kUsesSession);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(BdeReplacer->TodoFilePath, dir_ / "src/Wiz_Todo.1.txt");
  const std::string first = dir_.Read("src/Wiz_Todo.1.txt");
  EXPECT_NE(first.find("Session"), std::string::npos) << first;
  EXPECT_EQ(dir_.Read("src/Wiz_Todo.txt"), first);
  // A second run, which changes nothing, lists nothing of the first.
  ASSERT_TRUE(AdoReplacer->Execute());
  EXPECT_EQ(AdoReplacer->TodoFilePath, dir_ / "src/Wiz_Todo.2.txt");
  const std::string second = dir_.Read("src/Wiz_Todo.2.txt");
  EXPECT_EQ(second.find("Session"), std::string::npos) << second;
  EXPECT_EQ(dir_.Read("src/Wiz_Todo.txt"), second);
  EXPECT_EQ(dir_.Read("src/Wiz_Todo.1.txt"), first);
  // Without a log there is no list on disk.
  options().WriteLog = false;
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(BdeReplacer->TodoFilePath, "");
  EXPECT_FALSE(fs::exists(dir_ / "src/Wiz_Todo.3.txt"));
}

TEST_F(RunTest, TheFileCountIsToldOnceTheUnitsHaveNamedTheirForms) {
  const std::string form = "object F: TForm\r\n  object T: TTable\r\n  end\r\nend\r\n";
  for (int jobs : {1, 3}) {
    SCOPED_TRACE(jobs);
    ScratchDir dir;
    testing::UseFolderRun(options(), dir / "src");
    options().Jobs = jobs;
    for (const char* name : {"A", "B"}) {
      dir.Write(std::string("src/") + name + ".pas",
                std::string("unit ") + name +
                    ";\r\ninterface\r\nuses DBTables;\r\nimplementation\r\n{$R *.DFM}\r\nend.\r\n");
      dir.Write(std::string("src/") + name + ".dfm", form);
    }
    dir.Write("src/C.pas", kPlain);
    std::vector<std::pair<int, int>> progress;  // index, count
    int told = 0, known = -1, told_at = -1;
    BdeReplacer->OnProgress = [&](int i, int n, const std::string&) { progress.push_back({i, n}); };
    BdeReplacer->OnFileCountKnown = [&](int n) {
      ++told, known = n, told_at = static_cast<int>(progress.size());
    };
    ASSERT_TRUE(BdeReplacer->Execute());
    BdeReplacer->OnProgress = nullptr;
    BdeReplacer->OnFileCountKnown = nullptr;
    EXPECT_EQ(told, 1);
    EXPECT_EQ(known, 5);  // three units and the two forms they name
    ASSERT_EQ(progress.size(), 5u);
    EXPECT_EQ(told_at, 3);  // after the units, before the first form
    for (size_t i = static_cast<size_t>(told_at); i < progress.size(); ++i)
      EXPECT_EQ(progress[i].second, known);
  }
  options().Jobs = 1;
}

TEST_F(RunTest, BackupsKeepTheOriginalContentAndPermissionsStay) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no POSIX permission bits (the read-only attribute "
                  "is tested on its own)";
#endif
  std::string u = dir_.Write("src/U.pas", kUsesBde);
  fs::permissions(u, fs::perms::owner_read | fs::perms::owner_write | fs::perms::owner_exec);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(dir_.Read("src/RBackup/U.~pas"), kUsesBde);
  EXPECT_NE(dir_.Read("src/U.pas"), kUsesBde);
  EXPECT_EQ(fs::status(u).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::owner_exec);
}

TEST_F(RunTest, FolderWalkDoesNotFollowLinks) {
  TOLVERN_SKIP_WITHOUT_SYMLINKS(dir_);
  dir_.Write("src/U.pas", kPlain);
  dir_.Write("outside/O.pas", kUsesBde);
  fs::create_directory_symlink(dir_ / "outside", dir_ / "src/link");
  fs::create_directory_symlink(dir_ / "src", dir_ / "src/loop");
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(dir_.Read("outside/O.pas"), kUsesBde);
}

// Project mode: only the chosen units, in the project's order.
class ProjectRunTest : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    options().Dest = RunSource::kProject;
    options().BackupDir = dir_ / "app/RBackup";
    dir_.Write("app/A.pas", kUsesBde);
    dir_.Write("app/lib/b.PAS", kUsesBde);
    dir_.Write("app/C.pas", kUsesBde);
    dir_.Write(
        "app/App.dpr",
        "program App;\r\nuses\r\n  Forms,\r\n  C in 'C.pas',\r\n  B in 'lib\\B.pas' {Form},\r\n"
        "  A in 'A.pas';\r\nbegin\r\nend.\r\n");
    host_.Load(dir_ / "app/App.dpr");
  }
  ProjectHost host_;
  ScopedIdeServices services_{&host_};
};

TEST_F(ProjectRunTest, ConvertsOnlyChosenUnitsInOrder) {
  options().Units = "C.pas\r\nb.pas\r\n";
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(dir_.Read("app/A.pas"), kUsesBde);
  EXPECT_NE(dir_.Read("app/C.pas"), kUsesBde);
  EXPECT_NE(dir_.Read("app/lib/b.PAS"), kUsesBde);
  EXPECT_EQ(dir_.Read("app/RBackup/b.~PAS"), kUsesBde);
  EXPECT_EQ(dir_.Read("app/RBackup/ZUvezod.reu"),
            "#folder=" + (dir_ / "app") + "\r\n#folder=" + (dir_ / "app/lib") + "\r\n" +
                (dir_ / "app/C.pas") + "=" + (dir_ / "app/RBackup/C.~pas") + "\r\n" +
                (dir_ / "app/lib/b.PAS") + "=" + (dir_ / "app/RBackup/b.~PAS") + "\r\n");
  std::string log = dir_.Read("app/Wiz_Log.txt");
  size_t c = log.find("Processing file: " + (dir_ / "app/C.pas"));
  size_t b = log.find("Processing file: " + (dir_ / "app/lib/b.PAS"));
  EXPECT_NE(c, std::string::npos);
  EXPECT_NE(b, std::string::npos);
  EXPECT_LT(c, b);
  EXPECT_EQ(log.find("A.pas"), std::string::npos);
}

// What the run reaches outside itself comes from its context: the project of
// a project-mode run (no environment is installed here), the clock of the
// log's time stamp and the viewer that shows the finished log.
class ContextProject : public ProjectModules {
 public:
  explicit ContextProject(std::string unit) : unit_(std::move(unit)) {}
  std::string ProjectFileName() override { return ExtractFilePath(unit_) + "App.dpr"; }
  int ProjectModuleCount() override { return 1; }
  std::string ProjectModuleFileName(int) override { return unit_; }

 private:
  std::string unit_;
};

TEST_F(RunTest, TheContextGivesTheProjectTheClockAndTheViewer) {
  const std::string unit = dir_.Write("app/U.pas", kUsesBde);
  ContextProject project(unit);
  std::vector<std::string> shown;
  TComponentReplacer& r = *BdeReplacer;
  r.Context.project = &project;
  r.Context.clock = [] { return std::time_t{981173106}; };  // 2001-02-03 04:05:06 UTC
  r.Context.open_document = [&shown](const std::string& path) { shown.push_back(path); };
  options().Dest = RunSource::kProject;
  options().Units = "U.pas\r\n";
  options().BackupDir = dir_ / "app/RBackup";
  options().ViewLog = true;
  const bool ok = r.Execute();
  r.Context = RunContext{};
  ASSERT_TRUE(ok);
  EXPECT_NE(dir_.Read("app/U.pas"), kUsesBde);
  EXPECT_EQ(shown, std::vector<std::string>{dir_ / "app/Wiz_Log.txt"});
  std::time_t when = 981173106;
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &when);
#else
  localtime_r(&when, &local);
#endif
  EXPECT_NE(dir_.Read("app/Wiz_Log.txt").find(TLogWriter::FormatTimestamp(local)),
            std::string::npos);
  // Without the context's project, a project-mode run finds no such unit.
  options().ViewLog = false;
  options().WriteLog = false;
  dir_.Write("app/U.pas", kUsesBde);
  EXPECT_TRUE(r.Execute());
  EXPECT_EQ(r.Report.FilesNotMigrated(), 1);
  EXPECT_EQ(dir_.Read("app/U.pas"), kUsesBde);
}

}  // namespace
}  // namespace tolvern
