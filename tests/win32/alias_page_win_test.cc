// The native wizard's profile field and Aliases step driven by window
// messages: the profile typed or browsed for, a bad one refused with the
// focus on its field; the aliases a scan of a real BDE application finds,
// each chosen, typed into and shown in the list as the model takes it, a
// binding without a component refused, the choices saved as a profile and
// said by the summary. Also: no two controls a page shows answer the same
// accelerator.
// commctrl.h needs the declarations of windows.h before it.
// clang-format off
#include "platform/windows_api.h"
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "platform/disk.h"
#include "test_support.h"
#include "win32/resource_ids.h"
#include "win32/win_controls.h"
#include "win32/win_wizard_form.h"
#include "wizard/wizard_run.h"

namespace tolvern {
namespace {

namespace fs = std::filesystem;
using testing::ScratchDir;

class WinAliasPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string ledger = std::string(TOLVERN_SOURCE_DIR) + "/tests/data/aliases";
    fs::copy(testing::NativePath(ledger), testing::NativePath(dir_ / "Ledger"),
             fs::copy_options::recursive);
    host_.Load(dir_ / "Ledger/Ledger.dpr");
  }

  std::unique_ptr<TWinWizardForm> NewWizard(bool scan) {
    auto w = std::make_unique<TWinWizardForm>();
    w->Model().ProductName = "Nexa";
    w->Model().Options = ReplaceOptions;
    if (scan)
      w->Model().ScanAliases = [this](const WizardModel& m) {
        return ScanWizardAliases(disk_, m, *BdeReplacer);
      };
    w->SetWelcomeText(ReplaceOptions->Name, "Nexa");
    w->ShowMessage = [this](const std::string& text, const std::string&) { said_.push_back(text); };
    EXPECT_TRUE(w->Create(nullptr));
    return w;
  }

  HWND Control(TWinWizardForm& w, int id) {
    HWND c = FindControl(w.Handle(), id);
    EXPECT_TRUE(c) << id;
    return c;
  }
  void Click(TWinWizardForm& w, int id) { ::SendMessageW(Control(w, id), BM_CLICK, 0, 0); }
  bool Enabled(TWinWizardForm& w, int id) { return ::IsWindowEnabled(Control(w, id)); }
  std::string Text(TWinWizardForm& w, int id) { return WindowText(Control(w, id)); }
  void Type(TWinWizardForm& w, int id, const std::string& text) {
    for (wchar_t ch : Utf8ToWide(text)) ::SendMessageW(Control(w, id), WM_CHAR, ch, 0);
  }
  // Picks an item of a drop-down list as the user does: the list's
  // selection, then its notification to the page.
  void Choose(TWinWizardForm& w, int id, int item) {
    HWND c = Control(w, id);
    ::SendMessageW(c, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    ::SendMessageW(::GetParent(c), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(c));
  }
  int Chosen(TWinWizardForm& w, int id) {
    return static_cast<int>(::SendMessageW(Control(w, id), CB_GETCURSEL, 0, 0));
  }
  void SelectRow(TWinWizardForm& w, int row) {
    ListView_SetItemState(Control(w, IDC_LV_ALIASES), row, LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
  }
  // Next from the first page to the options page of a project run.
  void ToOptions(TWinWizardForm& w) {
    for (int i = 0; i < 3; ++i) Click(w, IDC_BT_NEXT);
    ASSERT_TRUE(::IsWindowVisible(w.PageHandle(WizardPage::kStep4)));
  }

  NXReplacerScope library_;
  ScratchDir dir_;
  RealDisk disk_;
  ProjectHost host_;
  ScopedIdeServices services_{&host_};
  std::vector<std::string> said_;
};

TEST_F(WinAliasPageTest, AProfileIsTypedOrBrowsedForAndABadOneIsRefusedOnItsField) {
  auto w = NewWizard(false);
  ToOptions(*w);
  EXPECT_EQ(Text(*w, IDC_ED_PROFILE), "");
  const std::string bad = dir_.Write("bad.json", "{\"name\": \"x\", \"components\": 7");
  Type(*w, IDC_ED_PROFILE, bad);
  EXPECT_EQ(w->Model().ProfileFile, bad);
  Click(*w, IDC_BT_NEXT);
  ASSERT_EQ(said_.size(), 1u);
  EXPECT_EQ(said_[0].rfind("The profile \"" + bad + "\" cannot be used:", 0), 0u) << said_[0];
  EXPECT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kStep4)));
  EXPECT_EQ(::GetFocus(), Control(*w, IDC_ED_PROFILE));
  // Browse puts the file picked into the field; Browse cancelled keeps it.
  const std::string good = dir_.Write("good.json", "{\"name\": \"aliases\"}\n");
  std::string asked_from;
  w->BrowseProfile = [&](const std::string& start) {
    asked_from = start;
    return good;
  };
  Click(*w, IDC_BT_BROWSE_PROFILE);
  EXPECT_EQ(asked_from, bad);
  EXPECT_EQ(Text(*w, IDC_ED_PROFILE), good);
  w->BrowseProfile = [](const std::string&) { return std::string(); };
  Click(*w, IDC_BT_BROWSE_PROFILE);
  EXPECT_EQ(w->Model().ProfileFile, good);
  Click(*w, IDC_BT_NEXT);
  EXPECT_EQ(said_.size(), 1u);
  ASSERT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kFinal)));
  EXPECT_NE(Text(*w, IDC_L_SUMMARY).find(good), std::string::npos) << Text(*w, IDC_L_SUMMARY);
  Click(*w, IDC_BT_FINISH);
  EXPECT_EQ(w->Result(), IDOK);
}

TEST_F(WinAliasPageTest, TheAliasesOfTheScanAreChosenTypedIntoSavedAndSummed) {
  auto w = NewWizard(true);
  ToOptions(*w);
  Click(*w, IDC_BT_NEXT);
  ASSERT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kAliases)));
  EXPECT_EQ(WindowText(w->Handle()), "Nexa Migration Wizard - Step 5 of 6");
  auto& items = w->Model().Aliases.Items();
  ASSERT_GE(items.size(), 3u);
  TWinAliasPage& page = w->AliasPage();
  ASSERT_EQ(ListView_GetItemCount(Control(*w, IDC_LV_ALIASES)), static_cast<int>(items.size()));
  for (size_t i = 0; i < items.size(); ++i) {
    const int row = static_cast<int>(i);
    EXPECT_EQ(page.Cell(row, 0), items[i].alias);
    EXPECT_EQ(page.Cell(row, 1), std::to_string(items[i].data_sets));
    EXPECT_FALSE(page.Cell(row, 2).empty()) << items[i].alias;
  }
  // The first alias is selected: an unmapped alias becomes a new connection.
  EXPECT_EQ(Chosen(*w, IDC_CB_ALIAS_CHOICE), 2);
  EXPECT_EQ(page.Cell(0, 3), "a new connection in NxConnections");
  EXPECT_TRUE(Enabled(*w, IDC_ED_DATABASE));
  EXPECT_FALSE(Enabled(*w, IDC_ED_BIND));
  Type(*w, IDC_ED_DATABASE, "ledger.nxdb");
  Type(*w, IDC_ED_SERVER, "localhost");
  EXPECT_EQ(items[0].database, "ledger.nxdb");
  EXPECT_EQ(items[0].server, "localhost");
  // Its tables' folder, and the data moved with the run.
  EXPECT_TRUE(Enabled(*w, IDC_ED_DATA_FOLDER));
  Type(*w, IDC_ED_DATA_FOLDER, "C:\\Ledger\\Data");
  EXPECT_EQ(items[0].data_folder, "C:\\Ledger\\Data");
  Click(*w, IDC_CK_MOVE_DATA);
  EXPECT_TRUE(w->Model().Aliases.move_data);
  // The second bound to a component: refused until it names one.
  SelectRow(*w, 1);
  EXPECT_EQ(Text(*w, IDC_ED_DATABASE), "");
  Choose(*w, IDC_CB_ALIAS_CHOICE, 1);
  EXPECT_EQ(items[1].kind, AliasChoiceKind::kBind);
  EXPECT_TRUE(Enabled(*w, IDC_ED_BIND));
  EXPECT_FALSE(Enabled(*w, IDC_ED_DATABASE));
  EXPECT_EQ(page.Cell(1, 3), "(a component to name)");
  Click(*w, IDC_BT_NEXT);
  ASSERT_EQ(said_.size(), 1u);
  EXPECT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kAliases)));
  EXPECT_EQ(::GetFocus(), Control(*w, IDC_LV_ALIASES));
  Type(*w, IDC_ED_BIND, "frmReports.dbRemote");
  EXPECT_EQ(page.Cell(1, 3), "frmReports.dbRemote");
  // "As the profile says" where no profile says anything changes nothing.
  ASSERT_TRUE(items[1].profile_says.empty());
  Choose(*w, IDC_CB_ALIAS_CHOICE, 0);
  EXPECT_EQ(items[1].kind, AliasChoiceKind::kBind);
  EXPECT_EQ(Chosen(*w, IDC_CB_ALIAS_CHOICE), 1);
  // The third left unbound; the module renamed for all new connections.
  SelectRow(*w, 2);
  Choose(*w, IDC_CB_ALIAS_CHOICE, 3);
  EXPECT_EQ(page.Cell(2, 3), "unbound");
  SetWindowTextUtf8(Control(*w, IDC_ED_MODULE), "LedgerData");
  EXPECT_EQ(w->Model().Aliases.module, "LedgerData");
  EXPECT_EQ(page.Cell(0, 3), "a new connection in LedgerData");
  // Saved as a profile: the text the run takes.
  const std::string saved = dir_ / "choices.json";
  page.AskProfileFile = [&saved] { return saved; };
  Click(*w, IDC_BT_SAVE_PROFILE);
  EXPECT_EQ(dir_.Read("choices.json"), w->Model().Aliases.ProfileText());
  EXPECT_NE(dir_.Read("choices.json").find("frmReports.dbRemote"), std::string::npos);
  EXPECT_NE(dir_.Read("choices.json").find("\"data\": \"C:\\\\Ledger\\\\Data\""), std::string::npos)
      << dir_.Read("choices.json");
  // The summary says each choice; Back finds them as they were.
  Click(*w, IDC_BT_NEXT);
  ASSERT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kFinal)));
  const std::string summary = Text(*w, IDC_L_SUMMARY);
  EXPECT_NE(summary.find("Alias " + items[0].alias + " (" + std::to_string(items[0].data_sets) +
                         " data set(s)): a new connection in LedgerData, database ledger.nxdb; "
                         "its tables moved from C:\\Ledger\\Data"),
            std::string::npos)
      << summary;
  EXPECT_NE(summary.find("Alias " + items[1].alias + " (" + std::to_string(items[1].data_sets) +
                         " data set(s)): bound to frmReports.dbRemote; its tables: no folder "
                         "given, not moved\r\n"),
            std::string::npos)
      << summary;
  Click(*w, IDC_BT_PREV);
  ASSERT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kAliases)));
  SelectRow(*w, 0);
  EXPECT_EQ(Text(*w, IDC_ED_DATABASE), "ledger.nxdb");
  EXPECT_EQ(Text(*w, IDC_ED_MODULE), "LedgerData");
  EXPECT_EQ(Text(*w, IDC_ED_DATA_FOLDER), "C:\\Ledger\\Data");
  EXPECT_EQ(::SendMessageW(Control(*w, IDC_CK_MOVE_DATA), BM_GETCHECK, 0, 0), BST_CHECKED);
}

// The mnemonic letter of a control's text ('\0' for none; "&&" is an "&").
wchar_t Mnemonic(HWND c) {
  const std::wstring text = Utf8ToWide(WindowText(c));
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != L'&') continue;
    if (text[i + 1] != L'&') return static_cast<wchar_t>(::towlower(text[i + 1]));
    ++i;
  }
  return L'\0';
}

TEST_F(WinAliasPageTest, NoTwoControlsOfAPageAnswerTheSameAccelerator) {
  auto w = NewWizard(true);
  // Back and Next are at hand on every page; Finish only on the summary (a
  // disabled button takes no accelerator).
  const std::map<WizardPage, const char*> pages = {
      {WizardPage::kStep1, "step 1"},          {WizardPage::kStep2Restore, "restore"},
      {WizardPage::kStep2Replace, "location"}, {WizardPage::kStep3Proj, "units"},
      {WizardPage::kStep3Dir, "folder"},       {WizardPage::kStep4, "options"},
      {WizardPage::kAliases, "aliases"},       {WizardPage::kFinal, "summary"}};
  for (const auto& [page, name] : pages) {
    std::map<wchar_t, std::string> seen;
    auto take = [&](HWND c) {
      const wchar_t letter = Mnemonic(c);
      if (!letter) return;
      const std::string text = WindowText(c);
      EXPECT_TRUE(seen.emplace(letter, text).second)
          << name << ": \"" << text << "\" and \"" << seen[letter] << "\"";
    };
    take(Control(*w, IDC_BT_PREV));
    take(Control(*w, IDC_BT_NEXT));
    if (page == WizardPage::kFinal) take(Control(*w, IDC_BT_FINISH));
    for (HWND c = ::GetWindow(w->PageHandle(page), GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
      take(c);
    EXPECT_GT(seen.size(), 2u) << name;
  }
}

}  // namespace
}  // namespace tolvern
