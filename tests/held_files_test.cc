// Runs over the bundled example while another program holds one file of a
// unit/form pair open, as an editor does: sharing it for reading only (the
// file can be read and backed up, not replaced) or not at all (it cannot
// even be read). Either way, and whichever of the pair it is, the run goes
// on with the other files, leaves the pair as it is, names the held file,
// and ends with exit code 3. Only Windows locks files this way.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "engine/nx_replacer.h"
#include "test_support.h"

#ifdef _WIN32
#include "platform/windows_api.h"
#endif

namespace tolvern {
namespace {

using testing::ScratchDir;

#ifdef _WIN32
// Holds a file open with a sharing mode for the life of this object.
class HeldOpen {
 public:
  HeldOpen(const std::string& path, DWORD share)
      : h_(::CreateFileW(WidePath(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0,
                         nullptr)) {}
  ~HeldOpen() {
    if (ok()) ::CloseHandle(h_);
  }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};
#endif

struct HeldCase {
  const char* file;  // of the DataModule pair
  bool share_read;   // false: no sharing at all
  bool project;      // a project-mode run (else folder mode)
};

// "DataModule.pas read-shared, project mode", for the test's name in lists.
void PrintTo(const HeldCase& c, std::ostream* out) {
  *out << c.file << (c.share_read ? " read-shared, " : " not shared, ")
       << (c.project ? "project mode" : "folder mode");
}

std::string CaseName(const ::testing::TestParamInfo<HeldCase>& info) {
  const HeldCase& c = info.param;
  return std::string(std::string(c.file).ends_with(".pas") ? "Unit" : "Form") +
         (c.share_read ? "ReadShared" : "NotShared") + (c.project ? "Project" : "Folder");
}

class HeldFilesTest : public ::testing::TestWithParam<HeldCase> {};

INSTANTIATE_TEST_SUITE_P(UnitAndFormReadSharedOrNot, HeldFilesTest,
                         ::testing::Values(HeldCase{"DataModule.pas", true, false},
                                           HeldCase{"DataModule.dfm", true, false},
                                           HeldCase{"DataModule.pas", false, false},
                                           HeldCase{"DataModule.dfm", false, false},
                                           HeldCase{"DataModule.pas", true, true},
                                           HeldCase{"DataModule.dfm", true, true},
                                           HeldCase{"DataModule.pas", false, true},
                                           HeldCase{"DataModule.dfm", false, true}),
                         CaseName);

TEST_P(HeldFilesTest, ThePairIsLeftAsItIsAndNamedAndTheRunGoesOn) {
#ifndef _WIN32
  GTEST_SKIP() << "only Windows keeps a file from being replaced while a program holds it open";
#else
  const HeldCase c = GetParam();
  ScratchDir dir;
  const std::string app = testing::CopyExample(dir, "app");
  const auto before = testing::Snapshot(app);
  const std::string held_path = app + "\\" + c.file;
  testing::CommandResult r;
  {
    HeldOpen held(held_path, c.share_read ? FILE_SHARE_READ : 0);
    ASSERT_TRUE(held.ok());
    r = c.project ? testing::RunTolvern({"migrate", "--project", app + "\\Orders.dpr"})
                  : testing::RunTolvern({"migrate", "--folder", app});
  }
  EXPECT_EQ(r.exit_code, 3) << r.out << r.err;
  const auto after = testing::Snapshot(app);
  // The pair is as it was; the other units are migrated.
  EXPECT_EQ(after.at("DataModule.pas"), before.at("DataModule.pas"));
  EXPECT_EQ(after.at("DataModule.dfm"), before.at("DataModule.dfm"));
  EXPECT_NE(after.at("MainForm.pas"), before.at("MainForm.pas"));
  EXPECT_NE(after.at("MainForm.dfm"), before.at("MainForm.dfm"));
  // The held file is named, and the undo file lists neither of the pair.
  EXPECT_NE((r.out + r.err).find(held_path), std::string::npos) << r.out << r.err;
  const std::string undo = dir.Read("app/RBackup/ZUvezod.reu");
  EXPECT_EQ(undo.find("DataModule"), std::string::npos) << undo;
  EXPECT_NE(undo.find("MainForm.pas"), std::string::npos) << undo;
#endif
}

}  // namespace
}  // namespace tolvern
