#include "engine/sarif_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

namespace tolvern {
namespace {

using nlohmann::json;

struct UriCase {
  const char* path;
  const char* uri;
};

TEST(SarifReportTest, FileUrisOfWindowsAndPosixPaths) {
  const UriCase cases[] = {
      {"C:\\My Projects\\Orders\\", "file:///C:/My%20Projects/Orders/"},
      {"d:/proj/#1/Unit.pas", "file:///d:/proj/%231/Unit.pas"},
      {"C:\\\xC3\x9C"
       "bersicht\\U.pas",
       "file:///C:/%C3%9Cbersicht/U.pas"},
      {"\\\\server\\share\\a b\\", "file://server/share/a%20b/"},
      {"/home/ann/Mes projets/\xC3\xA9t\xC3\xA9/", "file:///home/ann/Mes%20projets/%C3%A9t%C3%A9/"},
      {"/tmp/a%b?c", "file:///tmp/a%25b%3Fc"},
  };
  for (const UriCase& c : cases) EXPECT_EQ(FileUri(c.path), c.uri) << c.path;
}

FileReport File(const std::string& path, const std::string& encoding) {
  return FileReport::Unchanged(path, FileKind::kUnit, encoding);
}

TodoItem Item(const std::string& file, TodoKind kind, TodoLevel level, int line, int col,
              const std::string& text, const std::string& advice) {
  return {kind, file, line, col, text, advice, level};
}

TEST(SarifReportTest, ResultsArePlacesRelativeToTheRootWithTheirKindsAsRules) {
  RunReport report;
  // A Windows tree: the root's letter case differs from the files'.
  FileReport unit = File(
      "C:\\Proj\\Sub Dir\\\xC4"
      "ena.pas",
      "ANSI");
  unit.todo = {Item(unit.path, TodoKind::kMember, TodoLevel::kError, 12, 5,
                    "Q.DatabaseName := '\xD1\xEA\xEB\xE0\xE4'", "set Connection"),
               Item(unit.path, TodoKind::kErrorHandling, TodoLevel::kNote, 20, 1, "on E", "ok")};
  FileReport outside = File("D:\\Shared\\Lib.pas", "UTF-8");
  outside.todo = {Item(outside.path, TodoKind::kMember, TodoLevel::kWarning, 3, 0, "x", "y")};
  FileReport relative = File("Forms/Main.dfm", "UTF-8");
  relative.todo = {Item(relative.path, TodoKind::kFormProperty, TodoLevel::kWarning, 7, 3,
                        "Caption = '\xD0\x96'", "dropped")};
  report.files = {unit, outside, relative};

  const std::string text = SarifText(report, {"c:\\proj", 1251});
  const json log = json::parse(text);
  // Written result by result, the text is still the whole log's dump.
  EXPECT_EQ(log.dump(2) + "\n", text);
  EXPECT_EQ(log["version"], "2.1.0");
  const json& run = log["runs"][0];
  EXPECT_EQ(run["originalUriBaseIds"]["PROJECTROOT"]["uri"], "file:///c:/proj/");
  const json& rules = run["tool"]["driver"]["rules"];
  ASSERT_EQ(rules.size(), 3u);  // member, error-handling, form-property: each once
  const json& results = run["results"];
  ASSERT_EQ(results.size(), 4u);
  for (const json& r : results) {
    // Each result names its rule by id and by index, and they agree.
    EXPECT_EQ(rules[r["ruleIndex"].get<size_t>()]["id"], r["ruleId"]);
    EXPECT_FALSE(rules[r["ruleIndex"].get<size_t>()]["help"]["text"].get<std::string>().empty());
  }
  const json& first = results[0]["locations"][0]["physicalLocation"];
  // A path's bytes are percent-encoded as they are: they name the file.
  EXPECT_EQ(first["artifactLocation"]["uri"], "Sub%20Dir/%C4ena.pas");
  EXPECT_EQ(first["artifactLocation"]["uriBaseId"], "PROJECTROOT");
  EXPECT_EQ(first["region"]["startLine"], 12);
  EXPECT_EQ(first["region"]["startColumn"], 5);
  EXPECT_EQ(results[0]["level"], "error");
  EXPECT_EQ(results[0]["ruleId"], "member");
  // The text of an ANSI file is decoded with the code page given.
  EXPECT_EQ(results[0]["message"]["text"], "Q.DatabaseName := 'Склад' — set Connection");
  EXPECT_EQ(results[1]["level"], "note");
  EXPECT_EQ(results[1]["ruleId"], "error-handling");
  // A file outside the root keeps its absolute URI and no base.
  const json& far = results[2]["locations"][0]["physicalLocation"];
  EXPECT_EQ(far["artifactLocation"]["uri"], "file:///D:/Shared/Lib.pas");
  EXPECT_FALSE(far["artifactLocation"].contains("uriBaseId"));
  EXPECT_FALSE(far["region"].contains("startColumn"));  // no column known
  // A path already relative to the root stays so; UTF-8 text stays as it is.
  const json& rel = results[3]["locations"][0]["physicalLocation"];
  EXPECT_EQ(rel["artifactLocation"]["uri"], "Forms/Main.dfm");
  EXPECT_EQ(results[3]["message"]["text"], "Caption = 'Ж' — dropped");
}

TEST(SarifReportTest, AnEmptyListIsAValidLogWithNoResults) {
  RunReport report;
  report.files = {File("/p/A.pas", "ANSI")};
  const std::string text = SarifText(report, {"/p", 1252});
  const json log = json::parse(text);
  EXPECT_EQ(log.dump(2) + "\n", text);
  EXPECT_TRUE(log["runs"][0]["results"].empty());
  EXPECT_TRUE(log["runs"][0]["tool"]["driver"]["rules"].empty());
  EXPECT_EQ(log["runs"][0]["originalUriBaseIds"]["PROJECTROOT"]["uri"], "file:///p/");
}

}  // namespace
}  // namespace tolvern
