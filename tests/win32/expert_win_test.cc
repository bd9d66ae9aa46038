// The expert DLL loaded as the environment loads it (LoadLibrary, then its
// INITWIZARD0001), its menu item chosen in the host, and whole invocations
// answered as a user answers the native dialogs: a migration of the bundled
// example in project mode and its restore, and a wizard cancelled. The
// migrated files are byte for byte those of `tolvern migrate`.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "base/system_texts.h"
#include "engine/replace_options.h"
#include "platform/settings_store.h"
#include "test_support.h"
#include "win32/resource_ids.h"
#include "win32/win_capture.h"
#include "win32/win_controls.h"
#include "win32/win_host_window.h"

namespace tolvern {
namespace {

using testing::ScratchDir;
using Step = ModalScript::Step;

constexpr const char* kMenuItem = "ZUvezodItemBDE_ADONexa";

void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// Clicks through the wizard: the named controls of its pages in order.
Step Wizard(std::vector<int> clicks) {
  return [clicks](HWND w) {
    if (!::GetDlgItem(w, IDC_BT_NEXT)) return false;
    for (int id : clicks) ::SendMessageW(FindControl(w, id), BM_CLICK, 0, 0);
    return true;
  };
}

Step SaveWarning(bool yes, std::string* question) {
  return [=](HWND w) {
    if (!::GetDlgItem(w, IDC_LBL_WARN)) return false;
    *question = WindowText(::GetDlgItem(w, IDC_LBL_WARN));
    Click(w, yes ? IDOK : IDCANCEL);
    return true;
  };
}

struct Said {
  std::string text, title;
};

// A message box or the outcome of a run: what it says (with LF line ends),
// then OK.
Step Message(Said* said) {
  return [said](HWND w) {
    HWND outcome = ::GetDlgItem(w, IDC_OC_TEXT);
    if ((!::GetDlgItem(w, 0xFFFF) && !outcome) || ::GetDlgItem(w, IDC_PB_FILES)) return false;
    said->text.clear();
    for (char c : outcome ? WindowText(outcome) : MessageBoxText(w))
      if (c != '\r') said->text += c;
    said->title = WindowText(w);
    ::SendMessageW(w, WM_COMMAND, IDOK, 0);
    return true;
  };
}

class WinExpertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = testing::CopyExample(dir_, "app");
    // The expert keeps its options while it stays loaded, as in the
    // environment; each test starts from the defaults, and asks before
    // saving.
    TRegIniFile reg(res::kRegistryKey);
    TReplaceOptions defaults("BDE/ADO");
    defaults.SaveToRegistry(reg, defaults.GetTitle());
    for (const char* v : {"ReplaceProjWarn", "RestoreDirWarn", "ReplaceDirWarn"})
      reg.WriteBool(defaults.GetTitle(), v, true);
    reg.WriteBool(defaults.GetTitle(), "ReplaceMode", true);
    host_ = std::make_unique<WinHostWindow>();
    ASSERT_TRUE(host_->Create());
    std::string error;
    ASSERT_TRUE(host_->LoadExpert(TOLVERN_EXPERT_MODULE, &error)) << error;
    ASSERT_TRUE(host_->OpenProjectFile(dir_ / "app/Orders.dpr"));
  }
  void TearDown() override { host_.reset(); }

  // Chooses the menu item with the script answering the dialogs.
  bool Invoke(std::vector<Step> steps) {
    ModalScript script(std::move(steps));
    EXPECT_TRUE(host_->ChooseMenuItem(kMenuItem));
    return script.Done();
  }
  std::map<std::string, std::string> Sources() {
    std::map<std::string, std::string> files;
    for (const auto& [path, bytes] : testing::Snapshot(app_))
      if (path.find('/') == std::string::npos && !path.starts_with("Wiz_")) files[path] = bytes;
    return files;
  }

  ScratchDir dir_;
  std::string app_;
  std::unique_ptr<WinHostWindow> host_;
};

TEST_F(WinExpertTest, TheModuleExportsItsEntryPointAndAddsItsMenuItem) {
  HMODULE module = ::LoadLibraryW(WidePath(TOLVERN_EXPERT_MODULE).c_str());
  ASSERT_TRUE(module);
  EXPECT_TRUE(::GetProcAddress(module, "INITWIZARD0001"));
  ::FreeLibrary(module);
  ASSERT_EQ(host_->MenuItems().size(), 1u);
  EXPECT_EQ(host_->MenuItems()[0].caption, "&Migration Wizard");
  EXPECT_EQ(host_->MenuItems()[0].name, kMenuItem);
  ASSERT_EQ(host_->Wizards().size(), 1u);
  const IOTAWizard& w = *host_->Wizards()[0];
  EXPECT_EQ(w.GetIDString(), "Veltrane.BDE/ADOMigrationWizard.Nexa");
  EXPECT_EQ(w.GetName(), "BDE/ADO Migration Wizard");
  EXPECT_EQ(w.GetState(), 0);
}

TEST_F(WinExpertTest, CancelChangesNothing) {
  const auto before = Sources();
  EXPECT_TRUE(Invoke({Wizard({IDC_BT_NEXT, IDCANCEL})}));
  EXPECT_TRUE(host_->Calls().empty());
  EXPECT_EQ(Sources(), before);
}

TEST_F(WinExpertTest, MigrationAndRestoreOfTheExampleThroughTheHost) {
  const auto before = Sources();
  std::string question;
  Said said;
  ASSERT_TRUE(Invoke({Wizard({IDC_BT_NEXT, IDC_BT_NEXT, IDC_BT_NEXT, IDC_BT_NEXT, IDC_BT_FINISH}),
                      SaveWarning(true, &question), Message(&said)}));
  EXPECT_EQ(question, "Current project will be saved. Continue?");
  EXPECT_EQ(said.title, "BDE/ADO Migration Wizard");
  EXPECT_EQ(said.text.rfind("Replace procedure was performed sucessfully.", 0), 0u) << said.text;
  EXPECT_NE(said.text.find("\nReport: " + (dir_ / "app/Wiz_Report.html")), std::string::npos)
      << said.text;
  // The files are those the command line gives for the example.
  const auto expected = testing::Snapshot(testing::ExampleDir() + ".expected");
  const auto after = Sources();
  for (const auto& [path, bytes] : expected) {
    ASSERT_TRUE(after.count(path)) << path;
    EXPECT_EQ(after.at(path), bytes) << path;
  }
  // The environment saved the project and reloaded its units.
  const std::vector<std::string>& calls = host_->Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), "SaveProject");
  EXPECT_NE(std::find(calls.begin(), calls.end(), "ReloadFile " + (dir_ / "app/DataModule.pas")),
            calls.end());

  // The restore, with the undo file the wizard remembers.
  ASSERT_TRUE(Invoke({Wizard({IDC_RB_MODE_RESTORE, IDC_BT_NEXT, IDC_BT_NEXT, IDC_BT_FINISH}),
                      SaveWarning(true, &question), Message(&said)}));
  EXPECT_EQ(question, "Old files will be restored from backup. Continue?");
  EXPECT_EQ(said.text.rfind("Files were succefully restored.\nFiles restored: 6", 0), 0u)
      << said.text;
  EXPECT_EQ(Sources(), before);
  EXPECT_NE(std::find(calls.begin(), calls.end(), "CloseProjectGroup"), calls.end());
  EXPECT_EQ(calls.back(), "OpenProject " + (dir_ / "app/Orders.dpr"));
}

TEST_F(WinExpertTest, DecliningTheSaveWarningReturnsToTheSummaryAndRunsNothing) {
  const auto before = Sources();
  std::string question, title_again;
  // Declined, the wizard comes back on its summary; cancelled there, nothing
  // runs.
  EXPECT_TRUE(Invoke({Wizard({IDC_BT_NEXT, IDC_BT_NEXT, IDC_BT_NEXT, IDC_BT_NEXT, IDC_BT_FINISH}),
                      SaveWarning(false, &question), [&title_again](HWND w) {
                        if (!::GetDlgItem(w, IDC_BT_NEXT)) return false;
                        title_again = WindowText(w);
                        ::SendMessageW(::GetDlgItem(w, IDCANCEL), BM_CLICK, 0, 0);
                        return true;
                      }}));
  EXPECT_EQ(question, "Current project will be saved. Continue?");
  EXPECT_NE(title_again.find("Step 5 of 5"), std::string::npos) << title_again;
  EXPECT_EQ(Sources(), before);
  EXPECT_TRUE(host_->Calls().empty());
}

}  // namespace
}  // namespace tolvern
