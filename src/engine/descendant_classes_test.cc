#include "engine/descendant_classes.h"

#include <gtest/gtest.h>

namespace tolvern {
namespace {

bool Mapped(const std::string& cls) { return cls == "TQuery" || cls == "TTable"; }

TEST(DescendantClassesTest, ChainsResolveToTheFirstMappedAncestor) {
  TDescendantClasses classes;
  classes.LearnFrom(
      "unit Base;\r\ninterface\r\nuses DBTables;\r\ntype\r\n"
      "  TAppQuery = class(TQuery)\r\n  private\r\n    FAudit: Boolean;\r\n"
      "  published\r\n    property Audit: Boolean read FAudit write FAudit;\r\n"
      "    property DatabaseName;\r\n  end;\r\n"
      "  TAuditQuery = class (TAppQuery, IUnknown) { TTable = class(TQuery) }\r\n"
      "    Detail: record A: Integer; end;\r\n"
      "    property Level: Integer read FLevel;\r\n  end;\r\n"
      "  TQualified = class(DBTables.TTable);\r\n  TForward = class;\r\n"
      "  TQueryClass = class of TQuery;\r\n"
      "  TLoopA = class(TLoopB);\r\n  TLoopB = class(TLoopA);\r\n"
      "implementation\r\nend.\r\n");
  struct Case {
    const char* cls;
    const char* ancestor;
  } cases[] = {
      {"TAppQuery", "TQuery"}, {"tauditquery", "TQuery"}, {"TQualified", "TTable"},
      {"TQuery", ""},          {"TForward", ""},          {"TQueryClass", ""},
      {"TLoopA", ""},          {"TUnknown", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(classes.MappedAncestor(c.cls, Mapped), c.ancestor) << c.cls;
  // Own properties are those declared with a type, along the whole chain; a
  // property only made published again is the ancestor's.
  EXPECT_EQ(classes.OwnProperties("TAuditQuery", "TQuery"),
            (std::vector<std::string>{"Level", "Audit"}));
  EXPECT_EQ(classes.OwnProperties("TAppQuery", "TQuery"), (std::vector<std::string>{"Audit"}));
}

TEST(DescendantClassesTest, ALaterDeclarationReplacesAnEarlierOne) {
  TDescendantClasses classes;
  classes.LearnFrom("type TAppQuery = class(TQuery) end;");
  classes.LearnFrom("type TAppQuery = class(TObject) end;");
  EXPECT_EQ(classes.MappedAncestor("TAppQuery", Mapped), "");
  // Sets learnt apart (on different threads) and taken in unit order
  // answer as the one set does.
  TDescendantClasses first, later;
  first.LearnFrom("type TAppQuery = class(TQuery) end; TKeep = class(TTable) end;");
  later.LearnFrom("type TAppQuery = class(TObject) end;");
  first.Absorb(std::move(later));
  EXPECT_EQ(first.MappedAncestor("TAppQuery", Mapped), "");
  EXPECT_EQ(first.MappedAncestor("TKeep", Mapped), "TTable");
  classes.Clear();
  EXPECT_TRUE(classes.Empty());
}

// The quick look never misses a declaration with an ancestor (blanks and
// line ends before the parenthesis, any letter case); a text without one
// is passed over.
TEST(DescendantClassesTest, MayDeclareFindsEveryDeclarationWithAnAncestor) {
  struct Case {
    const char* text;
    bool may;
  } cases[] = {
      {"TA = class(TQuery)", true},
      {"TA = CLASS \r\n\t (TQuery)", true},
      {"(TA = Class(", true},
      {"TA = class { note } (TQuery)", true},
      {"TA = class (* note *) (TQuery)", true},
      {"TA = class // note\r\n  (TQuery)", true},
      {"Foo;\r\n  (1 + 2)", false},
      {"TA = class; TB = class of TQuery; Foo(1);", false},
      {"( class", false},
      {"", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TDescendantClasses::MayDeclare(c.text), c.may) << c.text;
  }
  // Every text the reading of declarations learns from is one it may.
  for (const char* unit :
       {"type TAppQuery = class\r\n (TQuery) end;", "type TAppQuery = class { x } (TQuery) end;",
        "type TAppQuery = class // x\n (TQuery) end;"}) {
    TDescendantClasses classes;
    classes.LearnFrom(unit);
    EXPECT_FALSE(classes.Empty()) << unit;
    EXPECT_TRUE(TDescendantClasses::MayDeclare(unit)) << unit;
  }
}

}  // namespace
}  // namespace tolvern
