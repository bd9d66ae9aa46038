#include "parsing/form_parser.h"

#include <gtest/gtest.h>

#include "parsing/nx_form_parser.h"
#include "platform/class_registry.h"

namespace tolvern {
namespace {

std::string Crlf(std::initializer_list<std::string> lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

class FormParserTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterClass({"TTestQuery", {"SQL", "Connection", "Font"}});
    RegisterClass({"TTestConnection", {"Connected", "Tag"}});
  }

  // Parses the object that starts at the first header keyword of text; on
  // success returns the rendered text at the level, else "<no parse>".
  std::string Convert(TFormParser& p, const std::string& text, const std::string& target,
                      int level = 0, int* end = nullptr) {
    p.SetTargetClassName(target);
    size_t at = text.find_first_not_of(" \r\n");
    int pos = static_cast<int>(at) + 1;
    if (!p.Parse(text, "<object>", pos)) return "<no parse>";
    if (end) *end = pos;
    std::string out;
    p.GetObjectText(level, out);
    return out;
  }

  TFormParser parser_;
  TNXFormParser nx_;
};

TEST_F(FormParserTest, Query1Example) {
  parser_.OnGetConnection = [](const std::string& prop, const std::string& value) {
    EXPECT_EQ(prop, "DatabaseName");
    return value == "MAIN" ? std::string("Form1.Database1") : std::string();
  };
  std::string text = Crlf({"object Query1: TQuery", "  DatabaseName = 'MAIN'", "  SQL.Strings = (",
                           "    'select * from x')", "  Left = 8", "  Top = 16", "end"});
  EXPECT_EQ(Convert(parser_, text, "TTestQuery", 1),
            Crlf({"  object Query1: TTestQuery", "    Connection = Form1.Database1",
                  "    SQL.Strings = (", "          'select * from x')", "    Left = 8",
                  "    Top = 16", "  end"}));
}

TEST_F(FormParserTest, PropertiesKeptOrDroppedByTargetClass) {
  std::string text = Crlf({"object Q: TQuery", "  Font.Name = 'Arial'", "  RequestLive = True",
                           "  Tag = 3", "  Left = 1", "end"});
  EXPECT_EQ(Convert(parser_, text, "TTestQuery"),
            Crlf({"object Q: TTestQuery", "  Font.Name = 'Arial'", "  Left = 1", "end"}));
  // Not registered: everything outside the special rows stays.
  EXPECT_EQ(Convert(parser_, text, "TNotRegistered"),
            Crlf({"object Q: TNotRegistered", "  Font.Name = 'Arial'", "  RequestLive = True",
                  "  Tag = 3", "  Left = 1", "end"}));
  // DatabaseName without a handler is dropped.
  EXPECT_EQ(Convert(parser_, Crlf({"object Q: TTable", "  DatabaseName = 'X'", "end"}), "TNone"),
            Crlf({"object Q: TNone", "end"}));
}

TEST_F(FormParserTest, NestedObjectsTravelUnchanged) {
  std::string child = "  object Table1ID: TIntegerField\r\n    FieldName = 'ID'\r\n  end";
  std::string text = "inherited Table1: TTable\r\n  TableName = 'T'\r\n" + child + "\r\nend\r\n";
  EXPECT_EQ(Convert(parser_, text, "TNotRegistered"),
            "inherited Table1: TNotRegistered\r\n  TableName = 'T'\r\n" + child + "\r\nend\r\n");
  // The child's property is not converted (it would be dropped by the target).
  EXPECT_EQ(Convert(parser_, text, "TTestConnection"),
            "inherited Table1: TTestConnection\r\n" + child + "\r\nend\r\n");
}

TEST_F(FormParserTest, PropertyNamedLikeEndDoesNotEndTheObject) {
  std::string text = Crlf({"object Q: TQuery", "  EndDate = 1", "  end_ = 2", "end"});
  EXPECT_EQ(Convert(parser_, text, ""), text);
  int pos = 1;
  EXPECT_FALSE(parser_.Parse("object Q: TQuery\r\n  Endless", "<object>", pos));
}

TEST_F(FormParserTest, ObjectWithoutPropertiesAndWhereTheParseStops) {
  std::string text = "object Q: TQuery\nend\n\n  \nobject R: TQuery\nend\n";
  int end = 0;
  EXPECT_EQ(Convert(parser_, text, "TX", 0, &end), Crlf({"object Q: TX", "end"}));
  EXPECT_EQ(text.substr(static_cast<size_t>(end - 1), 6), "object");
}

TEST_F(FormParserTest, ValuesPassThroughUnchanged) {
  struct Case {
    const char* line;
  } cases[] = {
      {"Options = [a, b]"},
      {"Options = []"},
      {"X = 1.5"},
      {"X = -3"},
      {"D = 12d"},
      {"C = -0.5c"},
      {"F = 1.25s"},
      {"T = 45000.75d"},
      {"S = #13#10'x'"},
      {"S = 'it''s'"},
      {"N = (1 2 3)"},
      {"E = 1.5e-3"},
      {"Ref = Form1.Table1"},
      {"B = {0A0B}"},
      {"On = DoIt"},
      {"L = ('a' 'b')"},
  };
  for (const Case& c : cases) {
    std::string text = "object Q: TQuery\r\n  " + std::string(c.line) + "\r\nend\r\n";
    EXPECT_EQ(Convert(parser_, text, "TNotRegistered"),
              "object Q: TNotRegistered\r\n  " + std::string(c.line) + "\r\nend\r\n")
        << c.line;
  }
  // A value continued with "+" is read with the blank before it.
  EXPECT_EQ(Convert(parser_, "object Q: TQuery\r\n  S = 'a' + 'b'\r\nend", "TNotRegistered"),
            "object Q: TNotRegistered\r\n  S =  'a' + 'b'\r\nend\r\n");
  std::string collection =
      "object Q: TQuery\r\n  ParamData = <\r\n    item\r\n      DataType = ftString\r\n"
      "      Name = 'P'\r\n    end>\r\nend\r\n";
  EXPECT_EQ(Convert(parser_, collection, "TNotRegistered"),
            "object Q: TNotRegistered\r\n  ParamData = <\r\n        item\r\n          "
            "DataType = ftString\r\n          Name = 'P'\r\n        end>\r\nend\r\n");
  std::string hex = "object Q: TQuery\r\n  Data = {\r\n    0A0B\r\n    0C}\r\nend\r\n";
  EXPECT_EQ(Convert(parser_, hex, "TNotRegistered"),
            "object Q: TNotRegistered\r\n  Data = {\r\n        0A0B\r\n        0C}\r\nend\r\n");
}

TEST_F(FormParserTest, ContinuedStringValueKeepsLeadingBlank) {
  std::vector<std::string> seen;
  class Spy : public TFormParser {
   public:
    std::vector<std::string>* seen;
    void ConvertProperty(std::string_view name, std::string_view value) override {
      seen->push_back(std::string(name) + "|" + std::string(value));
    }
  } spy;
  spy.seen = &seen;
  std::string text = "object L: TLabel\n  Caption = 'abc' +\n    'def'\n  Left = 8\nend\n";
  int pos = 1;
  ASSERT_TRUE(spy.Parse(text, "<object>", pos));
  // Every property is converted once, the last of the list too.
  EXPECT_EQ(seen, (std::vector<std::string>{"Caption| 'abc' +\n    'def'", "Left|8"}));
}

TEST_F(FormParserTest, ClassTestsAreExactNames) {
  std::string text = Crlf({"object Q: tquery", "  DataSource = DS1", "  ParamData = <>", "end"});
  EXPECT_EQ(Convert(parser_, text, "TTestQuery"), Crlf({"object Q: TTestQuery", "end"}));
  std::string q = Crlf({"object Q: TQuery", "  DataSource = DS1", "  ParamData = <>", "end"});
  EXPECT_EQ(Convert(parser_, q, "TTestQuery"),
            Crlf({"object Q: TTestQuery", "  MasterSource = DS1", "  ParamData = <>", "end"}));
}

TEST_F(FormParserTest, DatabaseLoginEntries) {
  std::string text =
      Crlf({"object Database1: TDatabase", "  DatabaseName = 'DB'", "  Params.Strings = (",
            "    'SERVER NAME=srv'", "    'user name=bob'", "    'PASSWORD=')", "end"});
  EXPECT_EQ(
      Convert(parser_, text, "TNotRegistered"),
      Crlf({"object Database1: TNotRegistered", "  Username = 'bob'", "  Server = 'srv'", "end"}));
}

TEST_F(FormParserTest, LoginEntriesAreReadAsStrings) {
  // A long entry wrapped across lines, and a value with a quote and a code.
  std::string text =
      Crlf({"object D: TDatabase", "  Params.Strings = (", "    ",
            "      'SERVER NAME=C:\\Program Files\\Common Files\\Borland Shared\\Da' +",
            "      'ta\\employee.gdb'", "    'PASSWORD=it''s'#9)", "end"});
  EXPECT_EQ(
      Convert(parser_, text, "TNotRegistered"),
      Crlf({"object D: TNotRegistered", "  Password = 'it'#39's'#9",
            "  Server = 'C:\\Program Files\\Common Files\\Borland Shared\\Data\\employee.gdb'",
            "end"}));
}

TEST_F(FormParserTest, LoginValuesKeepCharactersBeyondTheCodePage) {
  // A code beyond the form's code page stays a code; quoted bytes (here the
  // UTF-8 of a Cyrillic letter) stay quoted as they were.
  std::string text = Crlf({"object D: TDatabase", "  Params.Strings = (",
                           "    'USER NAME='#1070'X'", "    'PASSWORD=\xD0\xAF'#233)", "end"});
  EXPECT_EQ(Convert(parser_, text, "TNotRegistered"),
            Crlf({"object D: TNotRegistered", "  Username = #1070'X'",
                  "  Password = '\xD0\xAF'#233", "end"}));
}

TEST_F(FormParserTest, NexaConversions) {
  struct Case {
    const char* cls;
    const char* line;
    const char* out;  // "" when dropped
  } cases[] = {
      {"TDatabase", "TransIsolation = tiDirtyRead", "IsolationLevel = ilReadUnCommitted"},
      {"TDatabase", "TransIsolation = tiReadCommitted", "IsolationLevel = ilReadCommitted"},
      {"TDatabase", "TransIsolation = tiRepeatableRead", "IsolationLevel = ilRepeatableRead"},
      {"TDatabase", "TransIsolation = tiOther", ""},
      {"TADOConnection", "IsolationLevel = ilCursorStability", "IsolationLevel = ilReadCommitted"},
      {"TADOConnection", "IsolationLevel = ilBrowse", "IsolationLevel = ilReadUnCommitted"},
      {"TADOConnection", "IsolationLevel = ilSerializable", "IsolationLevel = ilIsolated"},
      {"TADOConnection", "IsolationLevel = ilReadCommitted", ""},
      {"TQuery", "IsolationLevel = ilBrowse", "IsolationLevel = ilBrowse"},  // inherited: kept
      {"TQuery", "TransIsolation = tiDirtyRead", "TransIsolation = tiDirtyRead"},
      {"TADOConnection", "ConnectionString = 'x'", "ConnectString = 'x'"},
      {"TADOConnection", "DefaultDatabase = 'd'", "Database = 'd'"},
      {"TADODataSet", "CommandText = 'select 1'", "SQL.Strings = ('select 1')"},
      {"TADOCommand", "CommandText = 'select 1'", "SQL.Strings = ('select 1')"},
      {"TADOQuery", "CommandText = 'select 1'", "CommandText = 'select 1'"},
      {"TADOStoredProc", "ProcedureName = 'sp_x'", "StoredProcName = 'sp_x'"},
  };
  for (const Case& c : cases) {
    std::string text = "object O: " + std::string(c.cls) + "\r\n  " + c.line + "\r\nend\r\n";
    std::string expected = "object O: TNotRegistered\r\n" +
                           (*c.out ? "  " + std::string(c.out) + "\r\n" : std::string()) +
                           "end\r\n";
    EXPECT_EQ(Convert(nx_, text, "TNotRegistered"), expected) << c.cls << " " << c.line;
  }
  std::string db = Crlf({"object D: TDatabase", "  Params.Strings = (", "    'USER NAME=u'",
                         "    'DATABASE NAME=orders')", "end"});
  EXPECT_EQ(Convert(nx_, db, "TNotRegistered"),
            Crlf({"object D: TNotRegistered", "  Database = 'orders'", "  Username = 'u'", "end"}));
}

TEST_F(FormParserTest, MalformedTextFailsCleanly) {
  for (const char* bad : {"object Q: TQuery\r\n  Left = 1\r\n", "object Q TQuery\r\nend",
                          "object Q: TQuery\r\n  S = 'open\r\nend", "object : TQuery\r\nend",
                          "object Q: TQuery\r\n  = 1\r\nend", ""}) {
    EXPECT_EQ(Convert(parser_, bad, "TX"), "<no parse>") << bad;
    EXPECT_TRUE(parser_.Props().empty());
    std::string out = "x";
    parser_.GetObjectText(0, out);
    EXPECT_EQ(out, "");
  }
}

TEST_F(FormParserTest, ChildPositionsUnnamedObjectsAndNamesInAnyScript) {
  std::string text =
      Crlf({"object qryTotals: TADOQuery [3]", "  SQL.Strings = (", "    'x')", "end"});
  EXPECT_EQ(Convert(parser_, text, "TTestQuery"),
            Crlf({"object qryTotals: TTestQuery [3]", "  SQL.Strings = (", "        'x')", "end"}));
  EXPECT_EQ(Convert(parser_, "inherited dsMain: TDataSource[1]\r\nend\r\n", ""),
            Crlf({"inherited dsMain: TDataSource [1]", "end"}));
  // Nested objects with a name in Cyrillic letters, or without a name, do
  // not stop their parent's conversion; they travel unchanged.
  const std::string nested =
      Crlf({"  object tblOrders\xD0\x9D\xD0\xBE\xD0\xBC_1: TAutoIncField [0]",
            "    FieldName = '\xD0\x9D'", "  end", "  object TDateTimeField", "    FieldName = 'D'",
            "  end"});
  text = "object \xCE\xA0\xCE\xB1: TTable\r\n  RequestLive = True\r\n" + nested + "end\r\n";
  EXPECT_EQ(Convert(parser_, text, "TTestQuery"),
            "object \xCE\xA0\xCE\xB1: TTestQuery\r\n" + nested + "end\r\n");
}

TEST_F(FormParserTest, DescendantIsConvertedAsItsMappedAncestorAndKeepsItsClass) {
  std::string text = Crlf({"object Q: TAppQuery", "  DataSource = DS1", "  RequestLive = True",
                           "  Audit = True", "  Audit.Level = 2", "end"});
  parser_.SetTargetClassName("TTestQuery");
  parser_.SetDescendant("TQuery", {"audit"});
  int pos = 1;
  ASSERT_TRUE(parser_.Parse(text, "<object>", pos));
  std::string out;
  parser_.GetObjectText(0, out);
  EXPECT_EQ(out, Crlf({"object Q: TAppQuery", "  MasterSource = DS1", "  Audit = True",
                       "  Audit.Level = 2", "end"}));
  // Setting the target class alone forgets the descendant.
  EXPECT_EQ(Convert(parser_, text, "TTestQuery"), Crlf({"object Q: TTestQuery", "end"}));
}

// Counts the objects the grammar recognises.
class ObjectCountingParser : public TNXFormParser {
 public:
  int objects = 0;

 protected:
  bool ParseNonTerminal(int rule) override {
    if (RuleName(rule) == "<object>") ++objects;
    return TNXFormParser::ParseNonTerminal(rule);
  }
};

TEST_F(FormParserTest, EachNestedObjectIsRecognisedOnceAtAnyDepth) {
  // Objects nested 60 deep inside one query: a parse that recognised the last
  // object of each list twice would take 2^60 steps.
  std::string text;
  const int depth = 60;
  for (int d = 0; d <= depth; ++d)
    text += std::string(static_cast<size_t>(2 * d), ' ') + "object O" + std::to_string(d) +
            (d == 0 ? ": TQuery\r\n" : ": TField\r\n") +
            std::string(static_cast<size_t>(2 * d), ' ') + "  Tag = 1\r\n";
  for (int d = depth; d >= 0; --d) text += std::string(static_cast<size_t>(2 * d), ' ') + "end\r\n";
  ObjectCountingParser p;
  p.SetTargetClassName("TNXQuery");
  int pos = 1;
  ASSERT_TRUE(p.Parse(text, "<object>", pos));
  EXPECT_EQ(pos, static_cast<int>(text.size()) + 1);
  EXPECT_EQ(p.objects, depth + 1);
}

TEST_F(FormParserTest, HostileInputIsBoundedAndNeverCrashes) {
  // Deep nesting beyond the engine's limit: a clean error.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "object A: T\n";
  for (int i = 0; i < 100000; ++i) deep += "end\n";
  int pos = 1;
  EXPECT_THROW(parser_.Parse(deep, "<object>", pos), EGrammarError);
  // A 50 MB property value.
  std::string big = "object Q: TQuery\n  S = '" + std::string(50 << 20, 'x') + "'\nend\n";
  pos = 1;
  EXPECT_TRUE(parser_.Parse(big, "<object>", pos));
  // Truncated in the middle of a long value.
  pos = 1;
  EXPECT_FALSE(parser_.Parse(big.substr(0, big.size() / 2), "<object>", pos));
}

}  // namespace
}  // namespace tolvern
