#include <gtest/gtest.h>

#include <filesystem>

#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "files/file_utils.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;
namespace fs = std::filesystem;

const std::string kNx = ", NXAccess, NXOleAccess, NXOleC, NXOleIntf, KTBaseAccess, KTRowCache";

class UnitRewriteTest : public ::testing::Test {
 protected:
  struct Result {
    std::string text;  // the rewritten text, or the input when no file was left
    std::string log;   // the change-count line
    bool written = false;
  };

  Result Rewrite(TComponentReplacer& r, const std::string& text,
                 TextEncoding enc = TextEncoding::kAnsi) {
    std::string dest = dir_ / "out.pas";
    fs::remove(dest);
    r.Log.SetDoubleSpacing(false);
    r.Log.SetTitle("");
    r.Log.Open(dir_ / "log.txt");
    int before = r.ChangedCount;
    r.ReplaceInUnit(text, dir_ / "App/Unit1.pas", enc, dest);
    r.Log.Close();
    Result res;
    std::string log = dir_.Read("log.txt");
    log = log.substr(log.find("\r\n") + 2);
    res.log = log.substr(0, log.find("\r\n"));
    res.written = fs::exists(dest);
    EXPECT_EQ(r.ChangedCount, before + (res.written ? 1 : 0));
    res.text = res.written ? dir_.Read("out.pas") : text;
    return res;
  }

  ScratchDir dir_;
  NXReplacerScope library_;
};

TEST_F(UnitRewriteTest, BdeTableOfLines) {
  struct Case {
    std::string before, after;
    int changes;
  } cases[] = {
      {"Table1: TTable;", "Table1: TNXTable;", 1},
      {"Q := ttable.Create(nil);", "Q := TNXTable.Create(nil);", 1},
      {"on E: EDBEngineError do", "on E: ENXOleError do", 1},
      {"{ open the TQuery first }", "{ open the TNXQuery first }", 1},
      {"(* a TTable *) // and TDatabase", "(* a TNXTable *) // and TNXConnection", 2},
      {"S := 'TQuery';", "S := 'TQuery';", 0},
      {"uses DBTables;", "uses DBTables" + kNx + ";", 1},
      {"uses dbtables, Forms;", "uses dbtables" + kNx + ", Forms;", 1},
      {"uses DBTables {db}, Forms;", "uses DBTables" + kNx + " {db}, Forms;", 1},
      {"X := DBTables.TQuery;", "X := DBTables.TNXQuery;", 1},
      {"var DBTables: Integer;", "var DBTables: Integer;", 0},
      {"uses Forms; var B: TBatchMove; D: TwwDataSource; TDataSource;",
       "uses Forms; var B: TKTBatchMove; D: TNXDataSource; TDataSource;", 2},
      {"", "", 0},
  };
  for (const Case& c : cases) {
    Result r = Rewrite(*BdeReplacer, c.before);
    EXPECT_EQ(r.text, c.after) << c.before;
    EXPECT_EQ(r.log, c.changes ? std::to_string(c.changes) + " change(s)" : "No changes")
        << c.before;
    EXPECT_EQ(r.written, c.before != c.after) << c.before;
  }
}

TEST_F(UnitRewriteTest, EachReplacerEditsOnlyItsOwnUnit) {
  EXPECT_EQ(Rewrite(*AdoReplacer, "uses ADODB;").text, "uses ADODB" + kNx + ";");
  EXPECT_EQ(Rewrite(*AdoReplacer, "uses DBTables;").text, "uses DBTables;");
  EXPECT_EQ(Rewrite(*BdeReplacer, "uses ADODB;").text, "uses ADODB;");
  EXPECT_EQ(Rewrite(*AdoReplacer, "C: TADOCommand; D: TADODataSet; Q: TQuery;").text,
            "C: TNXSQL; D: TNXQuery; Q: TQuery;");
}

TEST_F(UnitRewriteTest, BothUsesClausesAreEditedAndSecondRunChangesNothing) {
  std::string unit =
      "unit U;\ninterface\nuses\n  Windows, DBTables,\n  Forms;\ntype TF = class\n  Q: "
      "TQuery;\nend;\n"
      "implementation\nuses DBTables;\nend.\n";
  Result first = Rewrite(*BdeReplacer, unit);
  EXPECT_EQ(first.log, "3 change(s)");
  EXPECT_EQ(first.text, "unit U;\ninterface\nuses\n  Windows, DBTables" + kNx +
                            ",\n  Forms;\ntype TF = class\n"
                            "  Q: TNXQuery;\nend;\nimplementation\nuses DBTables" +
                            kNx + ";\nend.\n");
  Result second = Rewrite(*BdeReplacer, first.text);
  EXPECT_FALSE(second.written);
  EXPECT_EQ(second.log, "No changes");
}

TEST_F(UnitRewriteTest, ResourceDirectivesNameTheForm) {
  std::string unit1_dfm = dir_.Write("App/Unit1.dfm", "object F: TForm end");
  std::string main_dfm = dir_.Write("App/Main.dfm", "object F: TForm end");
  struct Case {
    const char* directive;
    std::string added;
  } cases[] = {
      {"{$R *.dfm}", unit1_dfm},   {"{$RESOURCE *.DFM}", unit1_dfm},
      {"{$R Main.dfm}", main_dfm}, {"{$r main.DFM}", main_dfm},
      {"{$R Unit1.dfm}", ""},      {"{$R *.RES}", ""},
      {"{$R*.DFM}", ""},           {"{$R x*.DFM}", ""},
      {"{$R *.nfm}", ""},          {"{$R *.dfmx}", ""},
      {"{$R Other.dfm}", ""},
  };
  for (const Case& c : cases) {
    BdeReplacer->UnitList.Clear();
    Result r = Rewrite(*BdeReplacer, std::string("unit Unit1;\n") + c.directive + "\nend.");
    EXPECT_FALSE(r.written) << c.directive;
    EXPECT_EQ(r.log, "No changes") << c.directive;
    if (c.added.empty()) {
      EXPECT_EQ(BdeReplacer->UnitList.Count(), 0) << c.directive;
    } else {
      ASSERT_EQ(BdeReplacer->UnitList.Count(), 1) << c.directive;
      EXPECT_EQ(BdeReplacer->UnitList[0], c.added) << c.directive;
    }
  }
  BdeReplacer->UnitList.Clear();
  // Class names inside a resource directive are not replaced.
  EXPECT_EQ(Rewrite(*BdeReplacer, "{$R TQuery.res}").text, "{$R TQuery.res}");
}

TEST_F(UnitRewriteTest, EncodingsKeepEveryCharacterAndTheirMarks) {
  // Cyrillic and CJK in comments and strings, an emoji outside the BMP.
  std::string body =
      "// Запрос TQuery 查询\r\nS := 'строка TQuery 表 \xF0\x9F\x98\x80';\r\nQ: TQuery;\r\n";
  std::string expected_body =
      "// Запрос TNXQuery 查询\r\nS := 'строка TQuery 表 \xF0\x9F\x98\x80';\r\nQ: TNXQuery;\r\n";

  std::string utf8_file = EncodeText(body, TextEncoding::kUtf8);
  std::string text, error;
  ASSERT_TRUE(DecodeText(utf8_file, DetectEncoding(utf8_file), &text, &error));
  EXPECT_EQ(Rewrite(*BdeReplacer, text, TextEncoding::kUtf8).text,
            EncodeText(expected_body, TextEncoding::kUtf8));
  EXPECT_EQ(dir_.Read("out.pas").substr(0, 3), "\xEF\xBB\xBF");

  std::string utf16_file = EncodeText(body, TextEncoding::kUtf16LE);
  EXPECT_EQ(DetectEncoding(utf16_file), TextEncoding::kUtf16LE);
  ASSERT_TRUE(DecodeText(utf16_file, TextEncoding::kUtf16LE, &text, &error));
  EXPECT_EQ(text, body);
  std::string out = Rewrite(*BdeReplacer, text, TextEncoding::kUtf16LE).text;
  EXPECT_EQ(out, EncodeText(expected_body, TextEncoding::kUtf16LE));
  EXPECT_EQ(out.substr(0, 2), "\xFF\xFE");
  ASSERT_TRUE(DecodeText(out, TextEncoding::kUtf16LE, &text, &error));
  EXPECT_EQ(text, expected_body);
}

TEST_F(UnitRewriteTest, UnitInBrokenEncodingIsLeftUntouchedWithLogLine) {
  ReplaceOptions->Dest = RunSource::kFolder;
  ReplaceOptions->Directory = dir_ / "src";
  ReplaceOptions->BackupDir = dir_ / "src/RBackup";
  std::string odd = std::string("\xFF\xFEQ\0:\0 \0T\0Q\0u\0e\0r\0y\0;", 21);
  std::string broken =
      "\xEF\xBB\xBF"
      "var Q: TQuery; { \xC3 }";
  dir_.Write("src/Odd.pas", odd);
  dir_.Write("src/Broken.pas", broken);
  ASSERT_TRUE(BdeReplacer->Execute());
  EXPECT_EQ(dir_.Read("src/Odd.pas"), odd);
  EXPECT_EQ(dir_.Read("src/Broken.pas"), broken);
  std::string log = dir_.Read("src/Wiz_Log.txt");
  EXPECT_NE(log.find("Left unchanged: " + (dir_ / "src/Odd.pas") +
                     " (it is not valid UTF-16 (odd number of bytes))"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Left unchanged: " + (dir_ / "src/Broken.pas") + " (it is not valid UTF-8)"),
            std::string::npos)
      << log;
}

}  // namespace
}  // namespace tolvern
