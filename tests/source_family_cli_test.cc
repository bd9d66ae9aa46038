// A source family of its own: tests/families/dbx-nexa.json describes a few
// dbExpress classes and their to-do rows, with no line of code for them. Laid
// over the built-in profile it migrates a unit and its form and lists what is
// left; --family and --ado choose among the built-in families.
#include <gtest/gtest.h>

#include "parsing/mapping_profile.h"
#include "parsing/source_families.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::RunTolvern;
using testing::ScratchDir;

std::string DbxFamily() {
  return std::string(TOLVERN_SOURCE_DIR) + "/tests/families/dbx-nexa.json";
}

constexpr const char* kUnit =
    "unit Orders;\r\ninterface\r\nuses Forms, SqlExpr, DBXCommon;\r\ntype\r\n"
    "  TfmOrders = class(TForm)\r\n    conMain: TSQLConnection;\r\n    qryOrders: TSQLQuery;\r\n"
    "    Monitor: TSQLMonitor;\r\n  end;\r\nimplementation\r\n{$R *.dfm}\r\n"
    "procedure Setup(F: TfmOrders);\r\nbegin\r\n  F.qryOrders.GetMetadata := True;\r\nend;\r\n"
    "end.\r\n";

constexpr const char* kForm =
    "object fmOrders: TfmOrders\r\n  object conMain: TSQLConnection\r\n"
    "    ConnectionName = 'ORDERS'\r\n    DriverName = 'Interbase'\r\n    LoginPrompt = False\r\n"
    "  end\r\n  object qryOrders: TSQLQuery\r\n    SQLConnection = conMain\r\n"
    "    GetMetadata = False\r\n    SQL.Strings = (\r\n      'select 1')\r\n  end\r\nend\r\n";

TEST(SourceFamilyCliTest, AFamilyFromAFileMigratesItsUnitAndForm) {
  ScratchDir dir;
  dir.Write("app/Orders.pas", kUnit);
  dir.Write("app/Orders.dfm", kForm);
  auto r = RunTolvern({"migrate", "--folder", dir / "app", "--profile", DbxFamily(), "-q",
                       "--no-backup", "--no-log"});
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_EQ(dir.Read("app/Orders.pas"),
            "unit Orders;\r\ninterface\r\nuses Forms, SqlExpr, NXAccess, NXOleAccess, DBXCommon;"
            "\r\ntype\r\n  TfmOrders = class(TForm)\r\n    conMain: TNXConnection;\r\n"
            "    qryOrders: TNXQuery;\r\n    Monitor: TSQLMonitor;\r\n  end;\r\nimplementation\r\n"
            "{$R *.dfm}\r\nprocedure Setup(F: TfmOrders);\r\nbegin\r\n"
            "  F.qryOrders.GetMetadata := True;\r\nend;\r\nend.\r\n");
  // The connection's name and driver go (the family's database class is
  // no data set); the query keeps its connection under Nexa's name. (The
  // first object and the list's items are indented as every rewritten form
  // has them.)
  EXPECT_EQ(
      dir.Read("app/Orders.dfm"),
      "object fmOrders: TfmOrders\r\n    object conMain: TNXConnection\r\n"
      "    LoginPrompt = False\r\n  end\r\n  object qryOrders: TNXQuery\r\n"
      "    Connection = conMain\r\n    SQL.Strings = (\r\n            'select 1')\r\n  end\r\n"
      "end\r\n");
}

TEST(SourceFamilyCliTest, AFamilyFromAFileListsItsOwnRows) {
  ScratchDir dir;
  dir.Write("app/Orders.pas", kUnit);
  dir.Write("app/Orders.dfm", kForm);
  auto r = RunTolvern({"todo", "--folder", dir / "app", "--profile", DbxFamily(), "--all"});
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  // Its interface rows (a name, a unit), its member rows ("@dataset" for
  // TNXQuery) and the form advice of its dropped driver; none of the BDE's.
  for (const char* expected :
       {"Orders.pas:3:22: warning: interface: DBXCommon \xE2\x80\x94 remove the dbExpress unit",
        "warning: interface: TSQLMonitor \xE2\x80\x94 Nexa has no SQL monitor: remove it",
        "Orders.pas:14:15: error: member: qryOrders.GetMetadata \xE2\x80\x94 Nexa datasets read no "
        "metadata: remove it",
        "note: form-property: qryOrders.GetMetadata = False \xE2\x80\x94 dropped: Nexa datasets "
        "read "
        "no metadata",
        "dbExpress drivers have no counterpart: set Server and Database for the Interbase driver"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
  EXPECT_EQ(r.out.find("BDE"), std::string::npos) << r.out;
}

// --family takes the names of the table; --ado is --family ado; an unknown
// name or a disagreement is a usage error that touches nothing.
TEST(SourceFamilyCliTest, FamilyOptionChoosesAmongTheBuiltinFamilies) {
  EXPECT_EQ(RunTolvern({"profile", "--show", "--family", "ado"}).out,
            ProfileJson(BuiltinProfile("ado")));
  EXPECT_EQ(RunTolvern({"profile", "--show", "--family", "ado", "--ado"}).out,
            ProfileJson(BuiltinProfile("ado")));
  EXPECT_EQ(RunTolvern({"profile", "--show", "--family", "bde"}).out,
            ProfileJson(BuiltinProfile("bde")));
  ScratchDir dir;
  dir.Write("app/A.pas",
            "unit A;\ninterface\nuses ADODB;\nvar Q: TADOQuery;\nimplementation\nend.\n");
  const struct {
    std::vector<std::string> args;
    const char* message;
  } refused[] = {
      {{"migrate", "--folder", dir / "app", "--family", "dbx"},
       "unknown family \"dbx\"; the families are bde, ado"},
      {{"todo", "--folder", dir / "app", "--family", "BDE"},
       "unknown family \"BDE\"; the families are bde, ado"},
      {{"migrate", "--folder", dir / "app", "--family", "bde", "--ado"},
       "--ado is --family ado, but --family bde was given too"},
      {{"profile", "--show", "--family", "nexa"}, "unknown family \"nexa\""},
  };
  for (const auto& c : refused) {
    auto r = RunTolvern(c.args);
    EXPECT_EQ(r.exit_code, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_EQ(dir.Read("app/A.pas"),
            "unit A;\ninterface\nuses ADODB;\nvar Q: TADOQuery;\nimplementation\nend.\n");
  auto ado = RunTolvern(
      {"migrate", "--folder", dir / "app", "--family", "ado", "-q", "--no-backup", "--no-log"});
  EXPECT_EQ(ado.exit_code, 0) << ado.err;
  EXPECT_NE(dir.Read("app/A.pas").find("var Q: TNXQuery;"), std::string::npos);
}

}  // namespace
}  // namespace tolvern
