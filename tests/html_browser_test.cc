// The HTML report in a real browser: headless Chromium loads the page of the
// example with "#filter=changed&open=MainForm.dfm" in its address; the page's
// script must then have hidden every file that did not change and filled in
// the diff of the opened section. A screenshot shows the page as drawn.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::ReadFileBytes;
using testing::RunTolvern;
using testing::ScratchDir;
namespace fs = std::filesystem;

#ifndef _WIN32
// Debian's chromium (scripts/install-deps.sh installs it) on the PATH; "" when
// there is none.
std::string FindChromium() {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    for (const char* name : {"chromium", "chromium-browser"}) {
      const fs::path exe = fs::path(dir) / name;
      if (!dir.empty() && fs::exists(exe)) return exe.string();
    }
  return "";
}

std::string Quoted(const std::string& s) {
  return "'" + std::regex_replace(s, std::regex("'"), "'\\''") + "'";
}

// Runs headless Chromium over url with the options given; its exit code.
int Chromium(const std::string& exe, const ScratchDir& dir, const std::string& options,
             const std::string& url, const std::string& out) {
  const std::string cmd = "timeout 120 " + Quoted(exe) +
                          " --headless --disable-gpu --no-sandbox --no-first-run "
                          "--disable-dev-shm-usage --user-data-dir=" +
                          Quoted(dir / "profile") + " " + options + " " + Quoted(url) + " > " +
                          Quoted(out) + " 2> " + Quoted(dir / "chromium.err");
  return std::system(cmd.c_str());
}

size_t Count(const std::string& text, const std::regex& what) {
  return static_cast<size_t>(
      std::distance(std::sregex_iterator(text.begin(), text.end(), what), std::sregex_iterator()));
}
#endif

TEST(HtmlBrowserTest, TheFilterAndADiffSectionWork) {
#ifdef _WIN32
  GTEST_SKIP() << "headless Chromium is run on Linux only";
#else
  const std::string chromium = FindChromium();
  if (chromium.empty())
    GTEST_SKIP() << "chromium is not installed (scripts/install-deps.sh installs it): the HTML "
                    "report is not loaded in a browser";
  ScratchDir dir;
  testing::CopyExample(dir, "tree");
  const std::string page = dir / "report.html";
  const auto run = RunTolvern(
      {"migrate", "--project", dir / "tree/Orders.dpr", "--dry-run", "--quiet", "--html", page});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::string url = "file://" + page + "#filter=changed&open=MainForm.dfm";

  ASSERT_EQ(Chromium(chromium, dir, "--dump-dom", url, dir / "dom.html"), 0)
      << ReadFileBytes(dir / "chromium.err");
  const std::string dom = ReadFileBytes(dir / "dom.html");
  // The example has 6 changed files and 2 unchanged ones.
  EXPECT_EQ(Count(dom, std::regex("<tr data-status=\"unchanged\"[^>]* hidden")), 2u) << dom;
  EXPECT_EQ(Count(dom, std::regex("<tr data-status=\"changed\"[^>]* hidden")), 0u);
  EXPECT_NE(dom.find("id=\"shown\">6 of 8 shown<"), std::string::npos);
  // Only the section named is open, and its diff is drawn line by line.
  const std::regex open("<details class=\"file\"[^>]*data-path=\"([^\"]*)\"[^>]* open");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(dom, m, open)) << dom;
  EXPECT_EQ(m[1], "MainForm.dfm");
  EXPECT_EQ(Count(dom, open), 1u);
  const size_t section = dom.find("<details class=\"file\" id=\"f-6\" data-path=\"MainForm.dfm\"");
  ASSERT_NE(section, std::string::npos);
  const size_t end = dom.find("</details>", section);
  const std::string opened = dom.substr(section, end - section);
  EXPECT_NE(opened.find("<pre class=\"diff\" data-diff=\""), std::string::npos);
  EXPECT_NE(opened.find("<span class=\"head\">+++ b/MainForm.dfm</span>"), std::string::npos)
      << opened;
  EXPECT_NE(opened.find("<span class=\"hunk\">@@ "), std::string::npos);
  EXPECT_NE(opened.find("<span class=\"del\">"), std::string::npos);
  EXPECT_NE(opened.find("<span class=\"add\">"), std::string::npos);
  // Sections not opened are not drawn.
  EXPECT_EQ(Count(dom, std::regex("<span class=\"add\">")),
            Count(opened, std::regex("<span class=\"add\">")));

  const std::string shot = dir / "report.png";
  ASSERT_EQ(Chromium(chromium, dir, "--screenshot=" + Quoted(shot) + " --window-size=1280,1600",
                     url, dir / "shot.out"),
            0)
      << ReadFileBytes(dir / "chromium.err");
  const std::string png = ReadFileBytes(shot);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_GT(png.size(), 10000u);
#endif
}

}  // namespace
}  // namespace tolvern
