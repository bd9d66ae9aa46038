// Files a run leaves as they are, each named with its reason, while the
// others are migrated: forms that cannot be made out, the forms of units that
// could not be read, read-only files, files with more than one name. A file
// left out takes its unit or form with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include "base/system_texts.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "engine/rewrite_stage.h"
#include "files/file_utils.h"
#include "files/log_writer.h"
#include "streams/form_resource.h"
#include "streams/object_stream.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::FaultyDisk;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;

const char kUnit[] =
    "unit %;\r\ninterface\r\nuses DBTables;\r\nvar Q: TQuery;\r\n{$R *.dfm}\r\nend.\r\n";
const char kForm[] =
    "object F: TForm1\r\n  object Q: TQuery\r\n    SQL.Strings = (\r\n      'x')\r\n"
    "  end\r\nend\r\n";

std::string UnitText(const std::string& name) {
  std::string text = kUnit;
  text.replace(text.find('%'), 1, name);
  return text;
}

// A text form whose query holds objects nested far deeper than the form
// parser goes.
std::string DeepTextForm() {
  constexpr int kLevels = 100000;
  std::string text = "object F: TForm1\r\n  object Q: TQuery\r\n";
  for (int i = 0; i < kLevels; ++i) text += "object P" + std::to_string(i) + ": TPanel\r\n";
  for (int i = 0; i < kLevels; ++i) text += "end\r\n";
  return text + "  end\r\nend\r\n";
}

// A binary form nested deeper than the stream reader goes.
std::string DeepBinaryForm() {
  const std::string stream =
      "TPF0\x06TForm1\x05"
      "Form1\x01L" +
      std::string(kMaxStreamNesting + 1, '\x01') + std::string(kMaxStreamNesting + 1, '\0') +
      std::string(2, '\0');
  return WriteFormResource("FORM1", stream);
}

class FilesLeftTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    testing::UseFolderRun(options(), dir_ / "src");
    options().Jobs = GetParam();
    // A unit and its form that every case migrates.
    dir_.Write("src/A.pas", UnitText("A"));
    dir_.Write("src/A.dfm", kForm);
  }
  void TearDown() override {
    options().Jobs = 1;
    options().IncludeReadOnly = false;
  }
  TReplaceOptions& options() { return *ReplaceOptions; }

  // The files the run named as not migrated, by name, with their reasons.
  std::map<std::string, std::string> Left() const {
    std::map<std::string, std::string> left;
    for (const FileReport& f : BdeReplacer->Report.files)
      if (f.outcome == FileOutcome::kSkipped) left[ExtractFileName(f.path)] = f.note;
    return left;
  }
  void ExpectPairMigrated() {
    EXPECT_NE(dir_.Read("src/A.pas").find("TNXQuery"), std::string::npos);
    EXPECT_NE(dir_.Read("src/A.dfm").find("TNXQuery"), std::string::npos);
  }
  void ExpectReasons(const std::map<std::string, std::string>& expected) {
    const auto left = Left();
    ASSERT_EQ(left.size(), expected.size());
    for (const auto& [name, reason] : expected) {
      ASSERT_TRUE(left.count(name)) << name;
      EXPECT_NE(left.at(name).find(reason), std::string::npos) << name << ": " << left.at(name);
    }
    EXPECT_EQ(BdeReplacer->Report.FilesNotMigrated(), static_cast<int>(expected.size()));
    const std::string log = dir_.Read("src/Wiz_Log.txt");
    // Each is named in the log too (a unit not valid in its encoding is
    // logged as left unchanged, with the reason only).
    for (const auto& [name, reason] : expected)
      if (!reason.empty()) {
        EXPECT_NE(log.find("Not migrated: " + (dir_ / ("src/" + name))), std::string::npos) << name;
      }
  }

  ScratchDir dir_;
  NXReplacerScope library_;
};

TEST_P(FilesLeftTest, FormsNestedTooDeeplyAreNamedAndLeftWithTheirUnits) {
  const struct {
    std::string form, reason;
  } cases[] = {
      {DeepTextForm(), "the form cannot be parsed: Text nested too deeply to parse."},
      {DeepBinaryForm(),
       "the form cannot be read: Invalid object stream at offset 10019: nesting too deep"},
  };
  for (const auto& c : cases) {
    dir_.Write("src/A.pas", UnitText("A"));
    dir_.Write("src/A.dfm", kForm);
    dir_.Write("src/D.pas", UnitText("D"));
    dir_.Write("src/D.dfm", c.form);
    const auto before = Snapshot(dir_ / "src");
    ASSERT_TRUE(BdeReplacer->Execute());
    ExpectPairMigrated();
    EXPECT_EQ(dir_.Read("src/D.pas"), before.at("D.pas"));
    EXPECT_EQ(dir_.Read("src/D.dfm"), before.at("D.dfm"));
    ExpectReasons({{"D.dfm", c.reason}, {"D.pas", "since " + (dir_ / "src/D.dfm")}});
  }
}

TEST_P(FilesLeftTest, FormsOfAUnitThatCannotBeReadAreNamed) {
  const std::string bad_text = std::string("\xEF\xBB\xBFunit U; var T: TTable; \xFF\xFE", 29);
  const struct {
    const char* name;
    std::string unit;
    bool read_fails;
  } cases[] = {
      {"unreadable", UnitText("U"), true},
      {"not valid in its encoding", bad_text, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("src/A.pas", UnitText("A"));
    dir_.Write("src/A.dfm", kForm);
    dir_.Write("src/U.pas", c.unit);
    dir_.Write("src/U.dfm", kForm);
    dir_.Write("src/U.nfm", kForm);
    FaultyDisk disk;
    disk.fail_read = [&](const std::string& path) {
      return c.read_fails && path.ends_with("U.pas");
    };
    testing::RunsOn scoped(*BdeReplacer, &disk);
    ASSERT_TRUE(BdeReplacer->Execute());
    ExpectPairMigrated();
    EXPECT_EQ(dir_.Read("src/U.dfm"), kForm);
    EXPECT_EQ(dir_.Read("src/U.nfm"), kForm);
    const std::string why = "its unit " + (dir_ / "src/U.pas") + " could not be read";
    ExpectReasons({{"U.pas", ""}, {"U.dfm", why}, {"U.nfm", why}});
  }
}

// A unit refused unread for its name (the undo file could not record it)
// leaves its forms for that reason, not as a unit that could not be read.
TEST_P(FilesLeftTest, FormsOfAUnitRefusedForItsNameAreLeftForItsReason) {
  dir_.Write("src/U=1.pas", UnitText("U"));
  dir_.Write("src/U=1.dfm", kForm);
  dir_.Write("src/U=1.nfm", kForm);
  ASSERT_TRUE(BdeReplacer->Execute());
  ExpectPairMigrated();
  EXPECT_EQ(dir_.Read("src/U=1.pas"), UnitText("U"));
  EXPECT_EQ(dir_.Read("src/U=1.dfm"), kForm);
  const std::string why = "its unit " + (dir_ / "src/U=1.pas") + " is not migrated (" +
                          res::kNameNotRecordable + "), so the form was left with it";
  ExpectReasons({{"U=1.pas", res::kNameNotRecordable}, {"U=1.dfm", why}, {"U=1.nfm", why}});
  for (const auto& [name, reason] : Left())
    EXPECT_EQ(reason.find("could not be read"), std::string::npos) << name << ": " << reason;
}

#ifndef _WIN32
TEST_P(FilesLeftTest, ReadOnlyFilesAreLeftUnlessIncluded) {
  // Tests may run as root, who may write any file: the mode alone decides.
  const fs::perms read_only =
      fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  for (const char* name : {"R.pas", "R.dfm"}) {
    SCOPED_TRACE(name);
    dir_.Write("src/A.pas", UnitText("A"));
    dir_.Write("src/A.dfm", kForm);
    for (const char* f : {"src/R.pas", "src/R.dfm"})
      if (fs::exists(dir_ / f)) fs::permissions(dir_ / f, fs::perms::owner_all);
    dir_.Write("src/R.pas", UnitText("R"));
    dir_.Write("src/R.dfm", kForm);
    fs::permissions(dir_ / ("src/" + std::string(name)), read_only);
    options().IncludeReadOnly = false;
    ASSERT_TRUE(BdeReplacer->Execute());
    ExpectPairMigrated();
    EXPECT_EQ(dir_.Read("src/R.pas"), UnitText("R"));
    EXPECT_EQ(dir_.Read("src/R.dfm"), kForm);
    const std::string partner = name == std::string("R.pas") ? "R.dfm" : "R.pas";
    ExpectReasons(
        {{name, "it is read-only"}, {partner, "since " + (dir_ / ("src/" + std::string(name)))}});
    // Asked for, it is migrated and stays read-only.
    options().IncludeReadOnly = true;
    ASSERT_TRUE(BdeReplacer->Execute());
    EXPECT_TRUE(Left().empty());
    EXPECT_NE(dir_.Read("src/R.pas").find("TNXQuery"), std::string::npos);
    EXPECT_NE(dir_.Read("src/R.dfm").find("TNXQuery"), std::string::npos);
    EXPECT_EQ(fs::status(dir_ / ("src/" + std::string(name))).permissions(), read_only);
  }
}
#endif

TEST_P(FilesLeftTest, FilesWithSeveralNamesAreLeftAndNamed) {
  dir_.Write("src/H.pas", UnitText("H"));
  dir_.Write("src/H.dfm", kForm);
  fs::create_directories(dir_ / "elsewhere");
  fs::create_hard_link(testing::NativePath(dir_ / "src/H.pas"),
                       testing::NativePath(dir_ / "elsewhere/H.pas"));
  ASSERT_TRUE(BdeReplacer->Execute());
  ExpectPairMigrated();
  EXPECT_EQ(dir_.Read("src/H.pas"), UnitText("H"));
  EXPECT_EQ(dir_.Read("src/H.dfm"), kForm);
#ifndef _WIN32  // Wine's library counts one name whatever the system says
  EXPECT_EQ(fs::hard_link_count(testing::NativePath(dir_ / "src/H.pas")), 2u);
#endif
  ExpectReasons(
      {{"H.pas", "it has 2 names (hard links)"}, {"H.dfm", "since " + (dir_ / "src/H.pas")}});
}

INSTANTIATE_TEST_SUITE_P(Jobs, FilesLeftTest, ::testing::Values(1, 2));

// A unit within the size limit whose migrated text would pass it (the names
// it gets are longer) is named and left as it is, with its form; the run
// goes on with the others and says that it did not migrate everything.
TEST(FileSizeLimitTest, AUnitWhoseMigratedTextPassesTheLimitIsLeftAlone) {
  ScratchDir dir;
  NXReplacerScope library;
  testing::UseFolderRun(*ReplaceOptions, dir / "src");
  dir.Write("src/A.pas", UnitText("A"));
  dir.Write("src/A.dfm", kForm);
  std::string big = UnitText("Big");
  const size_t end = big.rfind("end.");
  big.insert(end, "{" + std::string(kMaxFileSize - big.size() - 4, 'x') + "}\r\n");
  ASSERT_EQ(big.size(), kMaxFileSize);
  testing::WriteFileBytes(dir / "src/Big.pas", big);
  std::string().swap(big);
  dir.Write("src/Big.dfm", kForm);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_NE(dir.Read("src/A.pas").find("TNXQuery"), std::string::npos);
  EXPECT_EQ(fs::file_size(dir / "src/Big.pas"), kMaxFileSize);
  EXPECT_EQ(dir.Read("src/Big.dfm"), kForm);
  std::map<std::string, std::string> left;
  for (const FileReport& f : BdeReplacer->Report.files)
    if (f.outcome == FileOutcome::kSkipped) left[f.path] = f.note;
  EXPECT_EQ(left,
            (std::map<std::string, std::string>{
                {dir / "src/Big.pas", "its migrated text would be larger than the limit of 256 MB"},
                {dir / "src/Big.dfm",
                 "not replaced, since " + (dir / "src/Big.pas") + " was not migrated"}}));
  EXPECT_NE(dir.Read("src/Wiz_Log.txt")
                .find("Not migrated: " + (dir / "src/Big.pas") +
                      " (its migrated text would be larger than the limit of 256 MB)"),
            std::string::npos);
}

// The threads of a run follow the memory its largest file needs: each may
// hold about four times a file's size, and all of them fit the budget.
TEST(RunThreadsTest, FollowTheMemoryTheLargestFileNeeds) {
  constexpr std::uint64_t kMB = std::uint64_t{1} << 20;
  const struct {
    int threads;
    std::uint64_t largest, budget;
    int expected;
  } cases[] = {
      {8, 1 * kMB, 1024 * kMB, 8},    // small files: every thread asked for
      {8, 100 * kMB, 1024 * kMB, 2},  // 400 MB each: two fit
      {8, 256 * kMB, 1024 * kMB, 1},  // one fits exactly
      {8, 300 * kMB, 1024 * kMB, 1},  // not even one: one all the same
      {4, 64 * kMB, 1024 * kMB, 4},   // 256 MB each: four fit exactly
      {4, 64 * kMB + 1, 1024 * kMB, 3},
      {8, 100 * kMB, 0, 8},   // no budget known
      {8, 0, 1024 * kMB, 8},  // no file
      {1, 1 * kMB, 1024 * kMB, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RewriteStage::ThreadsWithin(c.threads, c.largest, c.budget), c.expected)
        << c.threads << " threads, largest " << c.largest << ", budget " << c.budget;
}

#ifndef _WIN32
TEST(LogFailureTest, AWriteTheLogLosesIsRemembered) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full to fill";
  TLogWriter log;
  log.Open("/dev/full");
  log.WriteLine("a line the disk has no room for");
  log.WriteLine("and another");
  log.Close();
  EXPECT_EQ(log.Error(), "/dev/full: " + std::string(std::strerror(ENOSPC)));
  // The next log starts without it.
  ScratchDir dir;
  log.Open(dir / "log.txt");
  log.WriteLine("fine");
  log.Close();
  EXPECT_EQ(log.Error(), "");
}

TEST(LogFailureTest, ARunWhoseLogLostLinesIsNoSuccess) {
  ScratchDir dir;
  // Units small enough for the file-size limit, a log that outgrows it.
  for (int i = 0; i < 200; ++i)
    dir.Write("tree/Unit_with_a_long_name_" + std::to_string(i) + ".pas",
              "unit U;\r\nvar T: TTable;\r\nend.\r\n");
  auto r = testing::RunTolvern({"migrate", "--folder", dir / "tree", "-q", "--no-backup"},
                               "ulimit -f 8; ");
  EXPECT_EQ(r.exit_code, 3) << r.out << r.err;
  EXPECT_NE(r.err.find("the log could not be written completely: " + (dir / "tree/Wiz_Log.txt") +
                       ": File too large"),
            std::string::npos)
      << r.err;
  EXPECT_NE(dir.Read("tree/Unit_with_a_long_name_199.pas").find("TNXTable"), std::string::npos);
}
#endif

}  // namespace
}  // namespace tolvern
