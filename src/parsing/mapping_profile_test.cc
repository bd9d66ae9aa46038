#include "parsing/mapping_profile.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "json_schema.h"
#include "parsing/nx_form_parser.h"
#include "parsing/source_families.h"
#include "platform/memory_disk.h"
#include "test_support.h"

namespace tolvern {
namespace {

std::vector<std::string> Problems(const std::string& text) {
  std::vector<std::string> problems;
  ParseProfile(text, &problems);
  return problems;
}

// Every kind of mistake is named with its JSON path, and every one of a file
// is named.
TEST(MappingProfileTest, ProblemsAreNamedWithTheirPath) {
  struct Case {
    const char* text;
    const char* problem;
  } cases[] = {
      {R"({"classes": [)",
       "not valid JSON: parse error at line 1, column 14: syntax error while parsing value - "
       "unexpected end of input; expected '[', '{', or a literal"},
      {R"([])", "$ (line 1): expected an object, found array"},
      {R"({"clases": []})", "$.clases (line 1): unknown key"},
      {R"({"sourceUnit": "DB Tables"})",
       "$.sourceUnit (line 1): \"DB Tables\" is not a Pascal identifier"},
      {R"({"newUnits": "A"})", "$.newUnits (line 1): expected an array, found string"},
      {R"({"classes": [{"from": "TwwDBGrid", "to": "TDBGrid"}, {"from": "twwdbgrid", "to": "TNXGrid"}]})",
       "$.classes[1].from (line 1): \"twwdbgrid\" is mapped to two targets: \"TDBGrid\" at "
       "$.classes[0] and "
       "\"TNXGrid\""},
      {R"({"classes": [{"from": "EX", "to": "EY"}], "exceptions": [{"from": "EX", "to": "EY"}]})",
       "$.exceptions[0].from (line 1): \"EX\" is mapped already at $.classes[0]"},
      {R"({"classes": [{"from": "TA"}]})", "$.classes[0] (line 1): missing \"to\""},
      {R"({"classes": [{"from": "TA", "to": "TB", "props": {}}]})",
       "$.classes[0].props (line 1): unknown key"},
      {R"({"properties": {"Params.Strings": {"code": "login"}}})",
       "$.properties[\"Params.Strings\"].code (line 1): unknown conversion \"login\"; known: "
       "login-params, "
       "command-text"},
      {R"({"properties": {"Params Strings": "keep"}})",
       "$.properties[\"Params Strings\"] (line 1): \"Params Strings\" is not a property name"},
      {R"({"properties": {"A": {"rename": "SQL."}}})",
       "$.properties.A.rename (line 1): \"SQL.\" is not a property name"},
      {R"({"properties": {"A": "rename"}})",
       "$.properties.A (line 1): expected \"keep\", \"drop\" or an object, found \"rename\""},
      {R"({"properties": {"A": {"rename": "B", "code": "command-text"}}})",
       "$.properties.A (line 1): needs exactly one of \"keep\", \"drop\", \"rename\" and \"code\""},
      {R"({"properties": {"A": {"drop": "gone"}}})",
       "$.properties.A.drop (line 1): expected true or a drop reason: not-published, "
       "outside-mapping-table, "
       "database-name, no-connection, empty-value, no-login-entries"},
      {R"({"properties": {"A": {"keep": true, "values": {}}}})",
       "$.properties.A (line 1): \"values\" and \"lookup\" go with \"rename\" only"},
      {R"({"properties": {"A": {"rename": "B", "values": {"x": 1}}}})",
       "$.properties.A.values.x (line 1): expected a string, found number"},
      {R"({"properties": {"A": {"rename": "B", "lookup": "table"}}})",
       "$.properties.A.lookup (line 1): expected \"database\""},
      {R"({"targets": [{"name": "TX", "published": []}, {"name": "tx", "published": ["A"]}]})",
       "$.targets[1].name (line 1): \"tx\" is listed twice"},
      {R"({"aliases": {"MAIN": "dm.Main.conMain"}})",
       "$.aliases.MAIN (line 1): expected a component (\"Form.Component\" or \"Component\"), "
       "found \"dm.Main.conMain\""},
      {R"({"aliases": {"MAIN": {}, "main": {}}})",
       "$.aliases.main (line 1): \"main\" is mapped already as \"MAIN\" (aliases ignore letter "
       "case)"},
      {R"({"aliases": {"MAIN": {"host": "x"}}})", "$.aliases.MAIN.host (line 1): unknown key"},
      {R"({"aliases": {"MAIN": {"server": 5}}})",
       "$.aliases.MAIN.server (line 1): expected a string, found number"},
      {R"({"aliases": {"MAIN": {"properties": {"Server": "x"}}}})",
       "$.aliases.MAIN.properties.Server (line 1): give it as \"server\""},
      {R"({"aliases": {"MAIN": {"properties": {"Params": ["x"]}}}})",
       "$.aliases.MAIN.properties.Params (line 1): expected a string, a number or true/false, "
       "found array"},
      {R"({"aliases": {"MAIN": 1}})",
       "$.aliases.MAIN (line 1): expected a component (\"Form.Component\") or an object, found "
       "number"},
      {R"({"aliases": {"MAIN": {"data": 5}}})",
       "$.aliases.MAIN.data (line 1): expected a folder or an object, found number"},
      {R"({"aliases": {"MAIN": {"data": {"folder": "d", "password": "x"}}}})",
       "$.aliases.MAIN.data.password (line 1): unknown key"},
      {R"({"aliases": {"MAIN": {"data": {"passwords": ["a", 1]}}}})",
       "$.aliases.MAIN.data.passwords[1] (line 1): expected a string, found number"},
      {R"({"aliases": {"MAIN": {"bind": "dm.Main.conMain", "data": "d"}}})",
       "$.aliases.MAIN.bind (line 1): expected a component (\"Form.Component\" or \"Component\"), "
       "found \"dm.Main.conMain\""},
      {R"({"aliases": {"MAIN": {"bind": "dmMain.conMain", "server": "x"}}})",
       "$.aliases.MAIN.server (line 1): unknown key"},
      {R"({"aliasModule": "Nx Conn"})",
       "$.aliasModule (line 1): \"Nx Conn\" is not a Pascal identifier"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> problems = Problems(c.text);
    ASSERT_EQ(problems.size(), 1u) << c.text;
    EXPECT_EQ(problems[0], c.problem);
  }
  EXPECT_EQ(Problems(R"({"name": 1, "targets": {}, "todo": [1]})"),
            (std::vector<std::string>{"$.name (line 1): expected a string, found number",
                                      "$.targets (line 1): expected an array, found object"}));
}

// A key given twice would lose one of its values without a word: it is a
// problem, as are an unknown key and a value of the wrong type, each named
// with its path and the line it stands on.
TEST(MappingProfileTest, DuplicateKeysAndMistakesNameTheirLine) {
  EXPECT_EQ(Problems("{\n  \"classes\": [\n    {\"from\": \"TA\", \"to\": \"TB\"},\n"
                     "    {\"from\": \"TC\", \"to\": \"TD\",\n     \"to\": \"TE\", \"units\": "
                     "[\"U\", 2]},\n    {\"from\": \"TF\", \"to\": \"TG\", \"colour\": 1}\n  ],\n"
                     "  \"name\": \"x\",\n  \"name\": \"y\"\n}"),
            (std::vector<std::string>{
                "$.classes[1].to (line 5): duplicate key \"to\", first at line 4; one value "
                "would be lost",
                "$.name (line 9): duplicate key \"name\", first at line 8; one value would be lost",
                "$.classes[1].units[1] (line 5): expected a string, found number",
                "$.classes[2].colour (line 6): unknown key"}));
  // The same keys in different objects are no duplicates.
  EXPECT_EQ(Problems(R"({"classes": [{"from": "TA", "to": "TB"}, {"from": "TC", "to": "TD"}]})"),
            std::vector<std::string>{});
}

// A class mapping's units are read, laid over by a later profile's, and
// written back.
TEST(MappingProfileTest, ClassUnitsAreReadLaidOverAndWritten) {
  std::vector<std::string> problems;
  MappingProfile base =
      ParseProfile(R"({"name": "g", "sourceUnit": "DBTables", )"
                   R"("classes": [{"from": "TwwDBGrid", "to": "TDBGrid", "units": ["DBGrids"]}]})",
                   &problems);
  ASSERT_EQ(problems, std::vector<std::string>{});
  ASSERT_EQ(base.classes.size(), 1u);
  EXPECT_EQ(base.classes[0].units, std::vector<std::string>{"DBGrids"});
  ApplyProfile(&base,
               ParseProfile(R"({"classes": [{"from": "TwwDBGrid", "to": "TDBGrid"}]})", &problems));
  EXPECT_EQ(base.classes[0].units, std::vector<std::string>{"DBGrids"});
  ApplyProfile(&base, ParseProfile(R"({"classes": [{"from": "TwwDBGrid", "to": "TGrid", )"
                                   R"("units": ["Grids", "GridUtils"]}]})",
                                   &problems));
  EXPECT_EQ(base.classes[0].units, (std::vector<std::string>{"Grids", "GridUtils"}));
  const MappingProfile again = ParseProfile(ProfileJson(base), &problems);
  EXPECT_EQ(problems, std::vector<std::string>{});
  EXPECT_EQ(again.classes[0].units, base.classes[0].units);
}

TEST(MappingProfileTest, ReadProfileNamesTheFileAndStopsAtTheFirstProblem) {
  testing::ScratchDir dir;
  RealDisk disk;
  const std::string bad = dir.Write("bad.json", R"({"name": 1, "classes": 2})");
  try {
    ReadProfile(disk, bad);
    FAIL() << "no error";
  } catch (const EProfileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "profile \"" + bad +
                  "\": $.name (line 1): expected a string, found number (and 1 more; "
                  "tolvern profile --check lists them)");
  }
  EXPECT_THROW(ReadProfile(disk, dir / "missing.json"), EProfileError);
  EXPECT_EQ(ReadProfile(disk, dir.Write("ok.json", "{}")).files,
            std::vector<std::string>{dir / "ok.json"});
}

// A profile up to the size limit and the nesting limit is read; one byte or
// one level more is refused, and the message names the file (and the line
// and the limit).
TEST(MappingProfileTest, ProfilesBeyondTheLimitsAreRefusedNamingTheFile) {
  const auto nested = [](int depth) {
    // The profile's own object is the first level.
    return "{\"todo\": " + std::string(static_cast<size_t>(depth - 1), '[') +
           std::string(static_cast<size_t>(depth - 1), ']') + "}";
  };
  const auto sized = [](size_t bytes) { return "{}" + std::string(bytes - 2, ' '); };
  struct Case {
    std::string text;
    const char* error;  // "" when it is read
  } cases[] = {
      {nested(kMaxProfileNesting), ""},
      {nested(kMaxProfileNesting + 1),
       "profile \"/big.json\": line 1: nested deeper than 1000 levels, the limit for a "
       "profile"},
      {"{\"aliases\":\n {\"A\":\n  " + nested(kMaxProfileNesting - 1) + "}}",
       "profile \"/big.json\": line 3: nested deeper than 1000 levels, the limit for a "
       "profile"},
      {sized(kMaxProfileBytes), ""},
      {sized(kMaxProfileBytes + 1),
       "profile \"/big.json\": larger than 16 MB, the limit for a profile (16777217 bytes)"},
  };
  for (const Case& c : cases) {
    MemoryDisk disk;
    std::string why;
    ASSERT_TRUE(disk.WriteFile("/big.json", c.text, &why)) << why;
    std::string error;
    try {
      ReadProfile(disk, "/big.json");
    } catch (const EProfileError& e) {
      error = e.what();
    }
    EXPECT_EQ(error, c.error) << c.text.substr(0, 40) << " (" << c.text.size() << " bytes)";
  }
}

// Many aliases are read in the order of the file, a name given twice
// (letter case ignored) is still named against its first spelling, and a
// profile of them lays over another and is written back as it was read.
TEST(MappingProfileTest, ManyAliasesAreReadLaidOverAndWritten) {
  constexpr int kAliases = 60000;
  std::string text = "{\"aliases\": {";
  for (int i = 0; i < kAliases; ++i)
    text += std::string(i ? ",\n" : "\n") + "\"ALIAS" + std::to_string(i) +
            "\": {\"database\": \"db" + std::to_string(i) + "\"}";
  std::vector<std::string> problems;
  MappingProfile p = ParseProfile(text + "}}", &problems);
  ASSERT_EQ(problems, std::vector<std::string>{});
  ASSERT_EQ(p.aliases.size(), static_cast<size_t>(kAliases));
  for (int i : {0, 1, kAliases / 2, kAliases - 1}) {
    EXPECT_EQ(p.aliases[static_cast<size_t>(i)].alias, "ALIAS" + std::to_string(i));
    EXPECT_EQ(p.FindAlias("alias" + std::to_string(i)), &p.aliases[static_cast<size_t>(i)]);
  }
  EXPECT_EQ(Problems(text + ",\n\"alias7\": {}}}"),
            std::vector<std::string>{"$.aliases.alias7 (line " + std::to_string(kAliases + 2) +
                                     "): \"alias7\" is mapped already as \"ALIAS7\" (aliases "
                                     "ignore letter case)"});
  const std::string json = ProfileJson(p);
  EXPECT_EQ(ProfileJson(ParseProfile(json, &problems)), json);

  // Laid over itself with one more: every rule replaced in its place.
  MappingProfile over = ParseProfile(text + ",\n\"NEW\": \"dm.con\"}}", &problems);
  over.aliases[3].connection = "conThree";
  ApplyProfile(&p, over);
  ASSERT_EQ(p.aliases.size(), static_cast<size_t>(kAliases + 1));
  EXPECT_EQ(p.aliases[3].connection, "conThree");
  EXPECT_EQ(p.aliases.back().alias, "NEW");
}

// The shipped profiles follow the published schema, and a profile printed
// and read again is the same profile.
TEST(MappingProfileTest, BuiltinProfilesFollowTheSchemaAndRoundTrip) {
  const std::string root = TOLVERN_SOURCE_DIR;
  nlohmann::json schema =
      nlohmann::json::parse(testing::ReadFileBytes(root + "/docs/profile.schema.json"));
  for (const char* file : {"/profiles/bde-nexa.json", "/profiles/ado-nexa.json"}) {
    nlohmann::json doc = nlohmann::json::parse(testing::ReadFileBytes(root + file));
    EXPECT_EQ(testing::ValidateJson(doc, schema, schema), "") << file;
  }
  nlohmann::json bad = {
      {"classes", {{{"from", "A"}, {"to", "B"}, {"properties", {{"P", "kept"}}}}}}};
  EXPECT_NE(testing::ValidateJson(bad, schema, schema), "");
  for (bool ado : {false, true}) {
    const std::string json = ProfileJson(BuiltinProfile(ado ? "ado" : "bde"));
    EXPECT_EQ(testing::ValidateJson(nlohmann::json::parse(json), schema, schema), "");
    std::vector<std::string> problems;
    EXPECT_EQ(ProfileJson(ParseProfile(json, &problems)), json);
    EXPECT_TRUE(problems.empty());
  }
  EXPECT_EQ(BuiltinProfile("bde").NewUnitsText(),
            ", NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache");
  EXPECT_EQ(BuiltinProfile("ado").source_unit, "ADODB");
}

// An alias rule's parameters become the new connection's properties as form
// text writes them, and the rules go through the schema, a round trip and
// an overlay by alias name.
TEST(MappingProfileTest, AliasRulesAreReadLaidOverAndWritten) {
  const std::string text = R"({
  "aliases": {
    "MAIN": "dmMain.conMain",
    "Old Data": {"connection": "conOld", "database": "C:\\Data\\d\u00e9j\u00e0", "username": "",
                 "properties": {"LoginPrompt": false, "Port": 3050, "ConnectString": "it's"}}
  },
  "aliasModule": "Connections"
})";
  std::vector<std::string> problems;
  MappingProfile p = ParseProfile(text, &problems);
  ASSERT_TRUE(problems.empty()) << problems[0];
  ASSERT_EQ(p.aliases.size(), 2u);
  EXPECT_FALSE(p.aliases[0].Creates());
  const AliasRule* old = p.FindAlias("OLD DATA");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->connection, "conOld");
  // The empty username is left unset; beyond ASCII and quotes as codes.
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Database", "'C:\\Data\\d'#233'j'#224"},
      {"LoginPrompt", "False"},
      {"Port", "3050"},
      {"ConnectString", "'it'#39's'"}};
  EXPECT_EQ(old->properties, expected);
  const std::string root = TOLVERN_SOURCE_DIR;
  const nlohmann::json schema =
      nlohmann::json::parse(testing::ReadFileBytes(root + "/docs/profile.schema.json"));
  const std::string json = ProfileJson(p);
  EXPECT_EQ(testing::ValidateJson(nlohmann::json::parse(json), schema, schema), "");
  EXPECT_EQ(ProfileJson(ParseProfile(json, &problems)), json);
  MappingProfile over;
  over.aliases = {{"main", "", "", {}, "{}"}};
  ApplyProfile(&p, over);
  ASSERT_EQ(p.aliases.size(), 2u);
  EXPECT_TRUE(p.FindAlias("MAIN")->Creates());
  EXPECT_EQ(p.AliasModule(), "Connections");
}

// A later profile wins: a class pair's target and its property rules one by
// one, the published properties of a target, the units; a class becomes an
// exception and back; and nothing is lost from what is not named.
TEST(MappingProfileTest, LaterProfilesWin) {
  std::vector<std::string> problems;
  MappingProfile over = ParseProfile(R"({
    "newUnits": ["MyUnits"],
    "classes": [{"from": "tquery", "to": "TMyQuery", "properties": {"DataSource": "drop"}},
                {"from": "TBatchMove", "to": "TKTBatchMove2"},
                {"from": "EDBEngineError", "to": "EMyError"}],
    "exceptions": [{"from": "TUpdateSQL", "to": "EUpdate"}],
    "targets": [{"name": "tnxquery", "published": ["SQL"]}]})",
                                     &problems);
  ASSERT_TRUE(problems.empty()) << problems[0];
  over.files = {"over.json"};
  MappingProfile p = BuiltinProfile("bde");
  ApplyProfile(&p, over);
  EXPECT_EQ(p.NewUnitsText(), ", MyUnits");
  EXPECT_EQ(p.source_unit, "DBTables");
  EXPECT_EQ(p.files, std::vector<std::string>{"over.json"});
  ASSERT_EQ(p.classes.size(), 10u);
  // The class keeps its spelling: rules match the class as forms spell it.
  EXPECT_EQ(p.classes[1].from, "TQuery");
  EXPECT_EQ(p.classes[1].to, "TMyQuery");
  ASSERT_NE(p.FindRule("TQuery", "DataSource"), nullptr);
  EXPECT_EQ(p.FindRule("TQuery", "DataSource")->kind, PropertyRule::Kind::kDrop);
  EXPECT_EQ(p.FindRule("TQuery", "ParamData")->kind, PropertyRule::Kind::kKeep);
  EXPECT_EQ(p.FindRule("TQuery", "DatabaseName")->to, "Connection");  // every class's rule
  EXPECT_EQ(p.FindRule("tquery", "ParamData"), nullptr);
  EXPECT_EQ(p.classes.back().from, "EDBEngineError");
  ASSERT_EQ(p.exceptions.size(), 1u);
  EXPECT_EQ(p.exceptions[0].from, "TUpdateSQL");
  EXPECT_EQ(p.FindTarget("TNXQuery")->published, std::vector<std::string>{"SQL"});
  EXPECT_EQ(p.FindTarget("TNXTable")->published.size(), 39u);
}

// A parser made without a profile converts with both built-in profiles; one
// made with a user's converts by its rules only.
TEST(MappingProfileTest, FormParserConvertsByItsProfile) {
  auto convert = [](TNXFormParser& p, const std::string& text, const std::string& target) {
    p.SetTargetClassName(target);
    int pos = 1;
    if (!p.Parse(text, "<object>", pos)) return std::string("<no parse>");
    std::string out;
    p.GetObjectText(0, out);
    return out;
  };
  std::vector<std::string> problems;
  MappingProfile grid = ParseProfile(R"({
    "classes": [{"from": "TwwDBGrid", "to": "TDBGrid", "properties": {
      "Selected.Strings": {"rename": "Columns.Strings"},
      "KeyOptions": "drop",
      "TitleAlignment": {"rename": "TitleAlign", "values": {"taLeftJustify": "alLeft"}}}}],
    "targets": [{"name": "TDBGrid", "published": ["DataSource", "Columns", "TitleAlign"]}]})",
                                     &problems);
  ASSERT_TRUE(problems.empty()) << problems[0];
  TNXFormParser user(std::make_shared<const MappingProfile>(grid));
  const std::string text =
      "object G: TwwDBGrid\r\n  Selected.Strings = (\r\n    'A'#9'10')\r\n  KeyOptions = []\r\n"
      "  TitleAlignment = taLeftJustify\r\n  DataSource = ds\r\n  IniAttributes.Delimiter = ';'\r\n"
      "  Left = 1\r\nend\r\n";
  EXPECT_EQ(convert(user, text, "TDBGrid"),
            "object G: TDBGrid\r\n  Columns.Strings = (\r\n        'A'#9'10')\r\n"
            "  TitleAlign = alLeft\r\n  DataSource = ds\r\n  Left = 1\r\nend\r\n");
  ASSERT_EQ(user.Decisions().size(), 6u);
  EXPECT_EQ(user.Decisions()[1].drop_reason, "not-published");
  EXPECT_EQ(user.Decisions()[4].drop_reason, "not-published");
  // The same object with the built-in conversions: no rule for the grid, and
  // an unlisted target keeps everything.
  TNXFormParser builtin;
  EXPECT_EQ(convert(builtin, "object D: TDatabase\r\n  TransIsolation = tiDirtyRead\r\nend\r\n",
                    "TNXConnection"),
            "object D: TNXConnection\r\n  IsolationLevel = ilReadUnCommitted\r\nend\r\n");
  EXPECT_EQ(convert(builtin, "object C: TADOCommand\r\n  CommandText = 'x'\r\nend\r\n", "TNXSQL"),
            "object C: TNXSQL\r\n  SQL.Strings = ('x')\r\nend\r\n");
  EXPECT_EQ(convert(user, "object D: TDatabase\r\n  TransIsolation = tiDirtyRead\r\nend\r\n",
                    "TNXConnection"),
            "object D: TNXConnection\r\n  TransIsolation = tiDirtyRead\r\nend\r\n");
}

// An alias's table folder, as a folder or with passwords, on a new
// connection or on a bound one; the rule keeps to the profile schema.
TEST(MappingProfileTest, AnAliasNamesItsTableFolder) {
  std::vector<std::string> problems;
  const MappingProfile p = ParseProfile(R"({"aliases": {
      "SALES": {"database": "s", "data": "tables"},
      "OLD": {"bind": "dmMain.conOld", "data": {"folder": "C:\\Old", "passwords": ["a", "b"]}},
      "LEFT": {"data": ""},
      "NONE": "dmMain.conNone"}})",
                                        &problems);
  ASSERT_TRUE(problems.empty()) << problems[0];
  const AliasRule* sales = p.FindAlias("sales");
  ASSERT_NE(sales, nullptr);
  EXPECT_TRUE(sales->data && sales->Creates());
  EXPECT_EQ(sales->data_folder, "tables");
  const AliasRule* old = p.FindAlias("OLD");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->bind, "dmMain.conOld");
  EXPECT_EQ(old->data_folder, "C:\\Old");
  EXPECT_EQ(old->data_passwords, (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(p.FindAlias("LEFT")->data);
  EXPECT_TRUE(p.FindAlias("LEFT")->data_folder.empty());
  EXPECT_FALSE(p.FindAlias("NONE")->data);
  const nlohmann::json schema = nlohmann::json::parse(
      testing::ReadFileBytes(std::string(TOLVERN_SOURCE_DIR) + "/docs/profile.schema.json"));
  const std::string json = ProfileJson(p);
  EXPECT_EQ(testing::ValidateJson(nlohmann::json::parse(json), schema, schema), "");
  EXPECT_EQ(ProfileJson(ParseProfile(json, &problems)), json);
}

}  // namespace
}  // namespace tolvern
