// The classes a unit declares and the lineage the units of a run build of
// them: parents and fields found in any letter case, a later unit deciding
// what two declare, and the nearest ancestor's field winning.
#include "engine/class_lineage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolvern {
namespace {

struct ReadCase {
  std::string unit;
  std::vector<std::string> classes;  // as Described gives them
};

// A class as "Name(Parent)/N", N the number of tokens in its body.
std::vector<std::string> Described(const std::string& unit) {
  const PasTokens tokens = SignificantTokens(unit);
  std::vector<std::string> out;
  for (const UnitClass& c : ReadUnitClasses(tokens))
    out.push_back(std::string(c.name) + "(" + std::string(c.parent) + ")/" +
                  std::to_string(c.end - c.body));
  return out;
}

TEST(ClassLineageTest, ReadsTheClassesAUnitDeclares) {
  const ReadCase cases[] = {
      {"type TA = class(TForm) q: TQuery; end;", {"TA(TForm)/4"}},
      {"type TA = class(Forms.TForm) end;", {"TA(TForm)/0"}},
      {"type TA = class(Vcl.Forms.TForm, IUnknown) end;", {"TA(TForm)/0"}},
      // A record in the body has its own "end".
      {"type TA = class(TB) r: record x: Integer; end; q: TQuery; end;", {"TA(TB)/13"}},
      {"type TA = class q: TQuery; end; TB = class(TA) end;", {"TA()/4", "TB(TA)/0"}},
      // "class(TB);" has no body; "class of" and forward declarations are no classes.
      {"type TA = class(TB); TC = class of TA; TD = class; TE = CLASS(td) end;",
       {"TA(TB)/0", "TE(td)/0"}},
      {"var x: Integer;", {}},
  };
  for (const ReadCase& c : cases) EXPECT_EQ(Described(c.unit), c.classes) << c.unit;
}

TEST(ClassLineageTest, ParentsAndFieldsAreFoundInAnyLetterCase) {
  ClassLineage lineage;
  lineage.SetParent("TfrmCust", "TfrmBase");
  lineage.SetField("TfrmBase", "qryList", "TNXQuery");
  lineage.SetField("TÄnderung", "qryÄ", "TNXTable");
  ASSERT_NE(lineage.ParentOf("TFRMCUST"), nullptr);
  EXPECT_EQ(*lineage.ParentOf("tfrmcust"), "TfrmBase");
  ASSERT_NE(lineage.FieldOf("TFRMBASE", "QRYLIST"), nullptr);
  EXPECT_EQ(*lineage.FieldOf("tfrmbase", "qrylist"), "TNXQuery");
  // Only ASCII letters fold: UTF-8 letters stay as they are.
  EXPECT_NE(lineage.FieldOf("TÄNDERUNG", "QRYÄ"), nullptr);
  EXPECT_EQ(lineage.FieldOf("TäNDERUNG", "QRYÄ"), nullptr);
  EXPECT_EQ(lineage.FieldOf("TÄNDERUNG", "QRYä"), nullptr);
  // A class with fields but no parent has no parent; an unknown one nothing.
  EXPECT_EQ(lineage.ParentOf("TfrmBase"), nullptr);
  EXPECT_EQ(lineage.ParentOf("TOther"), nullptr);
  EXPECT_EQ(lineage.FieldOf("TfrmCust", "qryList"), nullptr);  // its own fields only
}

// Learning two units one after the other, or each on its own and the later
// absorbed, gives the same lineage: the later declaration decides.
TEST(ClassLineageTest, ALaterUnitDecidesWhatTwoDeclare) {
  auto first = [](ClassLineage& l) {
    l.SetParent("TA", "TBase");
    l.SetField("TA", "q", "TNXQuery");
    l.SetField("TA", "t", "TNXTable");
  };
  auto later = [](ClassLineage& l) {
    l.SetParent("ta", "");  // declared again without a parent: keeps TBase
    l.SetField("TA", "Q", "TNXStoredProc");
    l.SetParent("TB", "TA");
  };
  ClassLineage in_turn, absorbed, second;
  first(in_turn);
  later(in_turn);
  first(absorbed);
  later(second);
  absorbed.Absorb(std::move(second));
  for (const ClassLineage* l : {&in_turn, &absorbed}) {
    ASSERT_NE(l->ParentOf("TA"), nullptr);
    EXPECT_EQ(*l->ParentOf("TA"), "TBase");
    EXPECT_EQ(*l->ParentOf("TB"), "TA");
    EXPECT_EQ(*l->FieldOf("TA", "q"), "TNXStoredProc");
    EXPECT_EQ(*l->FieldOf("TA", "t"), "TNXTable");
  }
  ClassLineage empty;
  empty.Absorb(std::move(absorbed));
  EXPECT_EQ(*empty.FieldOf("TA", "q"), "TNXStoredProc");
}

TEST(ClassLineageTest, TheNearestAncestorsFieldWins) {
  ClassLineage lineage;
  lineage.SetField("TMid", "qryList", "TNXTable");
  lineage.SetField("TBase", "QRYLIST", "TNXQuery");
  lineage.SetField("TBase", "tblItems", "TNXTable");
  const FoldedMap<std::string> fields = lineage.FieldsOf({"TMid", "TBase", "TUnknown"});
  EXPECT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields.at("qrylist"), "TNXTable");
  EXPECT_EQ(fields.at("TBLITEMS"), "TNXTable");
  EXPECT_EQ(lineage.FieldsOf({"TBase", "TMid"}).at("qryList"), "TNXQuery");
  EXPECT_TRUE(lineage.FieldsOf({}).empty());
}

}  // namespace
}  // namespace tolvern
