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

}  // namespace
}  // namespace tolvern
