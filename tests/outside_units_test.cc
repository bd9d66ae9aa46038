// End-to-end: in project mode, units that the project's units use, that
// stand beside them and name the source classes, but that the project file
// does not list, are named and left as they are, each with its to-do item;
// --follow-uses migrates them, and those they use, as the project's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "json_schema.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::Lines;
using testing::RunTolvern;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;

const std::string kApp = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/outside-units";

// " — ", as the list writes it.
#define DASH " \xE2\x80\x94 "

// A copy of the application in dir; its project file's path.
std::string CopyApp(const ScratchDir& dir) {
  fs::copy(testing::NativePath(kApp), testing::NativePath(dir / "app"),
           fs::copy_options::recursive);
  return dir / "app/App.dpr";
}

std::vector<std::string> Migrate(const std::string& project, std::vector<std::string> more) {
  std::vector<std::string> args = {"migrate",     "--project", project,
                                   "--no-backup", "--no-log",  "-q"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(OutsideUnitsRunTest, WithoutFollowUsesTheyAreNamedAndLeftAsTheyAre) {
  ScratchDir dir;
  const std::string project = CopyApp(dir);
  const std::string report = dir / "report.json";
  const auto r = RunTolvern(Migrate(project, {"--report", report, "--todo"}));
  // Nothing of the project needed a change, and nothing outside it got one.
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Snapshot(dir / "app"), Snapshot(kApp));
  const std::vector<std::string> out = Lines(r.out);
  const std::vector<std::string> expected_lines = {
      "Outside the project: Helper.pas: not part of the project file (used by Main.pas): it "
      "names the source classes",
      "Outside the project: Lookup.pas: not part of the project file (used by Helper.pas): it "
      "names the source classes",
      "Helper.pas:6:26: warning: outside-unit: DBTables" DASH
      "the unit uses the old components but is not in the project file (Main.pas uses it): "
      "migrate it with --follow-uses (in the wizard: \"Migrate used units outside the project\"), "
      "or add it to the project",
      "Lookup.pas:6:7: warning: outside-unit: DBTables" DASH
      "the unit uses the old components but is not in the project file (Helper.pas uses it): "
      "migrate it with --follow-uses (in the wizard: \"Migrate used units outside the project\"), "
      "or add it to the project",
  };
  for (const std::string& line : expected_lines)
    EXPECT_NE(std::find(out.begin(), out.end(), line), out.end()) << line << "\n" << r.out;
  EXPECT_NE(r.out.find("; not migrated: 0; outside the project: 2 (--follow-uses migrates them); "),
            std::string::npos)
      << r.out;

  // The report names them with outcome "outside", and follows its schema.
  const nlohmann::json doc = nlohmann::json::parse(testing::ReadFileBytes(report));
  const nlohmann::json schema = nlohmann::json::parse(
      testing::ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) + "/docs/report.schema.json"));
  EXPECT_EQ(testing::ValidateJson(doc, schema, schema), "");
  std::map<std::string, std::string> outcomes;
  for (const auto& f : doc["files"]) outcomes[f["path"]] = f["outcome"];
  EXPECT_EQ(outcomes, (std::map<std::string, std::string>{{"App.dpr", "unchanged"},
                                                          {"Main.pas", "unchanged"},
                                                          {"Main.dfm", "unchanged"},
                                                          {"Helper.pas", "outside"},
                                                          {"Lookup.pas", "outside"}}));
  EXPECT_EQ(doc["summary"]["unitsOutside"], 2);
  int items = 0;
  for (const auto& t : doc["todo"]) items += t["kind"] == "outside-unit";
  EXPECT_EQ(items, 2);
}

TEST(OutsideUnitsRunTest, TodoListsThemAndNamesThemOnStandardError) {
  ScratchDir dir;
  const std::string project = CopyApp(dir);
  const auto r = RunTolvern({"todo", "--project", project});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Lines(r.out).size(), 3u) << r.out;  // two items and the count line
  EXPECT_NE(r.out.find("to do: 0 error(s), 2 warning(s), 0 note(s)"), std::string::npos) << r.out;
  EXPECT_EQ(Lines(r.err),
            (std::vector<std::string>{
                "tolvern: outside the project: Helper.pas: not part of the project file (used by "
                "Main.pas): it names the source classes",
                "tolvern: outside the project: Lookup.pas: not part of the project file (used by "
                "Helper.pas): it names the source classes"}));
  // Followed, they are the run's own: their places are listed as any unit's.
  const auto followed = RunTolvern({"todo", "--project", project, "--follow-uses"});
  EXPECT_EQ(followed.exit_code, 0) << followed.err;
  EXPECT_EQ(followed.err, "");
  EXPECT_EQ(followed.out.find("outside-unit"), std::string::npos) << followed.out;
}

TEST(OutsideUnitsRunTest, FollowUsesMigratesThemAndWhatTheyUse) {
  const auto expected = Snapshot(kApp + ".expected");
  for (const char* jobs : {"1", "3"}) {
    ScratchDir dir;
    const std::string project = CopyApp(dir);
    const auto r = RunTolvern(Migrate(project, {"--follow-uses", "-j", jobs}));
    EXPECT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out.find("Outside the project"), std::string::npos) << r.out;
    // Helper.pas with its form, and Lookup.pas that Helper.pas uses; not the
    // unit that no unit uses, nor the one without source classes.
    EXPECT_EQ(Snapshot(dir / "app"), expected) << "-j " << jobs;
  }
}

TEST(OutsideUnitsRunTest, RestoreGivesTheFollowedUnitsBackWithTheRest) {
  ScratchDir dir;
  const std::string project = CopyApp(dir);
  const auto r = RunTolvern({"migrate", "--project", project, "--follow-uses", "-q"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  const auto restored = RunTolvern({"restore", dir / "app/RBackup/ZUvezod.reu"});
  ASSERT_EQ(restored.exit_code, 0) << restored.out << restored.err;
  const auto after = Snapshot(dir / "app");
  for (const auto& [path, bytes] : Snapshot(kApp)) EXPECT_EQ(after.at(path), bytes) << path;
}

TEST(OutsideUnitsRunTest, DryRunWithFollowUsesTellsAndTouchesNothing) {
  ScratchDir dir;
  const std::string project = CopyApp(dir);
  const auto r = RunTolvern(Migrate(project, {"--follow-uses", "--dry-run"}));
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Snapshot(dir / "app"), Snapshot(kApp));
  for (const char* file : {"Helper.pas", "Helper.dfm", "Lookup.pas"})
    EXPECT_NE(r.out.find(std::string("would change: ") + file), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("would change: Unused.pas"), std::string::npos) << r.out;
}

TEST(OutsideUnitsRunTest, FollowUsesNeedsAProject) {
  ScratchDir dir;
  CopyApp(dir);
  const auto r = RunTolvern({"migrate", "--folder", dir / "app", "--follow-uses", "--dry-run"});
  EXPECT_EQ(r.exit_code, 2) << r.out << r.err;
}

}  // namespace
}  // namespace tolvern
