// Preview and report: a dry run touches nothing and shows the diffs a real run
// then makes; the report is stable and follows its documented schema.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "corpus.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "json_schema.h"
#include "streams/form_resource.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::RunTolvern;
using testing::ScratchDir;
using testing::Snapshot;
namespace fs = std::filesystem;

const std::string kExample = testing::ExampleDir();

// The diff part of the output: everything before the closing lines.
std::string Diffs(const std::string& out) {
  for (const char* end : {"\nwould change: ", "\nDry run: ", "\nReplace procedure"}) {
    size_t at = out.find(end);
    if (at != std::string::npos) return out.substr(0, at + 1);
  }
  return out;
}

void ExpectDryRunShowsTheRealRun(const ScratchDir& dir, const std::vector<std::string>& mode) {
  std::string tree = dir / "tree";
  auto before = Snapshot(tree);
  std::vector<std::string> args = {"migrate"};
  args.insert(args.end(), mode.begin(), mode.end());
  args.push_back("--diff");
  std::vector<std::string> dry = args;
  dry.push_back("--dry-run");
  auto preview = RunTolvern(dry);
  ASSERT_EQ(preview.exit_code, 0) << preview.err;
  EXPECT_EQ(Snapshot(tree), before) << "a dry run changed the tree";
  EXPECT_NE(preview.out.find("Dry run: no file was changed."), std::string::npos);
  auto real = RunTolvern(args);
  ASSERT_EQ(real.exit_code, 0) << real.err;
  EXPECT_NE(Snapshot(tree), before);
  EXPECT_FALSE(Diffs(real.out).empty());
  EXPECT_EQ(Diffs(preview.out), Diffs(real.out));
}

TEST(ReportTest, DryRunOverTheExample) {
  ScratchDir dir;
  testing::CopyExample(dir, "tree");
  ExpectDryRunShowsTheRealRun(dir, {"--project", dir / "tree/Orders.dpr"});
}

TEST(ReportTest, DryRunOverRealForms) {
  TOLVERN_NEED_CORPUS("a dry run over real forms");
  ScratchDir dir;
  int forms = 0;
  for (const auto& e : fs::recursive_directory_iterator(::tolvern::testing::CorpusDir())) {
    if (!e.is_regular_file() || e.path().extension() != ".dfm" || forms >= 60) continue;
    std::string bytes = testing::ReadFileBytes(e.path().string());
    if (bytes.find("TQuery") == std::string::npos && bytes.find("TTable") == std::string::npos)
      continue;
    std::string name = "F" + std::to_string(forms++);
    dir.Write("tree/" + name + ".dfm", bytes);
    dir.Write("tree/" + name + ".pas", "unit " + name + ";\r\n{$R *.dfm}\r\nend.\r\n");
  }
  ASSERT_GT(forms, 30);
  ExpectDryRunShowsTheRealRun(dir, {"--folder", dir / "tree"});
}

TEST(ReportTest, ExampleReportIsTheCheckedInOne) {
  ScratchDir dir;
  testing::CopyExample(dir, "orders");
  auto r = RunTolvern({"migrate", "--project", dir / "orders/Orders.dpr", "--dry-run", "--report",
                       dir / "report.json"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string report = dir.Read("report.json");
  EXPECT_EQ(report, testing::ReadFileBytes(kExample + ".report.json"));
  // Every dropped property of the example is there with its value.
  auto doc = nlohmann::json::parse(report);
  std::vector<std::string> dropped;
  for (const auto& f : doc["files"])
    for (const auto& o : f.value("objects", nlohmann::json::array()))
      for (const auto& d : o["dropped"])
        dropped.push_back(o["name"].get<std::string>() + "." + d["name"].get<std::string>() + "=" +
                          d["value"].get<std::string>() + " (" + d["reason"].get<std::string>() +
                          ")");
  EXPECT_EQ(dropped, (std::vector<std::string>{"dbOrders.AliasName='ORDERS' (not-published)",
                                               "dbOrders.DatabaseName='OrdersDB' (database-name)",
                                               "dbOrders.SessionName='Default' (not-published)",
                                               "qryOrders.RequestLive=True (not-published)"}));
  EXPECT_EQ(doc["summary"]["propertiesDropped"], 4);
}

TEST(ReportTest, ReportOfEveryCorpusFormFollowsTheSchema) {
  TOLVERN_NEED_CORPUS("the report schema over every corpus form");
  nlohmann::json schema = nlohmann::json::parse(
      testing::ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) + "/docs/report.schema.json"));
  NXReplacerScope library;
  ScratchDir dir;
  int forms = 0, objects = 0;
  for (TComponentReplacer* r : {BdeReplacer, AdoReplacer}) {
    r->Report = RunReport{"folder", r->OldUnit == "ADODB" ? "ADODB" : "DBTables", true, {}};
    for (const auto& e : fs::recursive_directory_iterator(::tolvern::testing::CorpusDir())) {
      std::string ext = e.path().extension().string();
      if (!e.is_regular_file() || (ext != ".dfm" && ext != ".DFM")) continue;
      FormFileData form;
      std::string why;
      std::string bytes = testing::ReadFileBytes(e.path().string());
      if (!TComponentReplacer::ReadFormFile(e.path().string(), bytes, &form, &why)) continue;
      fs::remove(dir / "out.dfm");
      r->ReplaceInForm(form, e.path().string(), dir / "out.dfm");
      ++forms;
    }
    objects += r->Report.ObjectsRewritten();
    nlohmann::json doc = nlohmann::json::parse(r->Report.ToJson());
    EXPECT_EQ(testing::ValidateJson(doc, schema, schema), "");
  }
  EXPECT_GT(forms, 1700);
  EXPECT_GT(objects, 3000);
  // The validator itself catches violations.
  nlohmann::json bad = nlohmann::json::parse(BdeReplacer->Report.ToJson());
  bad["files"][0]["kind"] = "spreadsheet";
  EXPECT_EQ(testing::ValidateJson(bad, schema, schema).rfind("$.files[0].kind", 0), 0u);
}

}  // namespace
}  // namespace tolvern
