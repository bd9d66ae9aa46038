#include "engine/run_reporter.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

// A reporter writing into a log of a scratch folder and a report of its own.
struct Reported {
  Reported() { log.Open(dir / "log.txt"); }
  // The log's lines, without the blank lines between them.
  std::vector<std::string> LogLines() {
    log.Close();
    std::vector<std::string> lines;
    std::string text = dir.Read("log.txt");
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
      if (end > at) lines.push_back(text.substr(at, end - at));
    return lines;
  }
  ScratchDir dir;
  TLogWriter log;
  RunReport report;
  RunReporter reporter{log, report};
};

TEST(RunReporterTest, AFileLeftAsItIsIsLoggedAndSkippedInTheReport) {
  struct Case {
    const char* path;
    const char* kind;  // of the entry added for a file the report lacks
  } cases[] = {{"/p/U.pas", "unit"},
               {"/p/App.DPR", "project"},
               {"/p/sub", "folder"},
               {"/p/U.dfm", "text-form"}};
  for (const Case& c : cases) {
    Reported r;
    r.reporter.NotMigrated(c.path, "a reason");
    std::vector<std::string> lines = r.LogLines();
    const RunReport& report = r.report;
    ASSERT_EQ(report.files.size(), 1u) << c.path;
    EXPECT_EQ(ToString(report.files[0].kind), c.kind);
    EXPECT_EQ(report.files[0].outcome, FileOutcome::kSkipped);
    EXPECT_EQ(report.files[0].note, "a reason");
    EXPECT_EQ(report.FilesNotMigrated(), 1);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find(c.path), std::string::npos) << lines.back();
    EXPECT_NE(lines.back().find("a reason"), std::string::npos) << lines.back();
  }
  // A file the report holds already keeps its entry, now skipped.
  TLogWriter log;
  RunReport report;
  report.files.push_back(
      {"/p/B.dfm", FileKind::kBinaryForm, "ANSI", 2, FileOutcome::kChanged, "", {}, {}, 1, 0});
  RunReporter(log, report).NotMigrated("/p/B.dfm", "changed by another program");
  ASSERT_EQ(report.files.size(), 1u);
  EXPECT_EQ(report.files[0].kind, FileKind::kBinaryForm);
  EXPECT_EQ(report.files[0].outcome, FileOutcome::kSkipped);
}

TEST(RunReporterTest, TheLastLineSaysHowTheRunEnded) {
  struct Case {
    bool copied;
    bool left_out;
    const char* last;
  } cases[] = {{true, false, "Replace procedure was performed sucessfully."},
               {true, true, "Replace completed, 1 file(s) not migrated."},
               {false, false, "Replace failed."}};
  for (const Case& c : cases) {
    Reported r;
    if (c.left_out) r.reporter.NotMigrated("/p/U.pas", "a reason");
    r.reporter.LogUndoFiles("/p/RBackup/ZUvezod.2.reu", c.copied ? "/p/RBackup/ZUvezod.reu" : "");
    r.reporter.LogOutcome(c.copied);
    std::vector<std::string> lines = r.LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines.back().find(c.last), std::string::npos) << lines.back();
    EXPECT_NE(r.dir.Read("log.txt").find("/p/RBackup/ZUvezod.2.reu"), std::string::npos);
  }
}

}  // namespace
}  // namespace tolvern
