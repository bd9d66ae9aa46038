// The diff spool of the HTML report: what it hands back is what was added,
// the code around to-do places comes from the text the places were counted
// in, and the spool file goes with it.
#include "engine/report_diffs.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;
using testing::WriteFileBytes;

TEST(LinesAroundTest, TakesTheLinesAroundEachPlace) {
  const std::string text = "one\r\ntwo\nthree\rfour";
  struct Case {
    std::vector<int> lines;
    int context;
    std::map<int, std::string> expected;
  };
  const Case cases[] = {
      {{2}, 1, {{1, "one"}, {2, "two"}, {3, "three"}}},
      {{1}, 1, {{1, "one"}, {2, "two"}}},
      {{4}, 1, {{3, "three"}, {4, "four"}}},
      {{1, 4}, 0, {{1, "one"}, {4, "four"}}},
      {{9}, 1, {}},
      {{}, 1, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(LinesAround(text, c.lines, c.context), c.expected)
        << "first line " << (c.lines.empty() ? 0 : c.lines[0]);
}

FileReport WithPlaceAt(FileKind kind, int line) {
  FileReport f = FileReport::Unchanged("X", kind, "ANSI");
  TodoItem t;
  t.line = line;
  f.todo.push_back(t);
  return f;
}

TEST(ReportDiffsTest, KeepsEachDiffAndTheCodeOfItsPlaces) {
  ScratchDir dir;
  const std::string before = dir / "before.pas", after = dir / "after.pas";
  WriteFileBytes(before, "a\r\nold line\r\nc\r\n");
  WriteFileBytes(after, "a\r\nnew line\r\nc\r\n");
  RealDisk disk;
  ReportDiffs diffs(disk, dir / "spool");
  const FileReport unit = WithPlaceAt(FileKind::kUnit, 2),
                   form = WithPlaceAt(FileKind::kTextForm, 2);
  diffs.Add("u.pas", before, after, &unit);
  diffs.Add("f.dfm", before, after, &form);
  diffs.Add("none.pas", before, after, nullptr);

  const std::string diff = diffs.Diff("u.pas");
  EXPECT_NE(diff.find("--- a/u.pas\n+++ b/u.pas\n"), std::string::npos) << diff;
  EXPECT_NE(diff.find("\n-old line\n+new line\n"), std::string::npos) << diff;
  EXPECT_NE(diffs.Diff("f.dfm").find("+++ b/f.dfm"), std::string::npos);
  // A unit's places are counted in its rewritten text, a form's in its original.
  EXPECT_EQ(diffs.CodeLines("u.pas"),
            (std::map<int, std::string>{{1, "a"}, {2, "new line"}, {3, "c"}}));
  EXPECT_EQ(diffs.CodeLines("f.dfm"),
            (std::map<int, std::string>{{1, "a"}, {2, "old line"}, {3, "c"}}));
  EXPECT_TRUE(diffs.CodeLines("none.pas").empty());
  EXPECT_FALSE(diffs.Has("other.pas"));
  EXPECT_EQ(diffs.Diff("other.pas"), "");
}

TEST(ReportDiffsTest, ALaterChangeOfAFileReplacesItsDiff) {
  ScratchDir dir;
  const std::string original = dir / "p.dpr", first = dir / "1.dpr", second = dir / "2.dpr";
  WriteFileBytes(original, "program P;\n");
  WriteFileBytes(first, "program Q;\n");
  WriteFileBytes(second, "program R;\n");
  RealDisk disk;
  ReportDiffs diffs(disk, dir / "spool");
  diffs.Add("p.dpr", original, first, nullptr);
  diffs.Add("p.dpr", original, second, nullptr);
  EXPECT_NE(diffs.Diff("p.dpr").find("+program R;"), std::string::npos);
  EXPECT_EQ(diffs.Diff("p.dpr").find("+program Q;"), std::string::npos);
}

TEST(ReportDiffsTest, TheSpoolGoesWithIt) {
  ScratchDir dir;
  const std::string spool = dir / "spool";
  {
    RealDisk disk;
    ReportDiffs diffs(disk, spool);
    EXPECT_TRUE(std::filesystem::exists(testing::NativePath(spool)));
  }
  EXPECT_FALSE(std::filesystem::exists(testing::NativePath(spool)));
}

TEST(ReportDiffsTest, ASpoolThatCannotBeCreatedIsNamed) {
  ScratchDir dir;
  const std::string spool = dir / "no-such-folder/spool";
  try {
    RealDisk disk;
    ReportDiffs diffs(disk, spool);
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_NE(std::string(e.what()).find(spool), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace tolvern
