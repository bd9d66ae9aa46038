// End-to-end: every BDE data set of a run is bound to the connection its
// database became, whichever form holds it, and the project file is
// migrated, in project and in folder mode alike, on one thread or on
// several.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::RunTolvern;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;

const std::string kShop = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/databases";

struct Application {
  std::string source;    // the originals
  std::string project;   // its project file's name
  std::string expected;  // its migrated files
};

const Application kApplications[] = {
    {testing::ExampleDir(), "Orders.dpr", testing::ExampleDir() + ".expected"},
    {kShop, "Shop.dpr", kShop + ".expected"},
};

// Every file of a copy of the application after a run in project or folder
// mode on `jobs` threads.
std::map<std::string, std::string> Migrate(const Application& app, bool project_mode, int jobs) {
  ScratchDir dir;
  const std::string tree = dir / "app";
  fs::copy(testing::NativePath(app.source), testing::NativePath(tree), fs::copy_options::recursive);
  const std::vector<std::string> source =
      project_mode ? std::vector<std::string>{"--project", tree + "/" + app.project}
                   : std::vector<std::string>{"--folder", tree};
  std::vector<std::string> args = {"migrate"};
  args.insert(args.end(), source.begin(), source.end());
  for (const char* a : {"--no-backup", "--no-log", "-q", "-j"}) args.push_back(a);
  args.push_back(std::to_string(jobs));
  const auto r = RunTolvern(args);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return Snapshot(tree);
}

TEST(DatabaseBindingTest, FolderModeBindsWhatProjectModeBinds) {
  for (const Application& app : kApplications) {
    const auto project = Migrate(app, true, 1);
    const auto folder = Migrate(app, false, 1);
    const auto expected = Snapshot(app.expected);
    // Every unit, form and project file as expected, in both modes.
    for (const auto& [path, bytes] : expected) {
      EXPECT_EQ(project.at(path), bytes) << app.source << " project mode: " << path;
      EXPECT_EQ(folder.at(path), bytes) << app.source << " folder mode: " << path;
    }
    // Several threads leave the bytes one leaves.
    EXPECT_EQ(Migrate(app, true, 3), project) << app.source;
    EXPECT_EQ(Migrate(app, false, 3), folder) << app.source;
  }
}

}  // namespace
}  // namespace tolvern
