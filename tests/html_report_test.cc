// The HTML report tells what the JSON report of the same run tells: the
// figures, every file, every rewritten object and every to-do place; and no
// text of the run (file names, values, code) reaches the page as markup.
#include "engine/html_report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "platform/text_encoding.h"
#include "test_support.h"

namespace tolvern {
namespace {

using nlohmann::json;
using testing::ReadFileBytes;
using testing::RunTolvern;
using testing::ScratchDir;
namespace fs = std::filesystem;

struct Rendered {
  json report;
  std::string page;
};

// A dry run of args with both reports.
Rendered Render(const ScratchDir& dir, std::vector<std::string> args) {
  args.insert(args.begin(), "migrate");
  for (const char* a : {"--dry-run", "--report", "", "--html", ""}) args.push_back(a);
  args[args.size() - 3] = dir / "report.json";
  args[args.size() - 1] = dir / "report.html";
  const auto run = RunTolvern(args);
  EXPECT_NE(run.exit_code, 1) << run.out << run.err;
  return {json::parse(ReadFileBytes(dir / "report.json")), ReadFileBytes(dir / "report.html")};
}

// Every diff of the page, inflated: they are held compressed, in Base64.
std::string DiffsOf(const std::string& page) {
  // As many diffs come back as the page has data blocks.
  const std::string diffs = HtmlReportDiffText(page);
  size_t heads = 0;
  for (size_t at = diffs.find("\n+++ b/"); at != std::string::npos;
       at = diffs.find("\n+++ b/", at + 1))
    ++heads;
  size_t blocks = 0;
  for (size_t at = page.find("application/octet-stream"); at != std::string::npos;
       at = page.find("application/octet-stream", at + 1))
    ++blocks;
  EXPECT_EQ(heads, blocks);
  return diffs;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string Figure(const char* key, int value) {
  return "data-figure=\"" + std::string(key) + "\">" + std::to_string(value) + "<";
}

void ExpectPageTellsTheReport(const json& report, const std::string& page) {
  const json& summary = report["summary"];
  for (const char* key :
       {"filesScanned", "unitsChanged", "formsChanged", "objectsRewritten", "propertiesDropped"})
    EXPECT_NE(page.find(Figure(key, summary[key].get<int>())), std::string::npos) << key;
  for (const char* level : {"error", "warning", "note"})
    EXPECT_NE(page.find(Figure(level, summary["todoLevels"][level].get<int>())), std::string::npos)
        << level;
  EXPECT_NE(page.find(Figure("objectsNotConverted", summary.value("objectsNotConverted", 0))),
            std::string::npos);

  int kept = 0, converted = 0, dropped = 0, skipped = 0;
  ASSERT_EQ(Count(page, "<tr data-status="), report["files"].size());
  for (const json& f : report["files"]) {
    const std::string path = HtmlEscape(f["path"].get<std::string>());
    const std::string outcome = f["outcome"];
    skipped += outcome == "skipped";
    EXPECT_NE(page.find("<tr data-status=\"" + outcome + "\" data-path=\"" + path + "\">"),
              std::string::npos)
        << path;
    if (outcome == "changed") {
      EXPECT_NE(page.find("<details class=\"file\" id=\""), std::string::npos);
      EXPECT_NE(page.find("\" data-path=\"" + path + "\"><summary>"), std::string::npos) << path;
      // Its diff, labelled with the path the report shows.
      EXPECT_NE(DiffsOf(page).find("+++ b/" + f["path"].get<std::string>() + "\n"),
                std::string::npos)
          << path;
    }
    for (const json& o : f.value("objects", json::array())) {
      EXPECT_NE(page.find("<tbody data-object=\"" + HtmlEscape(o["name"].get<std::string>()) +
                          "\"><tr><th colspan=\"5\">" + HtmlEscape(o["name"].get<std::string>()) +
                          ": " + HtmlEscape(o["oldClass"].get<std::string>()) + " \u2192 " +
                          HtmlEscape(o["newClass"].get<std::string>())),
                std::string::npos)
          << o["name"];
      kept += static_cast<int>(o["kept"].size());
      converted += static_cast<int>(o["converted"].size());
      dropped += static_cast<int>(o["dropped"].size());
      for (const json& d : o["dropped"])
        EXPECT_NE(page.find("<tr class=\"dropped\" data-property=\"" +
                            HtmlEscape(d["name"].get<std::string>()) + "\">"),
                  std::string::npos);
    }
  }
  EXPECT_EQ(static_cast<int>(Count(page, "<tr class=\"kept\"")), kept);
  EXPECT_EQ(static_cast<int>(Count(page, "<tr class=\"converted\"")), converted);
  EXPECT_EQ(static_cast<int>(Count(page, "<tr class=\"dropped\"")), dropped);
  EXPECT_NE(page.find(Figure("propertiesConverted", converted)), std::string::npos);
  EXPECT_NE(page.find(Figure("filesNotMigrated", skipped)), std::string::npos);

  const json aliases = report.value("aliases", json::array());
  EXPECT_EQ(Count(page, "<tr data-alias="), aliases.size());
  for (const json& a : aliases) {
    const std::string name = HtmlEscape(a["alias"].get<std::string>());
    std::string forms;
    for (const json& f : a["forms"])
      forms += (forms.empty() ? "" : "<br>") + HtmlEscape(f.get<std::string>());
    EXPECT_NE(page.find("<tr data-alias=\"" + name + "\"><td>" + name + "</td><td>" +
                        std::to_string(a["dataSets"].get<int>()) + "</td><td>" + forms +
                        "</td><td>" + a["action"].get<std::string>() + "</td><td>" +
                        HtmlEscape(a["connection"].get<std::string>()) + "</td></tr>"),
              std::string::npos)
        << a.dump();
  }

  ASSERT_EQ(Count(page, "<li class=\"todo\""), report["todo"].size());
  for (const json& t : report["todo"]) {
    const std::string file = HtmlEscape(t["file"].get<std::string>());
    const std::string line = std::to_string(t["line"].get<int>());
    const std::string column = std::to_string(t["column"].get<int>());
    EXPECT_NE(
        page.find("<li class=\"todo\" data-level=\"" + t["level"].get<std::string>() +
                  "\" data-kind=\"" + t["kind"].get<std::string>() + "\" data-file=\"" + file +
                  "\" data-line=\"" + line + "\" data-column=\"" + column +
                  "\"><span class=\"where\">" + file + ":" + line + ":" + column +
                  "</span>: <span class=\"text v\">" + HtmlEscape(t["text"].get<std::string>()) +
                  "</span> \u2014 <span class=\"advice\">" +
                  HtmlEscape(t["advice"].get<std::string>()) + "</span>"),
        std::string::npos)
        << t.dump();
  }
}

// Every element of the page is one the page is made of: none came in with
// the run's texts.
void ExpectNoMarkupFromTheRun(const std::string& page) {
  static const std::set<std::string> made_of = {
      "html",  "head",   "meta",    "title",   "style", "body",  "header", "h1",     "h2",
      "h3",    "p",      "dl",      "div",     "dt",    "dd",    "nav",    "a",      "section",
      "label", "select", "option",  "input",   "span",  "table", "thead",  "tbody",  "tr",
      "th",    "td",     "details", "summary", "ul",    "li",    "pre",    "script", "br"};
  std::set<std::string> found;
  static const std::regex tag("<([A-Za-z][A-Za-z0-9]*)");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), tag); it != std::sregex_iterator();
       ++it)
    found.insert((*it)[1]);
  for (const std::string& t : found) EXPECT_TRUE(made_of.count(t)) << "<" << t << "> on the page";
  // One script runs; every other script element is a diff's data block,
  // Base64 and nothing else.
  EXPECT_EQ(Count(page, "<script>"), 1u);
  static const std::regex block(
      "<script type=\"application/octet-stream\" id=\"d-[0-9]+\">[A-Za-z0-9+/=]*</script>");
  const size_t blocks = static_cast<size_t>(
      std::distance(std::sregex_iterator(page.begin(), page.end(), block), std::sregex_iterator()));
  EXPECT_EQ(Count(page, "<script"), 1 + blocks);
  EXPECT_EQ(Count(page, "</script"), 1 + blocks);
}

TEST(HtmlReportTest, TheExampleTellsWhatItsJsonReportTells) {
  ScratchDir dir;
  const std::string tree = testing::CopyExample(dir, "tree");
  const Rendered r = Render(dir, {"--project", dir / "tree/Orders.dpr"});
  ExpectPageTellsTheReport(r.report, r.page);
  ExpectNoMarkupFromTheRun(r.page);
  EXPECT_NE(r.page.find("data-whole=\"true\""), std::string::npos);
  // The code around a place, the place's own line marked.
  EXPECT_NE(r.page.find("<span class=\"mark\">53      Q.DatabaseName := dbOrders.DatabaseName;"),
            std::string::npos);
  EXPECT_NE(r.page.find("<span class=\"mark\">9      AliasName = &#39;ORDERS&#39;</span>"),
            std::string::npos);
}

// Replaces the first from in the file at path by to.
void Edit(const std::string& path, const std::string& from, const std::string& to) {
  std::string text = ReadFileBytes(path);
  const size_t at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  testing::WriteFileBytes(path, text.replace(at, from.size(), to));
}

TEST(HtmlReportTest, MarkupInNamesValuesAndCodeIsShownAsText) {
  ScratchDir dir;
  const std::string tree = testing::CopyExample(dir, "tree");
  const std::string value = "<img src=x onerror=alert(1)>&amp;\"";
  Edit(tree + "/DataModule.dfm", "AliasName = 'ORDERS'", "AliasName = '" + value + "'");
  // A data set on a BDE alias that no database of the run declares.
  Edit(tree + "/DataModule.dfm", "DatabaseName = 'OrdersDB'\r\n    IndexFieldNames",
       "DatabaseName = 'STOCK&<i>\"'\r\n    IndexFieldNames");
  Edit(tree + "/DataModule.pas", "Q.DatabaseName := dbOrders.DatabaseName;",
       "Q.DatabaseName := dbOrders.DatabaseName; // </template></pre><script>alert(2)</script>");
#ifndef _WIN32
  // Names that Windows does not allow in a file's name.
  const std::string name = "Rep<b>orts&'\" x";
  fs::rename(testing::NativePath(tree + "/Reports.pas"),
             testing::NativePath(tree + "/" + name + ".pas"));
  fs::rename(testing::NativePath(tree + "/Reports.dfm"),
             testing::NativePath(tree + "/" + name + ".dfm"));
#endif
  const Rendered r = Render(dir, {"--folder", tree});
  ASSERT_EQ(r.report["aliases"].size(), 1u);
  ExpectPageTellsTheReport(r.report, r.page);
  ExpectNoMarkupFromTheRun(r.page);
  EXPECT_EQ(r.page.find(value), std::string::npos);
  EXPECT_NE(r.page.find(HtmlEscape(value)), std::string::npos);
  EXPECT_NE(r.page.find("// &lt;/template&gt;&lt;/pre&gt;&lt;script&gt;alert(2)&lt;/script&gt;"),
            std::string::npos);
  // The diff holds the line as it is, packed away from the markup.
  EXPECT_NE(DiffsOf(r.page).find("// </template></pre><script>alert(2)</script>"),
            std::string::npos);
#ifndef _WIN32
  EXPECT_NE(r.page.find("data-path=\"Rep&lt;b&gt;orts&amp;&#39;&quot; x.dfm\""), std::string::npos);
  EXPECT_NE(r.page.find("#open=Rep%3Cb%3Eorts%26%27%22%20x.dfm"), std::string::npos);
#endif
}

TEST(HtmlReportTest, TheTodoCommandWritesThePageToo) {
  ScratchDir dir;
  testing::CopyExample(dir, "tree");
  const auto run =
      RunTolvern({"todo", "--project", dir / "tree/Orders.dpr", "--html", dir / "todo.html"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::string page = ReadFileBytes(dir / "todo.html");
  const Rendered r = Render(dir, {"--project", dir / "tree/Orders.dpr"});
  EXPECT_EQ(Count(page, "<li class=\"todo\""), r.report["todo"].size());
  EXPECT_NE(page.find("Migration report (dry run)"), std::string::npos);
  EXPECT_NE(DiffsOf(page).find("+++ b/DataModule.dfm"), std::string::npos);
  EXPECT_FALSE(fs::exists(testing::NativePath(dir / "todo.html.diffs.tmp")));
}

// The page's own words: a dry run tells what would be, a real run what was;
// the banner says it plainly.
TEST(HtmlReportTest, ADryRunSaysWouldAndTheBannerIsPlain) {
  ScratchDir dir;
  testing::CopyExample(dir, "tree");
  const std::string dry = Render(dir, {"--project", dir / "tree/Orders.dpr"}).page;
  EXPECT_NE(dry.find(">Every file would be migrated: Dry run: no file was changed.</p>"),
            std::string::npos);
  EXPECT_NE(dry.find("<td class=\"st\">would change</td>"), std::string::npos);
  EXPECT_NE(dry.find(" \u2014 would change, "), std::string::npos);
  EXPECT_NE(dry.find("<dt>Units that would change</dt>"), std::string::npos);
  const auto real = RunTolvern(
      {"migrate", "--project", dir / "tree/Orders.dpr", "--quiet", "--html", dir / "real.html"});
  ASSERT_EQ(real.exit_code, 0) << real.err;
  const std::string done = ReadFileBytes(dir / "real.html");
  EXPECT_NE(done.find(">Every file was migrated: Replace procedure was performed sucessfully.</p>"),
            std::string::npos);
  EXPECT_NE(done.find("<td class=\"st\">changed</td>"), std::string::npos);
  for (const std::string& page : {dry, done}) EXPECT_EQ(page.find("was whole"), std::string::npos);
  // Nothing in the dry run's words says a file changed.
  for (const char* word : {">changed<", "Units changed", "Forms changed", "Objects rewritten",
                           "object(s) rewritten", " \u2014 changed, "})
    EXPECT_EQ(dry.find(word), std::string::npos) << word;
}

// The code page a file was read in decodes its text: the page is UTF-8 and
// holds the letters the author wrote, in diffs, code and places.
TEST(HtmlReportTest, EightBitTextIsDecodedWithTheCodePageGiven) {
  struct App {
    const char* folder;
    const char* project;
    const char* code_page;
    const char* letters;
  };
  const App apps[] = {
      {"codepage-cyrillic", "Clients.dpr", "1251", "Клиенты и заказы"},
      {"codepage-western", "Clientes.dpr", "1252", "Clientes e encomendas — Ação"},
  };
  for (const App& app : apps) {
    ScratchDir dir;
    fs::copy(std::string(TOLVERN_SOURCE_DIR) + "/tests/data/" + app.folder, dir / "app");
    const std::string project = dir / ("app/" + std::string(app.project));
    const Rendered r = Render(dir, {"--project", project, "--codepage", app.code_page});
    EXPECT_TRUE(IsValidUtf8(r.page)) << app.folder;
    EXPECT_NE(DiffsOf(r.page).find(app.letters), std::string::npos) << app.folder;
    // Read in another page, the same bytes give other letters, still UTF-8.
    const Rendered other = Render(dir, {"--project", project, "--codepage", "1253"});
    EXPECT_TRUE(IsValidUtf8(other.page)) << app.folder;
    EXPECT_EQ(DiffsOf(other.page).find(app.letters), std::string::npos) << app.folder;
  }
}

TEST(HtmlReportTest, APageThatCannotBeWrittenIsNamedBeforeTheRun) {
  ScratchDir dir;
  const std::string tree = testing::CopyExample(dir, "tree");
  const auto before = testing::Snapshot(tree);
  const std::string page = dir / "no-such-folder/report.html";
  const auto run = RunTolvern({"migrate", "--project", tree + "/Orders.dpr", "--html", page});
  EXPECT_NE(run.exit_code, 0);
  EXPECT_NE((run.out + run.err).find("no-such-folder"), std::string::npos) << run.out << run.err;
  EXPECT_EQ(testing::Snapshot(tree), before);
}

}  // namespace
}  // namespace tolvern
