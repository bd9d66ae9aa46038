#include "wizard/run_report_page.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/component_replacer.h"
#include "engine/html_report.h"
#include "engine/nx_replacer.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;
namespace fs = std::filesystem;

// The replacer outlives every page: two runs in a row, each with its page,
// must give each page only its own run's changes and leave the replacer's
// own callback and detail setting as they were, and nothing dangling.
TEST(RunReportPageTest, EachRunsPageHoldsItsOwnChangesAndTheReplacerIsGivenBack) {
  ScratchDir dir;
  NXReplacerScope library;
  testing::UseFolderRun(*ReplaceOptions, dir / "src");
  TComponentReplacer& replacer = *BdeReplacer;
  int own_calls = 0;
  replacer.OnFileChanged = [&own_calls](const std::string&, const std::string&) { ++own_calls; };
  replacer.Report.details = false;

  const std::string page_path = dir / "src/Wiz_Report.html";
  dir.Write("src/First.pas", "unit First;\r\ninterface\r\nvar A: TQuery;\r\nend.\r\n");
  {
    RunReportPage page;
    page.Start(replacer);
    ASSERT_TRUE(replacer.Execute());
    ASSERT_TRUE(page.Finish(replacer, "first"));
    EXPECT_EQ(page.Path(), page_path);
    EXPECT_EQ(page.OutcomeLine(), "Report: " + page_path);
  }
  EXPECT_EQ(own_calls, 1) << "the replacer's own callback is still called during the run";
  EXPECT_FALSE(replacer.Report.details);
  std::string first = dir.Read("src/Wiz_Report.html");
  EXPECT_NE(first.find("First.pas"), std::string::npos);
  EXPECT_NE(HtmlReportDiffText(first).find("TNXQuery"), std::string::npos);
  EXPECT_FALSE(fs::exists(page_path + ".diffs.tmp"));

  dir.Write("src/Second.pas", "unit Second;\r\ninterface\r\nvar B: TTable;\r\nend.\r\n");
  {
    RunReportPage page;
    page.Start(replacer);
    ASSERT_TRUE(replacer.Execute());
    ASSERT_TRUE(page.Finish(replacer, "second"));
  }
  EXPECT_EQ(own_calls, 2);
  std::string second = dir.Read("src/Wiz_Report.html");
  EXPECT_NE(HtmlReportDiffText(second).find("TNXTable"), std::string::npos);
  EXPECT_EQ(HtmlReportDiffText(second).find("TNXQuery"), std::string::npos)
      << "the first run's diff came back";

  // A run after the pages are gone calls only the replacer's own callback.
  dir.Write("src/Third.pas", "unit Third;\r\ninterface\r\nvar C: TQuery;\r\nend.\r\n");
  ASSERT_TRUE(replacer.Execute());
  EXPECT_EQ(own_calls, 3);
}

// Without a log there is no page, and nothing is written for it.
TEST(RunReportPageTest, NoLogNoPage) {
  ScratchDir dir;
  NXReplacerScope library;
  testing::UseFolderRun(*ReplaceOptions, dir / "src");
  ReplaceOptions->WriteLog = false;
  dir.Write("src/U.pas", "unit U;\r\ninterface\r\nvar A: TQuery;\r\nend.\r\n");
  RunReportPage page;
  page.Start(*BdeReplacer);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_TRUE(page.Finish(*BdeReplacer, "no log"));
  EXPECT_EQ(page.Path(), "");
  EXPECT_EQ(page.OutcomeLine(), "");
  EXPECT_FALSE(fs::exists(dir / "src/Wiz_Report.html"));
}

// A page that cannot be written is told in the outcome, naming the file; the
// run it reports on stands.
TEST(RunReportPageTest, APageThatCannotBeWrittenIsToldAndTheRunStands) {
  ScratchDir dir;
  NXReplacerScope library;
  testing::UseFolderRun(*ReplaceOptions, dir / "src");
  dir.Write("src/U.pas", "unit U;\r\ninterface\r\nvar A: TQuery;\r\nend.\r\n");
  fs::create_directories(dir / "src/Wiz_Report.html");
  RunReportPage page;
  page.Start(*BdeReplacer);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_FALSE(page.Finish(*BdeReplacer, "blocked"));
  EXPECT_EQ(page.Path(), "");
  EXPECT_EQ(page.OutcomeLine().rfind("The report could not be written: ", 0), 0u);
  EXPECT_NE(page.OutcomeLine().find(dir / "src/Wiz_Report.html"), std::string::npos)
      << page.OutcomeLine();
  EXPECT_NE(dir.Read("src/U.pas").find("TNXQuery"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(dir / "src/Wiz_Report.html"));
}

}  // namespace
}  // namespace tolvern
