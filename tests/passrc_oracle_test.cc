// An independent parser as oracle: Free Pascal's own source parser
// (fcl-passrc, shipped with fpc) reads every unit and project file of the
// bundled example and of the test applications before and after a
// migration; each that it parsed before it must parse after. The checker is
// built at test time from tests/fpc/passcheck.pas; without fpc or
// fcl-passrc the test is skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "test_support.h"

namespace tolvern {
namespace {

namespace fs = std::filesystem;
using testing::Lines;
using testing::ReadFileBytes;
using testing::RunTolvern;
using testing::ScratchDir;
using testing::WriteFileBytes;

const std::string kSource = TOLVERN_SOURCE_DIR;

// The folder that holds fcl-passrc's compiled units (pparser.ppu), under
// the usual places fpc installs to; "" when there is none.
[[maybe_unused]] std::string PassrcUnits() {
  for (const char* root :
       {"/usr/lib/x86_64-linux-gnu/fpc", "/usr/lib/fpc", "/usr/local/lib/fpc", "/usr/lib64/fpc"}) {
    std::error_code ec;
    if (!fs::is_directory(root, ec)) continue;
    for (const auto& version : fs::directory_iterator(root, ec)) {
      const fs::path units = version.path() / "units";
      if (!fs::is_directory(units, ec)) continue;
      for (const auto& target : fs::directory_iterator(units, ec)) {
        const fs::path dir = target.path() / "fcl-passrc";
        if (fs::exists(dir / "pparser.ppu", ec)) return dir.string();
      }
    }
  }
  return "";
}

// The text as the checker reads it: resource directives ({$R *.DFM})
// become plain comments, as the parser would look for the resource files.
std::string WithoutResources(std::string text) {
  for (size_t at = 0; (at = text.find("{$", at)) != std::string::npos; at += 2) {
    const char c = at + 2 < text.size() ? text[at + 2] : ' ';
    if ((c == 'R' || c == 'r') && at + 3 < text.size() &&
        (text[at + 3] == ' ' || text.compare(at + 2, 8, "RESOURCE") == 0 ||
         text.compare(at + 2, 8, "resource") == 0))
      text[at + 1] = ' ';
  }
  return text;
}

class PassrcOracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "the fcl-passrc checker is built and run on Linux only";
#else
    if (std::system("command -v fpc >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "fpc (Free Pascal) is not installed: the fcl-passrc oracle is skipped";
    const std::string units = PassrcUnits();
    if (units.empty())
      GTEST_SKIP() << "Free Pascal's fcl-passrc units (pparser.ppu) were not found: the oracle is "
                      "skipped";
    const std::string out = dir_ / "bin";
    fs::create_directories(out);
    const std::string log = dir_ / "fpc.log";
    // Bounded: a compiler that hangs does not hold the suite.
    const std::string cmd = "timeout 300 fpc -Mobjfpc -vw -Fu'" + units + "' -FE'" + out +
                            "' -FU'" + out + "' '" + kSource + "/tests/fpc/passcheck.pas' >'" +
                            log + "' 2>&1";
    if (std::system(cmd.c_str()) != 0 || !fs::exists(out + "/passcheck"))
      GTEST_SKIP() << "the fcl-passrc checker could not be built: " << ReadFileBytes(log);
    checker_ = out + "/passcheck";
#endif
  }

  // Which of the files (relative to tree) fcl-passrc parses: name -> the
  // checker's line.
  std::map<std::string, std::string> Parse(const std::string& tree,
                                           const std::vector<std::string>& files) {
    const std::string copy = dir_ / ("read" + std::to_string(++reads_));
    std::string cmd = "timeout 300 '" + checker_ + "'";
    for (const std::string& f : files) {
      const std::string path = copy + "/" + f;
      fs::create_directories(fs::path(path).parent_path());
      WriteFileBytes(path, WithoutResources(ReadFileBytes(tree + "/" + f)));
      cmd += " '" + path + "'";
    }
    const std::string out = dir_ / "parse.out";
    cmd += " >'" + out + "' 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << "the checker did not finish";
    std::map<std::string, std::string> result;
    for (const std::string& line : Lines(ReadFileBytes(out)))
      for (const std::string& f : files)
        if (line.rfind("ok " + copy + "/" + f, 0) == 0 ||
            line.rfind("fail " + copy + "/" + f, 0) == 0)
          result[f] = line;
    return result;
  }

  static std::vector<std::string> PascalFiles(const std::string& tree) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(tree)) {
      const std::string ext = e.path().extension().string();
      if (e.is_regular_file() && (ext == ".pas" || ext == ".dpr" || ext == ".PAS"))
        files.push_back(fs::relative(e.path(), tree).generic_string());
    }
    return files;
  }

  ScratchDir dir_;
  std::string checker_;
  int reads_ = 0;
};

TEST_F(PassrcOracleTest, EveryUnitThatParsedBeforeAMigrationParsesAfterIt) {
  struct App {
    std::string tree;
    std::string project;
    std::vector<std::string> args;
  };
  const App apps[] = {
      {kSource + "/examples/orders", "Orders.dpr", {}},
      {kSource + "/tests/data/start-paths",
       "Modes.dpr",
       {"--profile", kSource + "/tests/data/start-paths.json"}},
      {kSource + "/tests/data/aliases",
       "Ledger.dpr",
       {"--profile", kSource + "/tests/data/aliases.json"}},
      {kSource + "/tests/data/todo-kinds/bde", "P.dpr", {}},
      {kSource + "/tests/data/todo-kinds/ado", "P.dpr", {"--ado"}},
  };
  int checked = 0;
  for (const App& app : apps)
    for (const bool drop : {false, true}) {
      const std::string tree = dir_ / ("app" + std::to_string(checked++));
      fs::copy(app.tree, tree, fs::copy_options::recursive);
      const auto before = Parse(tree, PascalFiles(tree));
      std::vector<std::string> args = {"migrate",     "--project", tree + "/" + app.project,
                                       "--no-backup", "--no-log",  "-q"};
      args.insert(args.end(), app.args.begin(), app.args.end());
      if (drop) args.push_back("--drop-old-units");
      const auto r = RunTolvern(args);
      ASSERT_EQ(r.exit_code, 0) << app.tree << "\n" << r.err;
      const std::vector<std::string> files = PascalFiles(tree);
      const auto after = Parse(tree, files);
      int parsed = 0;
      for (const auto& [file, line] : before) {
        if (line.rfind("ok ", 0) != 0) continue;
        ++parsed;
        auto a = after.find(file);
        ASSERT_NE(a, after.end()) << file;
        EXPECT_EQ(a->second.rfind("ok ", 0), 0u)
            << app.tree << (drop ? " with --drop-old-units: " : ": ") << a->second;
      }
      EXPECT_GT(parsed, 0) << app.tree << ": fcl-passrc parsed none of the originals";
      // Files the run created parse too.
      for (const auto& [file, line] : after) {
        if (!before.count(file)) {
          EXPECT_EQ(line.rfind("ok ", 0), 0u) << line;
        }
      }
    }
}

}  // namespace
}  // namespace tolvern
