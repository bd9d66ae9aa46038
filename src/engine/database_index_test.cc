#include "engine/database_index.h"

#include <gtest/gtest.h>

namespace tolvern {
namespace {

bool IsDatabase(const std::string& cls) { return cls == "TDatabase" || cls == "TAppDatabase"; }

std::string Found(const std::string& text) {
  const DatabasesOfForm found = FindDatabasesOfForm(text, IsDatabase);
  std::string out = found.form + ":";
  for (const DeclaredDatabase& d : found.databases) out += " " + d.name + "=" + d.component;
  return out;
}

TEST(DatabaseIndexTest, FindsTheDatabasesOfAFormAndItsName) {
  struct Case {
    const char* text;
    const char* found;
  };
  const Case cases[] = {
      {"object F: TF\n  object D: TDatabase\n    DatabaseName = 'Sales'\n  end\nend\n",
       "F: Sales=D"},
      // An inherited form is named by its root, and its inherited
      // databases count.
      {"inherited F2: TF2\n  inherited D: TDatabase\n    DatabaseName = 'A'\n  end\n"
       "  object E: TAppDatabase\n    DatabaseName = 'B'\n  end\nend\n",
       "F2: A=D B=E"},
      // A data set names a database; it declares none.
      {"object F: TF\n  object Q: TQuery\n    DatabaseName = 'Sales'\n  end\nend\n", "F:"},
      // A string list that holds the word, and a database without a name.
      {"object F: TF\n  object D: TDatabase\n    Params.Strings = (\n      'DatabaseName=x')\n"
       "  end\nend\n",
       "F:"},
      // A property after a child object's end is not the child's.
      {"object F: TF\n  object D: TDatabase\n    DatabaseName = 'A'\n  end\n"
       "  object P: TPanel\n    object D2: TDatabase\n    end\n    DatabaseName = 'B'\n  "
       "end\nend\n",
       "F: A=D"},
      // A frame within the form does not name the form.
      {"object F: TF\n  inline Fr: TFrame1\n    object D: TDatabase\n"
       "      DatabaseName = 'C'\n    end\n  end\nend\n",
       "F: C=D"},
  };
  for (const Case& c : cases) EXPECT_EQ(Found(c.text), c.found) << c.text;
}

TEST(DatabaseIndexTest, ReferencesAsTheFormDesignerWritesThem) {
  DatabaseIndex index;
  index.Add("a.dfm", {"FormA", {{"SALES", "dbSales"}, {"LOCAL", "dbLocal"}}});
  index.Add("b.dfm", {"FormB", {{"Other", "dbOther"}}});
  // A later form declares a name again: it wins for every other form, but
  // a form that declares the name itself keeps its own.
  index.Add("c.dfm", {"FormC", {{"sales", "dbSales2"}}});
  struct Case {
    const char* name;
    const char* form;
    const char* reference;
  };
  const Case cases[] = {
      {"LOCAL", "a.dfm", "dbLocal"},         // own form: the bare name
      {"local", "a.dfm", "dbLocal"},         // letter case ignored
      {"LOCAL", "b.dfm", "FormA.dbLocal"},   // another form: qualified
      {"LOCAL", "", "FormA.dbLocal"},        // no form being converted
      {"SALES", "a.dfm", "dbSales"},         // its own, not the later one
      {"SALES", "c.dfm", "dbSales2"},        //
      {"SALES", "b.dfm", "FormC.dbSales2"},  // the last declaration
      {"Other", "x.dfm", "FormB.dbOther"},   // a form the run did not scan
      {"NOALIAS", "a.dfm", ""},              // no database of that name
  };
  for (const Case& c : cases)
    EXPECT_EQ(index.Reference(c.name, c.form), c.reference) << c.name << " in " << c.form;
  index.Clear();
  EXPECT_EQ(index.Reference("LOCAL", "a.dfm"), "");
}

TEST(DatabaseIndexTest, AliasesAreTheNamesNoDatabaseDeclares) {
  const std::string text =
      "object F: TF\n  object D: TDatabase\n    DatabaseName = 'LOCAL'\n  end\n"
      "  object Q1: TQuery\n    DatabaseName = 'local'\n  end\n"
      "  object Q2: TQuery\n    DatabaseName = 'DBDEMOS'\n  end\n"
      "  object Q3: TQuery\n    DatabaseName = ''\n  end\n"
      "  object R: TCrpe\n    DatabaseName = 'OTHER'\n  end\nend\n";
  const DatabasesOfForm found = FindDatabasesOfForm(
      text, IsDatabase, [](const std::string& c) { return c == "TQuery" || c == "TTable"; });
  ASSERT_EQ(found.data_sets.size(), 2u);  // not the empty name, not the unmapped class
  DatabaseIndex index;
  index.Add("f.dfm", found);
  index.Add("g.dfm", {"G", {}, {{"T1", "dbdemos"}, {"T2", "SHARED"}}});
  index.Add("h.dfm", {"H", {{"SHARED", "dbShared"}}, {}});
  const std::vector<AliasUse> aliases = index.Aliases();
  ASSERT_EQ(aliases.size(), 1u);  // SHARED is declared by a later form
  EXPECT_EQ(aliases[0].alias, "DBDEMOS");
  EXPECT_EQ(aliases[0].data_sets, 2);
  EXPECT_EQ(aliases[0].forms, (std::vector<std::string>{"F", "G"}));
  // A bound alias: bare on the form that holds the component.
  index.BindAlias("DBDEMOS", "G.conDemos");
  EXPECT_EQ(index.Reference("dbdemos", "f.dfm"), "G.conDemos");
  EXPECT_EQ(index.Reference("dbdemos", "g.dfm"), "conDemos");
  EXPECT_EQ(index.Reference("LOCAL", "f.dfm"), "D");  // a database goes before an alias
}

// A database name is the whole string value: quoted pieces, #nnn codes and
// continued lines make one name, decoded as the form holds its characters,
// for the databases a form declares and for the names its data sets give.
TEST(DatabaseIndexTest, ANameIsTheWholeValueDecodedInTheFormsCharset) {
  struct Case {
    const char* value;
    FormCharset charset;
    const char* name;
  } cases[] = {
      {"'Sess'#227'o'", FormCharset::kAnsi, "Sess\xE3o"},
      {"'Sess\xE3o'", FormCharset::kAnsi, "Sess\xE3o"},  // raw 8-bit text
      {"#83'ess'#227#111", FormCharset::kAnsi, "Sess\xE3o"},
      {"'Sess\xE3o'#1089", FormCharset::kAnsi, "Sess\xE3o\xD1\x81"},
      {"'Sess'#227'o'", FormCharset::kUtf8, "Sess\xC3\xA3o"},
      {"'Sess\xC3\xA3o'", FormCharset::kUtf8, "Sess\xC3\xA3o"},
      {"'Ba'#1089'e'", FormCharset::kUtf8,
       "Ba\xD1\x81"
       "e"},
      {"'C:\\Data\\Ledger' +\n      '\\2024'", FormCharset::kAnsi, "C:\\Data\\Ledger\\2024"},
      {"'It''s'", FormCharset::kAnsi, "It's"},
  };
  for (const Case& c : cases) {
    const std::string text =
        std::string("object F: TF\n  object D: TDatabase\n    DatabaseName = ") + c.value +
        "\n  end\n  object Q: TQuery\n    DatabaseName = " + c.value +
        "\n    SQL.Strings = (\n      'x')\n  end\nend\n";
    const DatabasesOfForm found = FindDatabasesOfForm(
        text, IsDatabase, [](const std::string& cls) { return cls == "TQuery"; }, c.charset);
    ASSERT_EQ(found.databases.size(), 1u) << c.value;
    EXPECT_EQ(found.databases[0].name, c.name) << c.value;
    ASSERT_EQ(found.data_sets.size(), 1u) << c.value;
    EXPECT_EQ(found.data_sets[0].database, c.name) << c.value;
    EXPECT_EQ(found.data_sets[0].component, "Q") << c.value;
  }
}

}  // namespace
}  // namespace tolvern
