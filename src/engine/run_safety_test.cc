// Ways an original could be lost: links, repeated runs, same-named files,
// names the undo file cannot hold, concurrent runs and edits, partial runs.
// Each case ends with every original given back by restore.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "files/file_utils.h"
#include "ide/project_host.h"
#include "platform/path_lock.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tolvern {
namespace {

using testing::FaultyDisk;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;

const char kBde[] = "unit U;\r\ninterface\r\nuses DBTables;\r\nvar T: TTable;\r\nend.\r\n";

class RunSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::UseFolderRun(options(), dir_ / "src"); }
  TReplaceOptions& options() { return *ReplaceOptions; }
  // Restores the undo files newest first.
  void RestoreAll(const std::vector<std::string>& undo_files) {
    for (auto f = undo_files.rbegin(); f != undo_files.rend(); ++f)
      ASSERT_TRUE(BdeReplacer->RestoreFiles(*f)) << BdeReplacer->RestoreError;
  }
  std::vector<std::string> NotMigrated(const TComponentReplacer& r) {
    std::vector<std::string> paths;
    for (const FileReport& f : r.Report.files)
      if (f.outcome == FileOutcome::kSkipped) paths.push_back(ExtractFileName(f.path));
    return paths;
  }

  ScratchDir dir_;
  NXReplacerScope library_;
};

#ifndef _WIN32
TEST_F(RunSafetyTest, LinkedUnitsAreBackedUpByContentAndRestoredThroughTheLink) {
  dir_.Write("real/Abs.pas", kBde);
  dir_.Write("src/real/Rel.pas", kBde);
  dir_.Write("src/Plain.pas", "unit P;\r\n");
  fs::create_symlink(dir_ / "real/Abs.pas", dir_ / "src/Abs.pas");
  fs::create_symlink("real/Rel.pas", dir_ / "src/Rel.pas");
  fs::permissions(dir_ / "real/Abs.pas", fs::perms::owner_read | fs::perms::owner_write);
  options().IncludeSubDirs = false;
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_NE(dir_.Read("real/Abs.pas"), kBde);
  EXPECT_TRUE(fs::is_symlink(dir_ / "src/Abs.pas"));
  // The file behind the link keeps its permissions.
  EXPECT_EQ(fs::status(dir_ / "real/Abs.pas").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  for (const char* backup : {"src/RBackup/Abs.~pas", "src/RBackup/Rel.~pas"}) {
    EXPECT_FALSE(fs::is_symlink(dir_ / backup)) << backup;
    EXPECT_EQ(dir_.Read(backup), kBde) << backup;
  }
  RestoreAll({BdeReplacer->UndoFilePath});
  EXPECT_EQ(dir_.Read("real/Abs.pas"), kBde);
  EXPECT_EQ(dir_.Read("src/real/Rel.pas"), kBde);
  EXPECT_TRUE(fs::is_symlink(dir_ / "src/Abs.pas"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "src/Rel.pas"));
}
#endif

TEST_F(RunSafetyTest, RepeatedRunsKeepEveryBackupAndNeverRepeatAUnit) {
  const std::string both =
      "unit U;\r\ninterface\r\nuses DBTables, ADODB;\r\nvar T: TTable; C: "
      "TADOConnection;\r\nend.\r\n";
  dir_.Write("src/U.pas", both);
  auto original = Snapshot(dir_ / "src");
  std::vector<std::string> undo_files;
  for (TComponentReplacer* r : {BdeReplacer, AdoReplacer, BdeReplacer}) {
    ASSERT_TRUE(r->Execute());
    undo_files.push_back(r->UndoFilePath);
  }
  // The third run changed nothing and wrote no undo file.
  EXPECT_EQ(undo_files, (std::vector<std::string>{dir_ / "src/RBackup/ZUvezod.reu",
                                                  dir_ / "src/RBackup/ZUvezod.2.reu", ""}));
  EXPECT_EQ(BdeReplacer->EarlierUndoFile, "");
  EXPECT_FALSE(fs::exists(dir_ / "src/RBackup/ZUvezod.3.reu"));
  undo_files.pop_back();
  EXPECT_EQ(AdoReplacer->EarlierUndoFile, dir_ / "src/RBackup/ZUvezod.reu");
  EXPECT_EQ(dir_.Read("src/RBackup/U.~pas"), both);
  // Each Nexa unit once, after both source units.
  std::string migrated = dir_.Read("src/U.pas");
  for (const char* unit : {"NXAccess", "NXOleAccess", "KTRowCache"})
    EXPECT_EQ(migrated.find(unit), migrated.rfind(unit)) << migrated;
  EXPECT_NE(migrated.find("uses DBTables, NXAccess"), std::string::npos) << migrated;
  EXPECT_NE(migrated.find("TNXConnection"), std::string::npos) << migrated;
  RestoreAll(undo_files);
  EXPECT_EQ(Snapshot(dir_ / "src").at("U.pas"), original.at("U.pas"));
}

TEST_F(RunSafetyTest, SameNamedFilesEachHaveTheirOwnPlace) {
  dir_.Write("app/a/Common.pas", kBde);
  dir_.Write("app/b/Common.pas", "unit C; var Q: TQuery;\r\n");
  dir_.Write("Common.pas", "an unrelated file in the current folder");
  dir_.Write("app/App.dpr",
             "program App;\r\nuses\r\n  C1 in 'a\\Common.pas',\r\n  C2 in 'b\\Common.pas';\r\n"
             "begin\r\nend.\r\n");
  ProjectHost host;
  host.Load(dir_ / "app/App.dpr");
  ScopedIdeServices services(&host);
  options().Dest = RunSource::kProject;
  options().BackupDir = dir_ / "app/RBackup";
  options().Units = "Common.pas\r\nCommon.pas\r\n";
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_.path());
  bool ok = BdeReplacer->Execute();
  fs::current_path(cwd);
  ASSERT_TRUE(ok);
  EXPECT_EQ(dir_.Read("Common.pas"), "an unrelated file in the current folder");
  EXPECT_EQ(dir_.Read("app/b/Common.pas"), "unit C; var Q: TNXQuery;\r\n");
  EXPECT_EQ(dir_.Read("app/RBackup/ZUvezod.reu"),
            "#folder=" + (dir_ / "app/a") + "\r\n#folder=" + (dir_ / "app/b") + "\r\n" +
                (dir_ / "app/a/Common.pas") + "=" + (dir_ / "app/RBackup/Common.~pas") + "\r\n" +
                (dir_ / "app/b/Common.pas") + "=" + (dir_ / "app/RBackup/Common.2.~pas") + "\r\n");
  RestoreAll({BdeReplacer->UndoFilePath});
  EXPECT_EQ(dir_.Read("app/a/Common.pas"), kBde);
  EXPECT_EQ(dir_.Read("app/b/Common.pas"), "unit C; var Q: TQuery;\r\n");
}

TEST_F(RunSafetyTest, NamesDifferingInCaseAndNamesTheUndoFileCannotHold) {
#ifdef _WIN32
  GTEST_SKIP() << "names that differ only in letter case name one file on Windows";
#endif
  dir_.Write("src/Data.pas", "var A: TTable;");
  dir_.Write("src/DATA.pas", "var B: TQuery;");
  dir_.Write("src/a=b.pas", "var C: TTable;");
#ifndef _WIN32
  dir_.Write("src/line\nbreak.pas", "var D: TTable;");
#endif
  auto original = Snapshot(dir_ / "src");
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(BdeReplacer->UndoList.Count(), 2);
  EXPECT_EQ(dir_.Read("src/a=b.pas"), "var C: TTable;");
  auto left = NotMigrated(*BdeReplacer);
  EXPECT_NE(std::find(left.begin(), left.end(), "a=b.pas"), left.end());
  RestoreAll({BdeReplacer->UndoFilePath});
  EXPECT_EQ(Snapshot(dir_ / "src").at("Data.pas"), original.at("Data.pas"));
  EXPECT_EQ(Snapshot(dir_ / "src").at("DATA.pas"), original.at("DATA.pas"));
}

TEST_F(RunSafetyTest, ASecondRunOnALockedTreeFailsAtOnce) {
  dir_.Write("src/U.pas", kBde);
  PathLock other;
  ASSERT_TRUE(other.TryLock(dir_ / "src/tolvern.lock", nullptr, nullptr));
  try {
    BdeReplacer->Execute();
    FAIL() << "no exception";
  } catch (const ERunLocked& e) {
    EXPECT_NE(std::string(e.what()).find(dir_ / "src/tolvern.lock"), std::string::npos) << e.what();
  }
  EXPECT_EQ(dir_.Read("src/U.pas"), kBde);
  EXPECT_FALSE(fs::exists(dir_ / "src/RBackup"));
  other.Release();
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_FALSE(fs::exists(dir_ / "src/tolvern.lock"));
}

TEST_F(RunSafetyTest, AFileSavedDuringTheRunKeepsWhatItsUserSaved) {
  dir_.Write("src/A.pas", kBde);
  dir_.Write("src/B.pas", kBde);
  const std::string edited = "unit A; // saved by an editor during the run\r\nvar T: TTable;\r\n";
  BdeReplacer->OnProgress = [&](int i, int, const std::string&) {
    if (i == 1) dir_.Write("src/" + ExtractFileName(BdeReplacer->UnitList[0]), edited);
  };
  bool ok = BdeReplacer->Execute();
  BdeReplacer->OnProgress = nullptr;
  ASSERT_TRUE(ok);
  std::string first = ExtractFileName(BdeReplacer->Report.files[0].path);
  std::string second = first == "A.pas" ? "B.pas" : "A.pas";
  EXPECT_EQ(dir_.Read("src/" + first), edited);
  EXPECT_NE(dir_.Read("src/" + second), kBde);
  EXPECT_EQ(NotMigrated(*BdeReplacer), std::vector<std::string>{first});
  EXPECT_EQ(BdeReplacer->UndoList.Count(), 1);
  EXPECT_FALSE(fs::exists(dir_ / ("src/RBackup/" + ChangeFileExt(first, ".~pas"))));
  RestoreAll({BdeReplacer->UndoFilePath});
  EXPECT_EQ(dir_.Read("src/" + first), edited);
  EXPECT_EQ(dir_.Read("src/" + second), kBde);
}

TEST_F(RunSafetyTest, PartialRunsNameWhatTheyLeftAndKeepUnitsWithTheirForms) {
  dir_.Write("src/F.pas", "unit F;\r\nvar Q: TQuery;\r\n{$R *.DFM}\r\nend.\r\n");
  fs::create_directories(dir_ / "src/F.dfm");  // a folder where the form should be
  dir_.Write("src/G.pas", "unit G;\r\nvar Q: TQuery;\r\n{$R *.dfm}\r\nend.\r\n");
  dir_.Write("src/G.dfm", "object Q: TQuery\r\n  SQL.Strings = (\r\n    'x')\r\nend\r\n");
  dir_.Write("src/Bad.pas", std::string("\xEF\xBB\xBFvar T: TTable; \xFF\xFE", 20));
  dir_.Write("src/sub/S.pas", kBde);
  dir_.Write("src/ok/K.pas", kBde);
  FaultyDisk disk;
  disk.fail_op = [&](const char* op, const std::string& path) {
    return std::string(op) == "list" && path == dir_ / "src/sub";
  };
  testing::RunsOn scoped(*BdeReplacer, &disk);
  ASSERT_TRUE(BdeReplacer->Execute());
  auto left = NotMigrated(*BdeReplacer);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"Bad.pas", "F.dfm", "F.pas", "sub"}));
  EXPECT_EQ(dir_.Read("src/F.pas"), "unit F;\r\nvar Q: TQuery;\r\n{$R *.DFM}\r\nend.\r\n");
  EXPECT_NE(dir_.Read("src/G.dfm").find("TNXQuery"), std::string::npos);
  EXPECT_NE(dir_.Read("src/ok/K.pas"), kBde);
  EXPECT_EQ(dir_.Read("src/sub/S.pas"), kBde);
  EXPECT_EQ(BdeReplacer->Report.FilesNotMigrated(), 4);
}

#ifndef _WIN32
TEST_F(RunSafetyTest, OnlyRegularFilesOfBoundedSizeAreRead) {
  dir_.Write("src/A.pas", kBde);
  ASSERT_EQ(::mkfifo((dir_ / "src/Fifo.pas").c_str(), 0600), 0);  // would block a reader
  fs::create_symlink("/dev/zero", dir_ / "src/Zero.pas");         // would never end
  std::string huge = dir_.Write("src/Huge.pas", "");
  fs::resize_file(huge, kMaxFileSize + 1);  // sparse: nothing is written
  ASSERT_TRUE(BdeReplacer->Execute());
  auto left = NotMigrated(*BdeReplacer);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"Fifo.pas", "Huge.pas", "Zero.pas"}));
  for (const FileReport& f : BdeReplacer->Report.files) {
    if (f.outcome != FileOutcome::kSkipped) continue;
    const std::string why =
        f.path.ends_with("Huge.pas") ? "larger than the limit of 256 MB" : "not a regular file";
    EXPECT_NE(f.note.find(why), std::string::npos) << f.path << ": " << f.note;
  }
  EXPECT_NE(dir_.Read("src/A.pas"), kBde);
}
#endif

#ifndef _WIN32
TEST_F(RunSafetyTest, LinksPlantedWhereTheToolWritesAreNeverFollowed) {
  const std::string victim = dir_.Write("victim.txt", "precious");
  dir_.Write("src/A.pas", kBde);
  fs::create_directories(dir_ / "src/RBackup");
  fs::create_symlink(victim, dir_ / "src/RBackup/ZUvezod.reu");
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(BdeReplacer->UndoFilePath, dir_ / "src/RBackup/ZUvezod.2.reu");
  // A sibling planted beside an original is never written through: the
  // restore names it, leaves it, and writes under another name.
  fs::create_symlink(victim, dir_ / "src/A.pas.tolvern-restore");
  EXPECT_TRUE(BdeReplacer->RestoreFiles(BdeReplacer->UndoFilePath)) << BdeReplacer->RestoreError;
  EXPECT_EQ(dir_.Read("src/A.pas"), kBde);
  EXPECT_TRUE(fs::is_symlink(dir_ / "src/A.pas.tolvern-restore"));
  std::string notes;
  for (const std::string& n : BdeReplacer->RestoreNotes) notes += n + "\n";
  EXPECT_NE(notes.find("A.pas.tolvern-restore: a file of this name"), std::string::npos) << notes;
  // A log planted as a link stops the run before anything is read.
  fs::remove(dir_ / "src/Wiz_Log.txt");
  fs::create_symlink(victim, dir_ / "src/Wiz_Log.txt");
  EXPECT_THROW(BdeReplacer->Execute(), EFCreateError);
  EXPECT_EQ(dir_.Read("victim.txt"), "precious");
  // So does a to-do list planted as a link, before any original is replaced.
  fs::remove(dir_ / "src/Wiz_Log.txt");
  fs::remove(dir_ / "src/Wiz_Todo.txt");
  fs::create_symlink(victim, dir_ / "src/Wiz_Todo.txt");
  dir_.Write("src/A.pas", kBde);
  EXPECT_THROW(BdeReplacer->Execute(), EFCreateError);
  EXPECT_EQ(dir_.Read("victim.txt"), "precious");
  EXPECT_EQ(dir_.Read("src/A.pas"), kBde);
  // A backup folder that is a link to another folder is refused, named,
  // before any file is read.
  fs::remove(dir_ / "src/Wiz_Todo.txt");
  fs::create_directories(dir_ / "elsewhere");
  options().BackupDir = dir_ / "src/Linked";
  fs::create_directory_symlink(dir_ / "elsewhere", dir_ / "src/Linked");
  try {
    BdeReplacer->Execute();
    ADD_FAILURE() << "a linked backup folder was taken";
  } catch (const EFCreateError& e) {
    EXPECT_NE((std::string(e.what()) + e.Detail()).find(dir_ / "src/Linked"), std::string::npos)
        << e.what();
  }
  EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
  EXPECT_EQ(dir_.Read("src/A.pas"), kBde);
}
#endif

#ifndef _WIN32
// A folder planted under the name of the user's private temporary folder,
// one that anybody may write in, does not stop the run: nothing is made in
// it, the run says nothing of it, and its work folder is gone at its end.
TEST_F(RunSafetyTest, AFolderPlantedAsThePrivateTemporaryFolderDoesNotStopTheRun) {
  const std::string planted = PathJoin(dir_.temp_dir(), "tolvern-" + std::to_string(::geteuid()));
  fs::create_directories(planted);
  fs::permissions(planted, fs::perms::all);
  dir_.Write("src/A.pas", kBde);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_NE(dir_.Read("src/A.pas").find("TNX"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(planted));
  EXPECT_EQ(dir_.LeftInTemp(), std::vector<std::string>{});
  EXPECT_EQ(dir_.Read("src/Wiz_Log.txt").find(dir_.temp_dir()), std::string::npos);
}
#endif

TEST_F(RunSafetyTest, LoginValuesBeyondTheCodePageInEveryStorage) {
  const std::string form =
      "object Db: TDatabase\r\n  DatabaseName = 'DB'\r\n  Params.Strings = (\r\n"
      "    'USER NAME='#1070'X')\r\nend\r\n";
  dir_.Write("src/A.pas", "unit A;\r\n{$R *.dfm}\r\nend.\r\n");
  dir_.Write("src/A.dfm", form);  // ANSI text
  dir_.Write("src/B.pas", "unit B;\r\n{$R *.dfm}\r\nend.\r\n");
  dir_.Write("src/B.dfm", "\xEF\xBB\xBF" + form);  // UTF-8 text
  dir_.Write("src/C.pas", "unit C;\r\n{$R *.dfm}\r\nend.\r\n");
  dir_.Write("src/C.dfm", WriteFormResource("TDB", ObjectTextToBinary(form)));  // binary
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(BdeReplacer->Report.FilesNotMigrated(), 0);
  EXPECT_NE(dir_.Read("src/A.dfm").find("Username = #1070'X'"), std::string::npos);
  EXPECT_NE(dir_.Read("src/B.dfm").find("Username = #1070'X'"), std::string::npos);
  TRCData header;
  std::string c = dir_.Read("src/C.dfm");
  EXPECT_NE(ObjectBinaryToText(ReadFormResource(c, &header)).find("Username = #1070'X'"),
            std::string::npos);
}

}  // namespace
}  // namespace tolvern
