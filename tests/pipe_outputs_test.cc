// Named pipes planted at the names a run writes: its log, its to-do lists,
// the account it is asked for and that page's spool, its lock and its undo
// file. Opening a pipe for writing waits for a reader, forever when none
// comes; the run refuses each, naming it, before any original is replaced.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

namespace tolvern {
namespace {

using testing::ScratchDir;
namespace fs = std::filesystem;

#ifdef _WIN32
TEST(PipeOutputsTest, APipeAtANameTheRunWritesStopsItBeforeAnyOriginalIsReplaced) {
  GTEST_SKIP() << "named pipes stand in folders on POSIX systems only";
}
#else
const char kUnit[] =
    "unit U;\r\ninterface\r\nuses DBTables;\r\nvar Q: TQuery;\r\n{$R *.dfm}\r\nend.\r\n";
const char kForm[] = "object F: TForm1\r\n  object Q: TQuery\r\n  end\r\nend\r\n";

TEST(PipeOutputsTest, APipeAtANameTheRunWritesStopsItBeforeAnyOriginalIsReplaced) {
  const struct {
    const char* pipe;    // below the scratch folder
    const char* option;  // the option that names an output, or ""
    const char* output;  // the output it names
  } cases[] = {
      {"tree/Wiz_Log.txt", "", ""},
      {"tree/Wiz_Todo.txt", "", ""},
      {"tree/Wiz_Todo.1.txt", "", ""},
      {"out/report.json", "--report", "out/report.json"},
      {"out/page.html", "--html", "out/page.html"},
      {"out/page.html.diffs.tmp", "--html", "out/page.html"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pipe);
    ScratchDir dir;
    dir.Write("tree/U.pas", kUnit);
    dir.Write("tree/U.dfm", kForm);
    fs::create_directories(dir / "out");
    const std::string pipe = dir / c.pipe;
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    std::vector<std::string> args = {"migrate", "--folder", dir / "tree", "-q"};
    if (*c.option) args.insert(args.end(), {c.option, dir / c.output});
    // A run that waited for a reader would be ended here, and fail below.
    const testing::CommandResult r = testing::RunTolvern(args, "timeout 300 ");
    EXPECT_NE(r.exit_code, 0) << r.out << r.err;
    EXPECT_NE(r.err.find("\"" + pipe + "\". is a named pipe, not a regular file"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(dir.Read("tree/U.pas"), kUnit);
    EXPECT_EQ(dir.Read("tree/U.dfm"), kForm);
    EXPECT_TRUE(fs::is_fifo(pipe));
  }
}
#endif

}  // namespace
}  // namespace tolvern
