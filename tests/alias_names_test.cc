// End-to-end: an alias whose name goes beyond ASCII, written with #nnn codes
// or as the bytes of an 8-bit form, is one alias: listed whole, written into
// a profile that reads back to the same name, and its data sets bound to the
// connection that profile creates. A profile the tool cannot read is named
// in the message.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::ReadFileBytes;
using testing::RunTolvern;
using testing::ScratchDir;

const char* const kUnit =
    "unit Main;\r\n\r\ninterface\r\n\r\nuses\r\n  Classes, Forms, DB, DBTables;\r\n\r\ntype\r\n"
    "  TfrmMain = class(TForm)\r\n    qryA: TQuery;\r\n    qryB: TQuery;\r\n  end;\r\n\r\n"
    "var\r\n  frmMain: TfrmMain;\r\n\r\nimplementation\r\n\r\n{$R *.DFM}\r\n\r\nend.\r\n";
const char* const kProject =
    "program Shop;\r\n\r\nuses\r\n  Forms,\r\n  Main in 'Main.pas' {frmMain};\r\n\r\nbegin\r\n"
    "  Application.Initialize;\r\n  Application.CreateForm(TfrmMain, frmMain);\r\n"
    "  Application.Run;\r\nend.\r\n";

// A form whose two queries give the same database name written two ways.
std::string Form(const std::string& bom, const std::string& a, const std::string& b) {
  std::string form = bom + "object frmMain: TfrmMain\r\n  Left = 0\r\n  Top = 0\r\n";
  for (const auto& [name, value] : {std::pair{"qryA", a}, std::pair{"qryB", b}})
    form += std::string("  object ") + name + ": TQuery\r\n    DatabaseName = " + value +
            "\r\n    SQL.Strings = (\r\n      'select 1')\r\n    Left = 8\r\n    Top = 8\r\n"
            "  end\r\n";
  return form + "end\r\n";
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(AliasNamesTest, ANameBeyondAsciiIsOneAliasFromListToBinding) {
  const std::string kUtf8Bom = "\xEF\xBB\xBF";
  struct Case {
    const char* what;
    std::string bom;  // "" for a form in the system's code page
    std::string a, b;
    std::string name;        // as the listing shows it: the bytes of the form
    std::string key;         // in the written profile
    std::string connection;  // made for it
  } cases[] = {
      {"a code and the code page's byte", "", "'Sess'#227'o'", "'Sess\xE3o'", "Sess\xE3o",
       "'Sess'#227'o'", "conSess_o"},
      {"codes first and last", "", "#83'ess'#227#111", "'sess'#227'O'", "Sess\xE3o",
       "'Sess'#227'o'", "conSess_o"},
      {"8-bit text and a code above 255", "", "'Sess\xE3o'#1089", "'Sess'#227'o'#1089",
       "Sess\xE3o\xD1\x81", "'Sess'#227'o\xD1\x81'", "conSess_o__"},
      {"a UTF-8 form", kUtf8Bom, "'Sess'#227'o'", "'Sess\xC3\xA3o'", "Sess\xC3\xA3o",
       "Sess\xC3\xA3o", "conSess__o"},
      {"a UTF-8 form and a code above 255", kUtf8Bom, "'Ba'#1089'e'",
       "'Ba\xD1\x81"
       "e'",
       "Ba\xD1\x81"
       "e",
       "Ba\xD1\x81"
       "e",
       "conBa__e"},
      {"a name continued on the next line", "", "'Long' +\r\n      'Name'#233", "'LongName'#233",
       "LongName\xE9", "'LongName'#233", "conLongName_"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    const std::string tree = dir / "shop";
    dir.Write("shop/Main.pas", kUnit);
    dir.Write("shop/Shop.dpr", kProject);
    dir.Write("shop/Main.dfm", Form(c.bom, c.a, c.b));
    const std::string profile = dir / "aliases.json";
    const auto listed = RunTolvern({"aliases", "--folder", tree, "--write-profile", profile});
    ASSERT_EQ(listed.exit_code, 0) << listed.out << listed.err;
    const size_t line = listed.out.find(c.name + ": 2 data set(s) (frmMain) -> nothing: ");
    ASSERT_NE(line, std::string::npos) << listed.out;
    EXPECT_TRUE(line == 0 || listed.out[line - 1] == '\n') << listed.out;
    EXPECT_NE(listed.out.find("BDE aliases: 1 (2 data set(s))"), std::string::npos) << listed.out;
    const nlohmann::json written = nlohmann::json::parse(ReadFileBytes(profile));
    ASSERT_EQ(written["aliases"].size(), 1u);
    EXPECT_EQ(written["aliases"].begin().key(), c.key);

    // The profile as written binds both data sets to the connection it makes.
    const auto r = RunTolvern({"migrate", "--folder", tree, "--no-backup", "--no-log", "-q",
                               "--profile", profile, "--report", dir / "report.json"});
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_EQ(Count(ReadFileBytes(tree + "/Main.dfm"),
                    "Connection = dmNxConnections." + c.connection + "\r\n"),
              2);
    const std::string report = ReadFileBytes(dir / "report.json");
    EXPECT_EQ(Count(report, "\"unmapped\""), 0) << report;
    EXPECT_EQ(Count(report, "\"create\""), 1) << report;
  }
}

// A profile that is no valid JSON (an alias typed in an 8-bit editor), is
// nested too deeply or is too large is named with the problem, by the run
// and by the check, never with the JSON library's words alone.
TEST(AliasNamesTest, AProfileThatCannotBeReadIsNamed) {
  struct Case {
    const char* what;
    std::string text;
    std::string problem;
  } cases[] = {
      {"8-bit text", "{\"aliases\": {\n  \"Sess\xE3o\": {}}}",
       "not valid JSON: parse error at line 2, column "},
      {"nesting", "{\"todo\":\n" + std::string(1000, '[') + std::string(1000, ']') + "}",
       "line 2: nested deeper than 1000 levels, the limit for a profile"},
      {"size", "{}" + std::string(16 << 20, '\n'),
       "larger than 16 MB, the limit for a profile (16777218 bytes)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    const std::string profile = dir.Write("typed.json", c.text);
    const auto check = RunTolvern({"profile", "--check", profile});
    EXPECT_EQ(check.exit_code, 1);
    EXPECT_EQ(check.out.rfind(profile + ": " + c.problem, 0), 0u) << check.out;
    dir.Write("shop/Main.pas", kUnit);
    const auto run = RunTolvern({"aliases", "--folder", dir / "shop", "--profile", profile});
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.err.find("profile \"" + profile + "\": " + c.problem), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("[json.exception"), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace tolvern
