// The HTML report in a real browser: headless Chromium loads the page of the
// example with "#filter=changed&open=MainForm.dfm" in its address; the page's
// script must then have hidden every file that did not change and filled in
// the diff of the opened section. A screenshot shows the page as drawn.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <sstream>

#include "platform/text_encoding.h"
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

#ifndef _WIN32
// The DOM of the page at url once its script has run; "" (with a failure)
// when Chromium did not run.
std::string DomOf(const std::string& chromium, const ScratchDir& dir, const std::string& url) {
  const int status = Chromium(chromium, dir, "--dump-dom", url, dir / "dom.html");
  EXPECT_EQ(status, 0) << ReadFileBytes(dir / "chromium.err");
  return status == 0 ? ReadFileBytes(dir / "dom.html") : "";
}
#endif

TEST(HtmlBrowserTest, TheTodoFilterNarrowsTheListAndItsCounts) {
#ifdef _WIN32
  GTEST_SKIP() << "headless Chromium is run on Linux only";
#else
  const std::string chromium = FindChromium();
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed: the filter is not tried";
  ScratchDir dir;
  testing::CopyExample(dir, "tree");
  const std::string page = dir / "todo.html";
  const auto run =
      RunTolvern({"todo", "--project", dir / "tree/Orders.dpr", "--all", "--html", page});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  // What each filter must leave, counted from the places the page holds.
  const std::string html = ReadFileBytes(page);
  static const std::regex place(
      "<li class=\"todo\" data-level=\"([a-z]+)\" data-kind=\"([a-z-]+)\" data-file=\"([^\"]*)\"");
  struct Filter {
    const char* address;
    std::function<bool(const std::smatch&)> keeps;
  };
  const Filter filters[] = {
      {"level=warning", [](const std::smatch& m) { return m[1] == "warning"; }},
      {"kind=member", [](const std::smatch& m) { return m[2] == "member"; }},
      {"file=datamodule.pas", [](const std::smatch& m) { return m[3] == "DataModule.pas"; }},
      {"level=error&file=.pas",
       [](const std::smatch& m) {
         return m[1] == "error" && m[3].str().find(".pas") != std::string::npos;
       }},
  };
  const size_t total = Count(html, place);
  ASSERT_GT(total, 3u);
  for (const Filter& f : filters) {
    size_t kept = 0;
    for (auto it = std::sregex_iterator(html.begin(), html.end(), place);
         it != std::sregex_iterator(); ++it)
      kept += f.keeps(*it);
    ASSERT_GT(kept, 0u) << f.address;
    ASSERT_LT(kept, total) << f.address;
    const std::string dom = DomOf(chromium, dir, "file://" + page + "#" + f.address);
    EXPECT_EQ(Count(dom, std::regex("<li class=\"todo\"[^>]* hidden")), total - kept) << f.address;
    EXPECT_NE(dom.find("id=\"todo-shown\">" + std::to_string(kept) + " of " +
                       std::to_string(total) + " shown<"),
              std::string::npos)
        << f.address;
    EXPECT_NE(dom.find("<span id=\"todo-total\">" + std::to_string(kept) + "</span>"),
              std::string::npos)
        << f.address;
    // The counts of the groups left add up to what is shown; emptied groups hide.
    size_t counted = 0;
    static const std::regex kind_count(
        "<details open=\"\" class=\"kind\" data-kind=\"[a-z-]+\"><summary>[a-z-]+ \\(<span "
        "class=\"n\">(\\d+)</span>");
    for (auto it = std::sregex_iterator(dom.begin(), dom.end(), kind_count);
         it != std::sregex_iterator(); ++it)
      counted += std::stoul((*it)[1]);
    EXPECT_EQ(counted, kept) << f.address;
    EXPECT_EQ(Count(dom, std::regex("<details open=\"\" class=\"kind\" data-kind=\"[a-z-]+\" "
                                    "hidden=\"\"><summary>[a-z-]+ \\(<span class=\"n\">0<")),
              Count(dom, std::regex("class=\"kind\"[^>]* hidden")))
        << f.address;
  }
#endif
}

// The applications in CP1251 and CP1252: the page is valid UTF-8 and the
// browser shows the letters the sources hold, in the diff and the to-do code.
TEST(HtmlBrowserTest, EightBitSourcesShowTheirOwnLetters) {
#ifdef _WIN32
  GTEST_SKIP() << "headless Chromium is run on Linux only";
#else
  const std::string chromium = FindChromium();
  if (chromium.empty()) GTEST_SKIP() << "chromium is not installed: the page is not loaded";
  struct App {
    const char* folder;
    const char* project;
    const char* code_page;
    std::vector<std::string> letters;
  };
  const App apps[] = {
      {"codepage-cyrillic",
       "Clients.dpr",
       "1251",
       {"Клиенты и заказы", "Не удалось открыть таблицу клиентов", "Склад"}},
      {"codepage-western",
       "Clientes.dpr",
       "1252",
       {"Clientes e encomendas — Ação", "Não foi possível abrir a tabela", "Armazém"}},
  };
  for (const App& app : apps) {
    ScratchDir dir;
    fs::copy(std::string(TOLVERN_SOURCE_DIR) + "/tests/data/" + app.folder, dir / "app");
    const std::string page = dir / "report.html";
    const auto run =
        RunTolvern({"migrate", "--project", dir / ("app/" + std::string(app.project)), "--dry-run",
                    "--quiet", "--codepage", app.code_page, "--html", page});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const std::string html = ReadFileBytes(page);
    EXPECT_TRUE(IsValidUtf8(html)) << app.folder;
    const std::string dom = DomOf(chromium, dir, "file://" + page + "#open=Main.pas");
    const size_t diff = dom.find("<span class=\"head\">+++ b/Main.pas</span>");
    ASSERT_NE(diff, std::string::npos) << app.folder;
    EXPECT_NE(dom.find("<span class=\"add\">", diff), std::string::npos) << app.folder;
    // The message line, drawn in the opened diff by the page's script; the
    // alias, in the to-do places.
    EXPECT_NE(dom.find(app.letters[1], diff), std::string::npos) << app.folder;
    EXPECT_NE(dom.find(app.letters[2]), std::string::npos) << app.folder;
    EXPECT_EQ(dom.find("\xEF\xBF\xBD"), std::string::npos) << app.folder << ": a U+FFFD";
    // The form's caption, in its diff once that is opened.
    const std::string form = DomOf(chromium, dir, "file://" + page + "#open=Main.dfm");
    const size_t form_diff = form.find("<span class=\"head\">+++ b/Main.dfm</span>");
    ASSERT_NE(form_diff, std::string::npos) << app.folder;
    EXPECT_NE(form.find(app.letters[0], form_diff), std::string::npos) << app.folder;
  }
#endif
}

}  // namespace
}  // namespace tolvern
