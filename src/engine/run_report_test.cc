#include "engine/run_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "test_support.h"

namespace tolvern {
namespace {

constexpr FileKind kKinds[] = {FileKind::kUnit, FileKind::kProject, FileKind::kTextForm,
                               FileKind::kBinaryForm, FileKind::kFolder};
constexpr FileOutcome kOutcomes[] = {FileOutcome::kUnchanged, FileOutcome::kChanged,
                                     FileOutcome::kSkipped, FileOutcome::kOutside,
                                     FileOutcome::kCreated};

// The words of the report, as the schema allows them: every kind, outcome
// and alias action has one of its own, and every word of the schema is one.
TEST(RunReportTest, KindsAndOutcomesAreTheWordsOfTheSchema) {
  const std::pair<FileKind, std::string_view> kinds[] = {{FileKind::kUnit, "unit"},
                                                         {FileKind::kProject, "project"},
                                                         {FileKind::kTextForm, "text-form"},
                                                         {FileKind::kBinaryForm, "binary-form"},
                                                         {FileKind::kFolder, "folder"}};
  for (const auto& [kind, word] : kinds) EXPECT_EQ(ToString(kind), word);
  const std::pair<FileOutcome, std::string_view> outcomes[] = {
      {FileOutcome::kUnchanged, "unchanged"},
      {FileOutcome::kChanged, "changed"},
      {FileOutcome::kSkipped, "skipped"},
      {FileOutcome::kOutside, "outside"},
      {FileOutcome::kCreated, "created"}};
  for (const auto& [outcome, word] : outcomes) EXPECT_EQ(ToString(outcome), word);

  const nlohmann::json schema = nlohmann::json::parse(
      testing::ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) + "/docs/report.schema.json"));
  const nlohmann::json& file = schema["definitions"]["file"]["properties"];
  std::set<std::string> kind_words, outcome_words;
  for (FileKind k : kKinds) kind_words.insert(std::string(ToString(k)));
  for (FileOutcome o : kOutcomes) outcome_words.insert(std::string(ToString(o)));
  EXPECT_EQ(kind_words, file["kind"]["enum"].get<std::set<std::string>>());
  EXPECT_EQ(outcome_words, file["outcome"]["enum"].get<std::set<std::string>>());

  const std::pair<AliasAction, std::string_view> actions[] = {{AliasAction::kCreate, "create"},
                                                              {AliasAction::kBind, "bind"},
                                                              {AliasAction::kUnmapped, "unmapped"}};
  std::set<std::string> action_words;
  for (const auto& [action, word] : actions) {
    EXPECT_EQ(ToString(action), word);
    action_words.insert(std::string(word));
  }
  EXPECT_EQ(action_words, schema["properties"]["aliases"]["items"]["properties"]["action"]["enum"]
                              .get<std::set<std::string>>());
}

// One file of every kind with every outcome: each count takes the files of
// its own outcome, and the changed ones of its own kinds.
TEST(RunReportTest, CountsTakeTheFilesOfTheirKindAndOutcome) {
  RunReport report;
  for (FileKind kind : kKinds)
    for (FileOutcome outcome : kOutcomes) {
      FileReport f = FileReport::Unchanged("F", kind, "ANSI");
      f.outcome = outcome;
      report.files.push_back(f);
    }
  EXPECT_EQ(report.UnitsChanged(), 2);  // a unit and a project file
  EXPECT_EQ(report.FormsChanged(), 2);  // a text form and a binary form
  EXPECT_EQ(report.FilesNotMigrated(), 5);
  EXPECT_EQ(report.FilesOutside(), 5);
  EXPECT_EQ(report.FilesCreated(), 5);

  const nlohmann::json summary = nlohmann::json::parse(report.ToJson())["summary"];
  EXPECT_EQ(summary["unitsChanged"], 2);
  EXPECT_EQ(summary["formsChanged"], 2);
  EXPECT_EQ(summary["filesScanned"], 20);
  EXPECT_EQ(summary["filesCreated"], 5);
  EXPECT_EQ(summary["unitsOutside"], 5);
}

// The forms' entries carry their objects; a unit's, a project file's and a
// folder's do not.
TEST(RunReportTest, OnlyFormsListTheirObjects) {
  RunReport report;
  for (FileKind kind : kKinds) report.files.push_back(FileReport::Unchanged("F", kind, "ANSI"));
  const nlohmann::json files = nlohmann::json::parse(report.ToJson())["files"];
  ASSERT_EQ(files.size(), std::size(kKinds));
  for (size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(files[i]["kind"], ToString(kKinds[i]));
    EXPECT_EQ(files[i].contains("objects"), IsForm(kKinds[i])) << files[i]["kind"];
    EXPECT_EQ(files[i].contains("notParsed"), IsForm(kKinds[i])) << files[i]["kind"];
  }
}

}  // namespace
}  // namespace tolvern
