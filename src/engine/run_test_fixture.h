// The fixture of the tests that run the replacer over a scratch folder: a
// folder-mode run of its "src" folder with the library's replacers in
// place. The suite's tests live in more than one file, and one suite has one
// fixture class, so it is declared here once.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/nx_replacer.h"
#include "engine/replace_options.h"
#include "test_support.h"

namespace tolvern::testing {

// A unit that uses the BDE, which a run changes.
inline constexpr char kUsesBde[] =
    "unit U;\r\ninterface\r\nuses DBTables;\r\nvar T: TTable;\r\nend.\r\n";

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override { UseFolderRun(options(), dir_ / "src"); }
  TReplaceOptions& options() { return *ReplaceOptions; }
  std::vector<std::string> TempFolders() { return dir_.LeftInTemp(); }

  ScratchDir dir_;
  NXReplacerScope library_;
};

}  // namespace tolvern::testing
