// The to-do list as a SARIF log, from the command line and beside a real
// run's list: item for item the list a person reads, and valid against the
// official SARIF 2.1.0 schema where a validator is installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "engine/sarif_report.h"
#include "test_support.h"

namespace tolvern {
namespace {

using nlohmann::json;
using testing::ReadFileBytes;
using testing::RunTolvern;
using testing::ScratchDir;
namespace fs = std::filesystem;

const std::string kCyrillic = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/codepage-cyrillic";

// One line of the text list: "file:line:col: level: kind: text — advice".
struct Place {
  std::string file, level, kind, message;
  int line = 0, col = 0;
};

std::vector<Place> ListedPlaces(const std::string& text) {
  static const std::regex line_re(R"(^(.+?):(\d+):(\d+): (error|warning|note): ([a-z-]+): (.*)$)");
  std::vector<Place> places;
  std::stringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::smatch m;
    if (!std::regex_match(line, m, line_re)) continue;
    places.push_back({m[1], m[4], m[5], m[6], std::stoi(m[2]), std::stoi(m[3])});
  }
  return places;
}

// Each result of the log against the list's place of the same index; the
// list's file is given relative to the root the log names.
void ExpectSameAsList(const json& log, const std::vector<Place>& places, const std::string& root) {
  const json& run = log.at("runs").at(0);
  const json& results = run.at("results");
  ASSERT_EQ(results.size(), places.size());
  ASSERT_FALSE(places.empty());
  // Windows lists its paths with "\\", which the log's URIs turn into "/".
  const auto slashed = [](std::string path) {
    for (char& c : path)
      if (c == '\\') c = '/';
    return path;
  };
  const std::string prefix = slashed(root) + "/";
  for (size_t i = 0; i < places.size(); ++i) {
    const Place& p = places[i];
    const json& r = results[i];
    const json& at = r["locations"][0]["physicalLocation"];
    std::string file = slashed(p.file);
    if (file.compare(0, prefix.size(), prefix) == 0) file = file.substr(prefix.size());
    EXPECT_EQ(at["artifactLocation"]["uri"], UriPath(file)) << i;
    EXPECT_EQ(at["artifactLocation"]["uriBaseId"], kSarifRootId) << i;
    EXPECT_EQ(at["region"]["startLine"], p.line) << i;
    EXPECT_EQ(at["region"]["startColumn"], p.col) << i;
    EXPECT_EQ(r["level"], p.level) << i;
    EXPECT_EQ(r["ruleId"], p.kind) << i;
    EXPECT_EQ(run["tool"]["driver"]["rules"][r["ruleIndex"].get<size_t>()]["id"], p.kind) << i;
    EXPECT_EQ(r["message"]["text"], p.message) << i;
  }
}

TEST(SarifCliTest, TodoWritesTheListItemForItem) {
  ScratchDir dir;
  const std::string tree = testing::CopyExample(dir, "tree");
  const auto run = RunTolvern(
      {"todo", "--project", dir / "tree/Orders.dpr", "--all", "--sarif", dir / "todo.sarif"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const json log = json::parse(ReadFileBytes(dir / "todo.sarif"));
  EXPECT_EQ(log["runs"][0]["originalUriBaseIds"]["PROJECTROOT"]["uri"], FileUri(tree + "/"));
  ExpectSameAsList(log, ListedPlaces(run.out), tree);
}

TEST(SarifCliTest, ARealRunWritesTheLogBesideItsList) {
  ScratchDir dir;
  const std::string tree = testing::CopyExample(dir, "tree");
  const auto run = RunTolvern({"migrate", "--project", dir / "tree/Orders.dpr", "--quiet"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::vector<Place> listed = ListedPlaces(ReadFileBytes(dir / "tree/Wiz_Todo.txt"));
  ExpectSameAsList(json::parse(ReadFileBytes(dir / "tree/Wiz_Todo.sarif")), listed, tree);
}

TEST(SarifCliTest, AnUnknownCodePageIsRefused) {
  ScratchDir dir;
  testing::CopyExample(dir, "tree");
  for (const char* page : {"65001", "932", "cyrillic"}) {
    const auto run = RunTolvern({"todo", "--project", dir / "tree/Orders.dpr", "--codepage", page,
                                 "--sarif", dir / "x.sarif"});
    EXPECT_NE(run.exit_code, 0) << page;
    EXPECT_NE(run.err.find("--codepage"), std::string::npos) << page << run.err;
    EXPECT_FALSE(fs::exists(dir / "x.sarif")) << page;
  }
}

#ifndef _WIN32
// The official schema: TOLVERN_SARIF_SCHEMA, or where scripts/install-deps.sh
// puts it; "" when neither holds it.
std::string SchemaFile() {
  if (const char* env = std::getenv("TOLVERN_SARIF_SCHEMA"); env && *env) return env;
  const std::string installed = "/usr/local/share/tolvern/sarif/sarif-2.1.0-rtm.5.json";
  return fs::exists(installed) ? installed : "";
}

// A Python with the jsonschema module (Debian's python3-jsonschema); "" for none.
std::string PythonWithJsonSchema() {
  for (const char* python : {"/usr/bin/python3", "python3"}) {
    const std::string cmd = std::string(python) + " -c 'import jsonschema' 2>/dev/null";
    if (std::system(cmd.c_str()) == 0) return python;
  }
  return "";
}

// Validates file against schema; 0 when valid.
int Validate(const std::string& python, const ScratchDir& dir, const std::string& schema,
             const std::string& file) {
  const std::string script = dir / "validate.py";
  std::ofstream(script) << "import json, sys, jsonschema\n"
                           "schema = json.load(open(sys.argv[1], encoding='utf-8'))\n"
                           "doc = json.load(open(sys.argv[2], encoding='utf-8'))\n"
                           "v = jsonschema.validators.validator_for(schema)(schema)\n"
                           "errors = list(v.iter_errors(doc))\n"
                           "for e in errors[:5]: print(list(e.path), e.message)\n"
                           "sys.exit(1 if errors else 0)\n";
  const std::string cmd = python + " '" + script + "' '" + schema + "' '" + file + "' > '" +
                          (dir / "validate.out") + "' 2>&1";
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

TEST(SarifCliTest, TheLogIsValidAgainstTheOfficialSchema) {
#ifdef _WIN32
  GTEST_SKIP() << "the schema validator is run on Linux only";
#else
  const std::string schema = SchemaFile();
  if (schema.empty())
    GTEST_SKIP() << "the SARIF 2.1.0 schema is not installed (scripts/install-deps.sh puts it in "
                    "/usr/local/share/tolvern/sarif; TOLVERN_SARIF_SCHEMA may name it): the log "
                    "is not validated";
  const std::string python = PythonWithJsonSchema();
  if (python.empty())
    GTEST_SKIP() << "no Python with jsonschema (Debian's python3-jsonschema, which "
                    "scripts/install-deps.sh installs): the log is not validated";
  ScratchDir dir;
  fs::copy(kCyrillic, dir / "app");
  const auto run = RunTolvern({"todo", "--project", dir / "app/Clients.dpr", "--codepage", "1251",
                               "--all", "--sarif", dir / "app.sarif"});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Validate(python, dir, schema, dir / "app.sarif"), 0)
      << ReadFileBytes(dir / "validate.out");
  // The validator does catch a log that breaks the schema.
  json log = json::parse(ReadFileBytes(dir / "app.sarif"));
  ASSERT_FALSE(log["runs"][0]["results"].empty());
  log["runs"][0]["results"][0]["level"] = "fatal";
  std::ofstream(dir / "broken.sarif") << log.dump();
  EXPECT_EQ(Validate(python, dir, schema, dir / "broken.sarif"), 1)
      << ReadFileBytes(dir / "validate.out");
  // The Cyrillic of the sources reaches the log as characters.
  EXPECT_NE(ReadFileBytes(dir / "app.sarif").find("Склад"), std::string::npos);
#endif
}

}  // namespace
}  // namespace tolvern
