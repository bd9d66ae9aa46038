// Undo files and records that a run did not write as they stand: cut,
// copied without their record, reached through a link, edited to reach
// files the run never touched, with backups swapped. Restore writes and
// removes only what the run replaced or created, in the folders it wrote
// in; anything else is refused before a byte is written, naming the line.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "engine/undo_record.h"
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
const char kUnit2[] = "unit V;\r\ninterface\r\nuses DBTables;\r\nvar T: TTable;\r\nend.\r\n";

class CraftedUndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::UseFolderRun(*ReplaceOptions, dir_ / "src");
    dir_.Write("src/U.pas", kUnit);
    dir_.Write("src/U.dfm", kForm);
    dir_.Write("src/V.pas", kUnit2);
    ASSERT_TRUE(BdeReplacer->Execute());
    undo_ = BdeReplacer->UndoFilePath;
    text_ = dir_.Read("src/RBackup/ZUvezod.reu");
    record_ = dir_.Read("src/RBackup/ZUvezod.reu.written");
  }
  std::string Path(const std::string& rel) const { return dir_ / rel; }
  static void Replace(std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
  }

  ScratchDir dir_;
  NXReplacerScope library_;
  std::string undo_, text_, record_;
};

TEST_F(CraftedUndoTest, CraftedUndoFilesAndRecordsAreRefusedNamingTheLine) {
  const std::string victim = dir_.Write("src/Victim.pas", "precious");
  const std::string elsewhere = dir_.Write("etc/passwd", "root:x:0:0");
  const std::string fake_backup = dir_.Write("src/RBackup/Victim.~pas", "evil");
  const std::string u = Path("src/U.pas"), v = Path("src/V.pas");
  const std::string ub = Path("src/RBackup/U.~pas"), vb = Path("src/RBackup/V.~pas");
  struct Case {
    const char* what;
    std::function<void(std::string& undo, std::string& record)> craft;
    const char* says;  // a word of the reason
  } cases[] = {
      {"a line for a file the run never touched",
       [&](std::string& t, std::string&) { t += victim + "=" + fake_backup + "\r\n"; },
       "does not list it"},
      {"a line outside the run's folders, listed in a forged record",
       [&](std::string& t, std::string& r) {
         t += elsewhere + "=" + Path("src/RBackup/passwd.~") + "\r\n";
         dir_.Write("src/RBackup/passwd.~", "x");
         r += "1 " + std::string(64, 'a') + " " + elsewhere + "\n";
       },
       "outside the folders"},
      {"a cut line that reads as a created file",
       [&](std::string& t, std::string&) { Replace(t, v + "=" + vb, v + "="); },
       "does not say that the run created"},
      {"swapped backups",
       [&](std::string&, std::string&) {
         const std::string a = dir_.Read("src/RBackup/U.~pas");
         const std::string b = dir_.Read("src/RBackup/V.~pas");
         fs::remove(ub);
         fs::remove(vb);
         dir_.Write("src/RBackup/U.~pas", b);
         dir_.Write("src/RBackup/V.~pas", a);
       },
       "does not hold the text the run backed up"},
      {"a backup under another file's name",
       [&](std::string& t, std::string&) { Replace(t, u + "=" + ub, u + "=" + vb); },
       "is not named as the run names"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string undo = text_, record = record_;
    c.craft(undo, record);
    dir_.Write("src/RBackup/ZUvezod.reu", undo);
    dir_.Write("src/RBackup/ZUvezod.reu.written", record);
    const auto before = Snapshot(dir_.path());
    for (const bool force : {false, true}) {
      EXPECT_FALSE(BdeReplacer->RestoreFiles(undo_, force));
      EXPECT_NE(BdeReplacer->RestoreError.find(c.says), std::string::npos)
          << BdeReplacer->RestoreError;
      EXPECT_NE(BdeReplacer->RestoreError.find("nothing was restored"), std::string::npos);
      EXPECT_EQ(Snapshot(dir_.path()), before);
    }
    // Put back as the run left them, for the next case.
    fs::remove_all(Path("src/RBackup"));
    fs::create_directories(Path("src/RBackup"));
    SetUp();
  }
  EXPECT_EQ(dir_.Read("src/Victim.pas"), "precious");
  EXPECT_EQ(dir_.Read("etc/passwd"), "root:x:0:0");
}

TEST_F(CraftedUndoTest, WithoutItsRecordRestoreListsWhatItWouldWriteAndNeedsForce) {
  fs::remove(Path("src/RBackup/ZUvezod.reu.written"));
  const auto migrated = Snapshot(dir_.path());
  EXPECT_FALSE(BdeReplacer->RestoreFiles(undo_));
  EXPECT_EQ(Snapshot(dir_.path()), migrated);
  EXPECT_EQ(BdeReplacer->RestoreChanged.size(), 3u);  // U.pas, U.dfm, V.pas
  EXPECT_NE(BdeReplacer->RestoreError.find("no record"), std::string::npos);
  EXPECT_NE(BdeReplacer->RestoreError.find(Path("src/V.pas")), std::string::npos);
  // Forced, it restores and keeps each text it replaces.
  ASSERT_TRUE(BdeReplacer->RestoreFiles(undo_, true)) << BdeReplacer->RestoreError;
  EXPECT_EQ(dir_.Read("src/U.pas"), kUnit);
  EXPECT_EQ(dir_.Read("src/RBackup/V.edited.pas"), migrated.at("src/V.pas"));
}

TEST_F(CraftedUndoTest, AnUndoFileReachedThroughALinkUsesTheRecordBesideItsTarget) {
  std::error_code no_links;
  fs::create_directories(Path("elsewhere"));
  fs::create_symlink(undo_, Path("elsewhere/ZUvezod.reu"), no_links);
  if (no_links) GTEST_SKIP() << "no symbolic links here";
  ASSERT_TRUE(BdeReplacer->RestoreFiles(Path("elsewhere/ZUvezod.reu")))
      << BdeReplacer->RestoreError;
  EXPECT_EQ(dir_.Read("src/U.pas"), kUnit);
  EXPECT_EQ(dir_.Read("src/V.pas"), kUnit2);
}

TEST_F(CraftedUndoTest, ALookThatFailsIsAFailureWithItsReasonNeverAMissingFile) {
  for (const std::string rel : {"src/RBackup/ZUvezod.reu.written", "src/V.pas"}) {
    SCOPED_TRACE(rel);
    const std::string edited = dir_.Read("src/V.pas");
    FaultyDisk disk;
    disk.fail_op = [&](const char* op, const std::string& path) {
      return std::string(op) == "stat" && path == Path(rel);
    };
    const auto before = Snapshot(dir_.path());
    {
      testing::RunsOn on(*BdeReplacer, &disk);
      EXPECT_FALSE(BdeReplacer->RestoreFiles(undo_, true));
    }
    EXPECT_NE(BdeReplacer->RestoreError.find("cannot look at"), std::string::npos)
        << BdeReplacer->RestoreError;
    EXPECT_NE(BdeReplacer->RestoreError.find(Path(rel)), std::string::npos);
    EXPECT_EQ(Snapshot(dir_.path()), before);
  }
}

// What a stopped restore leaves beside the originals is its own: the next
// restore removes it and finishes; a file of that name that is not its own
// is left and named, and does not stop the restore.
TEST_F(CraftedUndoTest, LeftoversOfAStoppedRestoreAreClearedAndOthersNamed) {
  dir_.Write("src/U.pas.tolvern-restore", kUnit);               // the backup's text
  dir_.Write("src/U.dfm.tolvern-old", dir_.Read("src/U.dfm"));  // the run's text
  dir_.Write("src/V.pas.tolvern-old", "someone's notes");       // neither
  ASSERT_TRUE(BdeReplacer->RestoreFiles(undo_)) << BdeReplacer->RestoreError;
  EXPECT_EQ(dir_.Read("src/U.pas"), kUnit);
  EXPECT_EQ(dir_.Read("src/U.dfm"), kForm);
  EXPECT_EQ(dir_.Read("src/V.pas"), kUnit2);
  EXPECT_FALSE(fs::exists(Path("src/U.pas.tolvern-restore")));
  EXPECT_FALSE(fs::exists(Path("src/U.dfm.tolvern-old")));
  EXPECT_EQ(dir_.Read("src/V.pas.tolvern-old"), "someone's notes");
  std::string notes;
  for (const std::string& n : BdeReplacer->RestoreNotes) notes += n + "\n";
  EXPECT_NE(notes.find(Path("src/V.pas.tolvern-old") + ": a file of this name"), std::string::npos)
      << notes;
}

}  // namespace
}  // namespace tolvern
