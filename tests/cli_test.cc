// End-to-end tests: the real tolvern binary on real trees.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::RunTolvern;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;

const std::string kExample = testing::ExampleDir();

std::string CopyExample(const ScratchDir& dir) { return testing::CopyExample(dir, "orders"); }

TEST(CliTest, MigratesTheExampleToItsExpectedOutputAndRestoresIt) {
  ScratchDir dir;
  std::string app = CopyExample(dir);
  auto original = Snapshot(app);

  auto r = RunTolvern({"migrate", "--project", app + "/Orders.dpr"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out.rfind(
                "Replace procedure was performed sucessfully.\nFiles scanned: 8; units changed: 3; "
                "forms changed: 3; objects rewritten: 7; properties dropped: 4 (--report FILE "
                "lists them); not migrated: 0; to do: 2 error(s), 2 warning(s), 4 note(s) (--todo "
                "lists them); time: ",
                0),
            0u)
      << r.out;

  auto expected = Snapshot(kExample + ".expected");
  auto migrated = Snapshot(app);
  for (const auto& [path, bytes] : expected) EXPECT_EQ(migrated[path], bytes) << path;
  EXPECT_TRUE(migrated.count("Wiz_Log.txt"));
  EXPECT_TRUE(migrated.count("RBackup/ZUvezod.reu"));
  EXPECT_FALSE(fs::exists(dir.temp_dir() + "/$DS1"));

  // A unit edited after the run is not overwritten unless asked; then its
  // text is kept beside its backup, named.
  const std::string edited = dir.Read("orders/Reports.pas") + "// later\r\n";
  dir.Write("orders/Reports.pas", edited);
  r = RunTolvern({"restore", app + "/RBackup/ZUvezod.reu"});
  EXPECT_EQ(r.exit_code, 1);
  const std::string sep(1, testing::kSeparator);
  EXPECT_NE(r.err.find(app + sep + "Reports.pas"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
  EXPECT_EQ(dir.Read("orders/Reports.pas"), edited);
  r = RunTolvern({"restore", "--force", app + "/RBackup/ZUvezod.reu"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out, app + sep + "Reports.pas had changed after the run; its text is kept in " + app +
                       sep + "RBackup" + sep + "Reports.edited.pas\nFiles were succefully " +
                       "restored.\n");
  auto restored = Snapshot(app);
  for (const auto& [path, bytes] : original) EXPECT_EQ(restored[path], bytes) << path;
  EXPECT_EQ(dir.Read("orders/RBackup/Reports.edited.pas"), edited);
}

TEST(CliTest, ProjectModeTakesChosenUnitsOnly) {
  ScratchDir dir;
  std::string app = CopyExample(dir);
  auto r = RunTolvern({"migrate", "--project", app + "/Orders.dpr", "--units", "reports.pas",
                       "--no-backup", "--no-log"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(dir.Read("orders/DataModule.pas"),
            testing::ReadFileBytes(kExample + "/DataModule.pas"));
  EXPECT_NE(dir.Read("orders/Reports.pas"), testing::ReadFileBytes(kExample + "/Reports.pas"));
  EXPECT_FALSE(fs::exists(app + "/RBackup"));
  EXPECT_FALSE(fs::exists(app + "/Wiz_Log.txt"));
}

// In project mode the project file is migrated as folder mode migrates it:
// its uses clause gets the Nexa units and its code is read for the to-do
// list, also when only some units are chosen.
TEST(CliTest, ProjectModeMigratesTheProjectFile) {
  ScratchDir dir;
  const std::string shop = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/databases";
  fs::copy(testing::NativePath(shop), testing::NativePath(dir / "shop"),
           fs::copy_options::recursive);
  auto todo = RunTolvern({"todo", "--project", dir / "shop/Shop.dpr"});
  EXPECT_EQ(todo.exit_code, 0) << todo.err;
  EXPECT_NE(
      todo.out.find("Shop.dpr:13:3: warning: interface: Session \xE2\x80\x94 Nexa has no sessions"),
      std::string::npos)
      << todo.out;
  auto r = RunTolvern({"migrate", "--project", dir / "shop/Shop.dpr", "--units", "Child.pas",
                       "--no-backup", "--no-log", "-q"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(dir.Read("shop/Shop.dpr"), testing::ReadFileBytes(shop + ".expected/Shop.dpr"));
  EXPECT_EQ(dir.Read("shop/Data.pas"), testing::ReadFileBytes(shop + "/Data.pas"));
}

TEST(CliTest, FolderModeRecursiveWithBackupFolder) {
  ScratchDir dir;
  dir.Write("tree/A.pas", "uses ADODB; var C: TADOConnection;");
  dir.Write("tree/Sub/B.pas", "var Q: TADOQuery;");
  auto r = RunTolvern(
      {"migrate", "--folder", dir / "tree", "--recursive", "--ado", "--backup-dir", dir / "bak"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(dir.Read("tree/Sub/B.pas"), "var Q: TNXQuery;");
  EXPECT_EQ(dir.Read("bak/Sub/B.~pas"), "var Q: TADOQuery;");
  EXPECT_EQ(dir.Read("bak/A.~pas"), "uses ADODB; var C: TADOConnection;");
  EXPECT_TRUE(fs::exists(dir / "tree/Wiz_Log.txt"));
}

TEST(CliTest, SummaryNamesEachObjectLeftUnconverted) {
  ScratchDir dir;
  dir.Write("tree/A.pas", "unit A; interface implementation {$R *.dfm} end.");
  dir.Write("tree/A.dfm",
            "object F: TForm\r\n  object Q: TQuery\r\n    Tag = @\r\n  end\r\nend\r\n");
  auto r = RunTolvern({"migrate", "--folder", dir / "tree", "--dry-run"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("Not converted: A.dfm(2): object Q of class TQuery: the form text at line 3 "
                       "is outside the form grammar\n"),
            std::string::npos)
      << r.out;
}

TEST(CliTest, BadInputEndsWithClearMessageAndChangesNothing) {
  ScratchDir dir;
  TOLVERN_SKIP_WITHOUT_SYMLINKS(dir);
  std::string unit = dir.Write("tree/A.pas", "var T: TTable;");
  dir.Write("afile", "x");
  fs::create_symlink(dir / "nowhere.pas", dir / "tree/Broken.pas");
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string in_err;
  } cases[] = {
      {{"migrate", "--folder", dir / "missing"},
       1,
       "folder \"" + (dir / "missing") + "\" does not exist"},
      {{"migrate", "--folder", dir / "tree", "--backup-dir", dir / "afile/sub"},
       1,
       "Failed to create directory."},
      {{"migrate", "--project", dir / "none.dpr"}, 1, dir / "none.dpr"},
      {{"restore", dir / "missing.reu"}, 1, dir / "missing.reu"},
      {{}, 2, "A subcommand is required"},
      {{"migrate"}, 2, "--project or --folder"},
      {{"migrate", "--project", "a.dpr", "--folder", "b"}, 2, "excludes"},
      {{"frobnicate"}, 2, "Unknown subcommand \"frobnicate\"."},
  };
  for (const Case& c : cases) {
    auto r = RunTolvern(c.args);
    std::string what = c.args.empty() ? "(no args)" : c.args[0] + " " + c.args.back();
    EXPECT_EQ(r.exit_code, c.exit_code) << what << "\n" << r.err;
    EXPECT_NE(r.err.find(c.in_err), std::string::npos) << what << "\n" << r.err;
    EXPECT_EQ(dir.Read("tree/A.pas"), "var T: TTable;") << what;
  }
  // A unit that cannot be read is named and left out; the others migrate
  // and the run says it is incomplete.
  auto r = RunTolvern({"migrate", "--folder", dir / "tree", "--no-backup"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  EXPECT_NE(r.err.find("not migrated: " + (dir / "tree/Broken.pas")), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("Replace completed, 1 file(s) not migrated."), std::string::npos) << r.out;
  EXPECT_EQ(dir.Read("tree/A.pas"), "var T: TNXTable;");
  // One line per failure, no crash trace.
  r = RunTolvern({"migrate", "--folder", dir / "tree", "--backup-dir", dir / "afile/sub"});
  EXPECT_EQ(r.err.rfind("tolvern: error: ", 0), 0u) << r.err;
  EXPECT_EQ(r.out, "Replace failed.\n");  // no summary after a failure
}

// A first word that names no subcommand is named, with the subcommand it
// most likely meant when one is near, and is a usage error.
TEST(CliTest, UnknownSubcommandIsNamedWithTheNearestOne) {
  struct Case {
    std::vector<std::string> args;
    std::string meant;  // "" when no subcommand is near
  } cases[] = {
      {{"migrte", "--folder", "."}, "migrate"},
      {{"mirgate"}, "migrate"},
      {{"tood"}, "todo"},
      {{"alaises"}, "aliases"},
      {{"restor", "ZUvezod.reu"}, "restore"},
      {{"from", "--to-text", "A.dfm"}, "form"},
      {{"profiel", "--show"}, "profile"},
      {{"MIGRATE"}, "migrate"},
      {{"Todo", "--folder", "."}, "todo"},
      {{"fORM"}, "form"},
      {{"frobnicate"}, ""},
      {{"mgrt"}, ""},
      {{"x"}, ""},
  };
  for (const Case& c : cases) {
    auto r = RunTolvern(c.args);
    std::string expected = "Unknown subcommand \"" + c.args[0] + "\".";
    if (!c.meant.empty()) expected += " Did you mean \"" + c.meant + "\"?";
    EXPECT_EQ(r.exit_code, 2) << c.args[0];
    EXPECT_EQ(r.err, expected + "\nRun with --help for more information.\n") << c.args[0];
    EXPECT_EQ(r.out, "") << c.args[0];
  }
}

TEST(CliTest, RestoreWithMissingBackupFails) {
  ScratchDir dir;
  std::string a = dir.Write("A.pas", "migrated");
  std::string undo = dir.Write("ZUvezod.reu", a + "=" + (dir / "gone.~pas") + "\r\n");
  auto r = RunTolvern({"restore", undo});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "Failed to restore files.\n");
  EXPECT_EQ(dir.Read("A.pas"), "migrated");
}

TEST(CliTest, UnknownUnitIsAUsageError) {
  ScratchDir dir;
  std::string app = CopyExample(dir);
  auto r = RunTolvern({"migrate", "--project", app + "/Orders.dpr", "--units", "Nope.pas"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("\"Nope.pas\" is not a unit of the project"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tolvern

namespace tolvern {
namespace {

TEST(CliFormTest, ConvertsBothWaysInPlaceAndToAnotherFile) {
  ScratchDir dir;
  std::string original = testing::ReadFileBytes(kExample + "/MainForm.dfm");
  std::string bin = dir.Write("Main.dfm", original);
  auto r = RunTolvern({"form", "--to-text", bin, "-o", dir / "Main.txt"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(dir.Read("Main.txt").rfind("object frmMain: TfrmMain\r\n", 0), 0u);
  EXPECT_EQ(dir.Read("Main.dfm"), original);
  // In place, and back: the same bytes as the original.
  r = RunTolvern({"form", "--to-text", bin});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(dir.Read("Main.dfm"), dir.Read("Main.txt"));
  r = RunTolvern({"form", "--to-binary", bin});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(dir.Read("Main.dfm"), original);
  r = RunTolvern({"form", "--to-binary", bin});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.out.find("is already a binary form"), std::string::npos);
}

TEST(CliFormTest, BadFormsEndWithTheFileAndThePlace) {
  ScratchDir dir;
  std::string text = dir.Write("Bad.dfm", "object X: TY\r\n  A = 'open\r\nend\r\n");
  std::string bin =
      dir.Write("Cut.dfm", std::string("\xFF\x0A\x00X\x00\x30\x10\x09\x00\x00\x00TPF0\x02X", 18));
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    std::string in_err;
  } cases[] = {
      {{"form", "--to-binary", text}, 1, text + ": Invalid form text at line 2, column 7"},
      {{"form", "--to-text", bin}, 1, bin + ": Invalid object stream at offset"},
      {{"form", "--to-text", dir / "none.dfm"}, 1, "does not exist"},
      {{"form", text}, 2, "--to-text or --to-binary"},
      {{"form", "--to-text", "--to-binary", text}, 2, "excludes"},
  };
  for (const Case& c : cases) {
    auto r = RunTolvern(c.args);
    EXPECT_EQ(r.exit_code, c.exit_code) << c.args.back() << r.err;
    EXPECT_NE(r.err.find(c.in_err), std::string::npos) << r.err;
  }
  EXPECT_EQ(dir.Read("Bad.dfm"), "object X: TY\r\n  A = 'open\r\nend\r\n");
}

}  // namespace
}  // namespace tolvern

namespace tolvern {
namespace {

TEST(CliTest, TwoRunsAtOnceOnOneTree) {
  ScratchDir dir;
  for (int i = 0; i < 400; ++i)
    dir.Write("tree/U" + std::to_string(i) + ".pas", "uses DBTables; var T: TTable;\r\n");
  auto original = Snapshot(dir / "tree");
  testing::CommandResult a, b;
  std::thread first([&] { a = RunTolvern({"migrate", "--folder", dir / "tree", "-q"}); });
  std::thread second([&] { b = RunTolvern({"migrate", "--folder", dir / "tree", "-q"}); });
  first.join();
  second.join();
  // Either they overlapped, and one failed at once naming the lock, or the
  // second found nothing left to change; never two changes of one tree.
  const bool a_locked = a.err.find("tolvern.lock") != std::string::npos;
  const bool b_locked = b.err.find("tolvern.lock") != std::string::npos;
  EXPECT_FALSE(a_locked && b_locked);
  for (const auto& [r, locked] : {std::pair{&a, a_locked}, std::pair{&b, b_locked}})
    EXPECT_EQ(r->exit_code, locked ? 1 : 0) << r->err;
  std::vector<std::string> undo_files;
  for (const auto& e : fs::directory_iterator(dir / "tree/RBackup"))
    if (e.path().extension() == ".reu") undo_files.push_back(e.path().string());
  std::sort(undo_files.rbegin(), undo_files.rend());  // newest first
  for (const std::string& u : undo_files) {
    if (fs::file_size(u) == 0) continue;
    EXPECT_EQ(RunTolvern({"restore", u}).exit_code, 0) << u;
  }
  auto restored = Snapshot(dir / "tree");
  for (const auto& [path, bytes] : original) EXPECT_EQ(restored[path], bytes) << path;
}

TEST(CliTest, WritePastTheFileSizeLimitIsAReportedFailure) {
#ifdef _WIN32
  GTEST_SKIP() << "a file-size limit (ulimit -f, SIGXFSZ) is POSIX only";
#endif
  ScratchDir dir;
  std::string big = "uses DBTables;\r\n";
  for (int i = 0; i < 400; ++i) big += "var T" + std::to_string(i) + ": TTable;\r\n";
  dir.Write("tree/Big.pas", big);
  auto r = RunTolvern({"migrate", "--folder", dir / "tree", "--no-log"}, "ulimit -f 8; ");
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_NE(r.err.find("Big.pas"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
  EXPECT_EQ(dir.Read("tree/Big.pas"), big);
}

}  // namespace
}  // namespace tolvern
