#include "engine/old_units.h"

#include <gtest/gtest.h>

#include "engine/old_unit_exports.h"

namespace tolvern {
namespace {

TEST(OldUnitsTest, UnitsNothingNeedsLeaveTheirClauseValid) {
  struct Case {
    const char* family;
    std::string text;
    std::string expected;  // "" when nothing goes
    int removed;
  };
  const Case cases[] = {
      // In the middle, first, last; the Nexa units stay.
      {"DBTables", "uses Windows, DBTables, NXAccess, Forms;", "uses Windows, NXAccess, Forms;", 1},
      {"DBTables", "uses\n  DBTables,\n  Forms;\n", "uses\n  Forms;\n", 1},
      {"DBTables", "uses\n  Forms,\n  DBTables;\n", "uses\n  Forms;\n", 1},
      {"DBTables", "uses DBTables, DBIProcs, Forms, dbierrs;", "uses Forms;", 3},
      // A clause left empty goes whole, with its lines.
      {"DBTables", "implementation\n\nuses DBTables, BDE;\n\n{$R *.dfm}\n",
       "implementation\n\n\n{$R *.dfm}\n", 2},
      {"DBTables", "implementation uses DBTables; {$R *.dfm}", "implementation {$R *.dfm}", 1},
      // "in" parts, conditional directives and comments stay balanced.
      {"DBTables", "uses DBTables in 'lib\\DBTables.pas', Forms;", "uses Forms;", 1},
      {"DBTables", "uses Forms{$IFDEF BDE}, DBTables{$ENDIF};", "uses Forms{$IFDEF BDE}{$ENDIF};",
       1},
      {"DBTables", "uses {$IFDEF BDE}DBTables, {$ENDIF}Forms;", "uses {$IFDEF BDE}{$ENDIF}Forms;",
       1},
      {"DBTables", "uses Forms, // the BDE\n  DBTables;", "uses Forms // the BDE\n;", 1},
      // What code still names keeps its unit only: Session is DBTables', the
      // Dbi call the API's.
      {"DBTables", "uses DBTables, DBIProcs, NXAccess;\nbegin Session.Active := True; end.",
       "uses DBTables, NXAccess;\nbegin Session.Active := True; end.", 1},
      {"DBTables", "uses BDE, DBTables;\nbegin DbiSaveChanges(H); end.",
       "uses BDE;\nbegin DbiSaveChanges(H); end.", 1},
      {"DBTables", "uses DBTables;\nvar B: TBatchMove;", "", 0},
      {"DBTables", "uses DBTables;\nbegin X := DBTables.TNXQuery; end.", "", 0},
      // Strings, comments and members name nothing that needs it.
      {"DBTables",
       "uses Forms, DBTables;\nbegin S := 'Session'; { TSession } Q.Session := nil; end.",
       "uses Forms;\nbegin S := 'Session'; { TSession } Q.Session := nil; end.", 1},
      // The ADO family: its own units only.
      {"ADODB", "uses Data.Win.ADODB, NXAccess, DBTables;", "uses NXAccess, DBTables;", 1},
      {"ADODB", "uses ADODB, Forms;\nvar P: TParameters;", "", 0},
      {"DBTables", "uses ADODB, Forms;", "", 0},
  };
  for (const Case& c : cases) {
    int removed = -1;
    const std::string out = DropOldUnits(c.text, c.family, &removed);
    EXPECT_EQ(out, c.expected.empty() ? c.text : c.expected) << c.text;
    EXPECT_EQ(removed, c.removed) << c.text;
  }
}

TEST(OldUnitsTest, EachOldUnitLeftNamesWhatNeedsIt) {
  const std::string text =
      "unit U;\ninterface\nuses Forms, DBTables, DBITypes, NXAccess;\n"
      "implementation\nuses BDE;\n"
      "var H: hDBIDb; T: TBatchMove; U: TBatchMove;\n"
      "begin Check(DbiGetCursorProps(H, P)); if E = DBIERR_NOTSUFFTABLERIGHTS then; end.\n";
  const std::vector<OldUnitPlace> places = FindOldUnits(text, "DBTables");
  ASSERT_EQ(places.size(), 3u);
  EXPECT_EQ(places[0].unit, "DBTables");
  EXPECT_EQ(text.substr(places[0].offset, 8), "DBTables");
  EXPECT_EQ(places[0].needed_by, (std::vector<std::string>{"TBatchMove", "Check"}));
  EXPECT_EQ(places[1].needed_by, (std::vector<std::string>{"hDBIDb"}));
  // BDE holds the API's procedures, types and error codes alike.
  EXPECT_EQ(places[2].needed_by,
            (std::vector<std::string>{"hDBIDb", "DbiGetCursorProps", "DBIERR_NOTSUFFTABLERIGHTS"}));
  EXPECT_EQ(OldUnitAdvice(places[0]),
            "still needed by TBatchMove, Check: the old library stays linked until they are "
            "moved to Nexa, then remove DBTables");
  OldUnitPlace unused{"DBIErrs", 0, 0, {}};
  EXPECT_EQ(OldUnitAdvice(unused),
            "nothing left in this unit needs DBIErrs any more: --drop-old-units removes it");
  EXPECT_TRUE(FindOldUnits("uses ADODB;", "DBTables").empty());
}

// The look-ups every identifier of a unit goes through: names in any
// letter case, prefixes only with something after them, units by family.
TEST(OldUnitExportsTest, NamesPrefixesAndUnits) {
  EXPECT_NE(ExportGroupsOfName("tsession"), 0u);
  EXPECT_EQ(ExportGroupsOfName("tsession"), ExportGroupsOfName("TSession"));
  EXPECT_NE(ExportGroupsOfName("DBIERR_NOTSUFFTABLERIGHTS"), 0u);
  EXPECT_NE(ExportGroupsOfName("dbiOpenTable"), 0u);
  for (const char* none : {"Dbi", "TSessions", "Query1", "", "Chec", "TADO"})
    EXPECT_EQ(ExportGroupsOfName(none), 0u) << none;
  EXPECT_NE(ExportGroupsOfUnit("DBTables", "bde.dbtables"), 0u);
  EXPECT_EQ(ExportGroupsOfUnit("ADODB", "DBTables"), 0u);
  EXPECT_EQ(ExportGroupsOfUnit("DBTables", "Classes"), 0u);
  // A name is exported by the family whose units bring its group.
  EXPECT_NE(ExportGroupsOfName("EDBEngineError") & ExportGroupsOfFamily("DBTables"), 0u);
  EXPECT_EQ(ExportGroupsOfName("EDBEngineError") & ExportGroupsOfFamily("ADODB"), 0u);
  EXPECT_NE(ExportGroupsOfName("EADOError") & ExportGroupsOfFamily("adodb"), 0u);
}

}  // namespace
}  // namespace tolvern
