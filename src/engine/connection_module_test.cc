#include "engine/connection_module.h"

#include <gtest/gtest.h>

#include "engine/alias_plan.h"

namespace tolvern {
namespace {

const ConnectionModuleNames kNames = ConnectionModuleNames::ForUnit("NxConnections");
constexpr const char* kEntry =
    ",\n  NxConnections in 'NxConnections.pas' {dmNxConnections: TDataModule}";
constexpr const char* kCreate = "Application.CreateForm(TdmNxConnections, dmNxConnections);";

TEST(ConnectionModuleTest, TheProjectFileBringsTheModuleIn) {
  struct Case {
    std::string text;
    std::string expected;  // "" when the text stays as it is
    bool uses = true, create = true;
    bool warned = false;
  };
  const std::string entry = kEntry, create = kCreate;
  const Case cases[] = {
      // Before the first form, whichever forms use it, on a line of its own.
      {"program P;\nuses\n  Forms,\n  A in 'A.pas' {fA},\n  B in 'B.pas' {fB};\nbegin\n"
       "  Application.CreateForm(TfA, fA);\n  Application.CreateForm(TfB, fB);\n"
       "  Application.Run;\nend.\n",
       ("program P;\nuses\n  Forms,\n  A in 'A.pas' {fA},\n  B in 'B.pas' {fB}" + entry +
        ";\nbegin\n  " + create +
        "\n  Application.CreateForm(TfA, fA);\n  Application.CreateForm(TfB, fB);\n"
        "  Application.Run;\nend.\n")},
      // Right after Application.Initialize, before the Title and the forms.
      {"program P;\nuses Forms;\nbegin\n  Application.Initialize;\n  Application.Title := 'P';\n"
       "  Application.CreateForm(TfA, fA);\n  Application.Run;\nend.\n",
       ("program P;\nuses Forms" + entry + ";\nbegin\n  Application.Initialize;\n  " + create +
        "\n  Application.Title := 'P';\n  Application.CreateForm(TfA, fA);\n"
        "  Application.Run;\nend.\n")},
      // Forms created in branches, one per start mode: after Initialize,
      // outside every branch.
      {"program P;\nuses Forms;\nbegin\n  Application.Initialize;\n"
       "  if ParamStr(1) = '/A' then begin\n    Application.CreateForm(TfA, fA);\n  end\n"
       "  else begin\n    Application.CreateForm(TfB, fB);\n  end;\n  Application.Run;\nend.\n",
       ("program P;\nuses Forms" + entry + ";\nbegin\n  Application.Initialize;\n  " + create +
        "\n  if ParamStr(1) = '/A' then begin\n    Application.CreateForm(TfA, fA);\n  end\n"
        "  else begin\n    Application.CreateForm(TfB, fB);\n  end;\n  Application.Run;\nend.\n")},
      // The same without Initialize: before the branching statement, warned.
      {"program P;\nuses Forms;\nbegin\n  if ParamStr(1) = '/A' then begin\n"
       "    Application.CreateForm(TfB, fB);\n  end;\n  Application.Run;\nend.\n",
       ("program P;\nuses Forms" + entry + ";\nbegin\n  " + create +
        "\n  if ParamStr(1) = '/A' then begin\n    Application.CreateForm(TfB, fB);\n  end;\n"
        "  Application.Run;\nend.\n"),
       true, true, true},
      // An Initialize inside a branch does not count; a try block is no branch.
      {"program P;\nuses Forms;\nbegin\n  if Debug then Application.Initialize;\n  try\n"
       "    Application.CreateForm(TfA, fA);\n  finally\n  end;\nend.\n",
       ("program P;\nuses Forms" + entry +
        ";\nbegin\n  if Debug then Application.Initialize;\n  try\n    " + create +
        "\n    Application.CreateForm(TfA, fA);\n  finally\n  end;\nend.\n")},
      // A procedure before the main block is not it; Initialize as the last
      // statement gets the separator it lacks.
      {"program P;\nuses Forms;\nprocedure X;\nbegin\n  Application.CreateForm(TfA, fA);\nend;\n"
       "begin\n  Application.Initialize\nend.\n",
       ("program P;\nuses Forms" + entry +
        ";\nprocedure X;\nbegin\n  Application.CreateForm(TfA, fA);\nend;\n"
        "begin\n  Application.Initialize;\n  " +
        create.substr(0, create.size() - 1) + "\nend.\n")},
      // No form at all: before Run.
      {"program P;\nuses Forms, A;\nbegin\n  Application.Run;\nend.\n",
       ("program P;\nuses Forms, A" + entry + ";\nbegin\n  " + create +
        "\n  Application.Run;\nend.\n")},
      // Statements sharing a line: in front of the one it goes before.
      {"program P; uses Forms; begin Application.CreateForm(TfB, fB); Application.Run; end.",
       ("program P; uses Forms" + entry + "; begin " + create +
        " Application.CreateForm(TfB, fB); Application.Run; end.")},
      // A call in a comment is no call.
      {"program P;\nuses Forms;\nbegin\n  // Application.Initialize;\n"
       "  Application.CreateForm(TfA, fA);\nend.\n",
       ("program P;\nuses Forms" + entry + ";\nbegin\n  // Application.Initialize;\n  " + create +
        "\n  Application.CreateForm(TfA, fA);\nend.\n")},
      // Brought in already, even inside a branch: left as it is.
      {"program P;\nuses Forms, NxConnections;\nbegin\n  if X then " + create +
           "\n  Application.Run;\nend.\n",
       ""},
      // Neither a uses clause nor a place to create it: said so.
      {"program P;\nbegin\nend.\n", "", false, false},
  };
  for (const Case& c : cases) {
    const ProjectEdit edit = AddModuleToProject(c.text, kNames, "NxConnections.pas", "\n");
    EXPECT_EQ(edit.text, c.expected.empty() ? c.text : c.expected) << c.text;
    EXPECT_EQ(edit.uses_added, c.uses) << c.text;
    EXPECT_EQ(edit.create_added, c.create) << c.text;
    EXPECT_EQ(!edit.warning.empty(), c.warned) << c.text << edit.warning;
  }
}

TEST(ConnectionModuleTest, AliasesAreNamedUniquelyAndMappedAsTheProfileSays) {
  std::vector<AliasRule> rules(4);
  rules[0].alias = "main";  // letter case ignored
  rules[1].alias = "Old-Data";
  rules[2].alias = "REMOTE";
  rules[2].bind = "dmMain.dbRemote";
  rules[3].alias = "SECOND";
  rules[3].connection = "conMAIN";  // asks for a name a made-up one would take
  const std::vector<AliasUse> uses = {{"MAIN", 3, {"F1", "F2"}},
                                      {"Old-Data", 1, {"F1"}},
                                      {"REMOTE", 2, {"F2"}},
                                      {"SECOND", 1, {"F3"}},
                                      {"NONE", 4, {"F4"}}};
  const AliasPlan plan = PlanAliases(uses, rules, "Conn");
  ASSERT_EQ(plan.aliases.size(), 5u);
  const char* expected[][2] = {{"create", "dmConn.conMAIN2"},
                               {"create", "dmConn.conOld_Data"},
                               {"bind", "dmMain.dbRemote"},
                               {"create", "dmConn.conMAIN"},
                               {"unmapped", ""}};
  for (size_t i = 0; i < plan.aliases.size(); ++i) {
    EXPECT_EQ(ToString(plan.aliases[i].action), expected[i][0]) << i;
    EXPECT_EQ(plan.aliases[i].reference, expected[i][1]) << i;
  }
  EXPECT_EQ(plan.NewConnections().size(), 3u);
  EXPECT_EQ(plan.FormsNeedingModule(), (FoldedSet{"F1", "F2", "F3"}));
}

}  // namespace
}  // namespace tolvern
