// The native Windows wizard driven by window messages, as a user's clicks,
// keys and typing reach it: the pages, the enabling rules, the default
// button, the tab order, the accelerators, the summary, the refused moves
// and what Finish writes into the run's options, over the bundled example.
// The summaries and options expected are those the Qt wizard gives for the
// same choices: both views show one model.
// commctrl.h needs the declarations of windows.h before it.
// clang-format off
#include "platform/windows_api.h"
#include <commctrl.h>
// clang-format on
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "test_support.h"
#include "win32/resource_ids.h"
#include "win32/win_capture.h"
#include "win32/win_controls.h"
#include "win32/win_progress_form.h"
#include "win32/win_wizard_form.h"

namespace tolvern {
namespace {

using testing::ScratchDir;

class WinWizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_ = testing::CopyExample(dir_, "app");
    host_.Load(dir_ / "app/Orders.dpr");
  }

  std::unique_ptr<TWinWizardForm> NewWizard() {
    auto w = std::make_unique<TWinWizardForm>();
    w->Model().ProductName = "Nexa";
    w->Model().Options = ReplaceOptions;
    w->SetWelcomeText(ReplaceOptions->Name, "Nexa");
    w->ShowMessage = [this](const std::string& text, const std::string& caption) {
      said_.push_back(caption + ": " + text);
    };
    EXPECT_TRUE(w->Create(nullptr));
    return w;
  }

  HWND Control(TWinWizardForm& w, int id) {
    HWND c = FindControl(w.Handle(), id);
    EXPECT_TRUE(c) << id;
    return c;
  }
  void Click(TWinWizardForm& w, int id) { ::SendMessageW(Control(w, id), BM_CLICK, 0, 0); }
  bool Checked(TWinWizardForm& w, int id) {
    return ::SendMessageW(Control(w, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  bool Enabled(TWinWizardForm& w, int id) { return ::IsWindowEnabled(Control(w, id)); }
  std::string Text(TWinWizardForm& w, int id) { return WindowText(Control(w, id)); }
  std::string Caption(TWinWizardForm& w) { return WindowText(w.Handle()); }
  // Types into an edit box or the edit box of a combo box, key by key.
  void Type(TWinWizardForm& w, int id, const std::string& text) {
    HWND c = Control(w, id);
    HWND edit = ::FindWindowExW(c, nullptr, L"Edit", nullptr);
    if (!edit) edit = c;
    for (wchar_t ch : Utf8ToWide(text)) ::SendMessageW(edit, WM_CHAR, ch, 0);
  }
  int DefaultButton(TWinWizardForm& w) {
    return LOWORD(::SendMessageW(w.Handle(), DM_GETDEFID, 0, 0));
  }
  // Alt and a letter, as the dialog manager takes it.
  void Accelerator(TWinWizardForm& w, wchar_t letter) {
    MSG msg{::GetFocus() ? ::GetFocus() : w.Handle(),
            WM_SYSCHAR,
            static_cast<WPARAM>(letter),
            0x20000000,
            0,
            {}};
    ::IsDialogMessageW(w.Handle(), &msg);
  }

  NXReplacerScope library_;
  ScratchDir dir_;
  std::string app_;
  ProjectHost host_;
  ScopedIdeServices services_{&host_};
  std::vector<std::string> said_;
};

TEST_F(WinWizardTest, ReplaceInProjectModeByClicks) {
  auto w = NewWizard();
  EXPECT_EQ(Caption(*w), "Nexa Migration Wizard - Step 1 of 5");
  EXPECT_FALSE(Enabled(*w, IDC_BT_PREV));
  EXPECT_FALSE(Enabled(*w, IDC_BT_FINISH));
  EXPECT_EQ(DefaultButton(*w), IDC_BT_NEXT);
  EXPECT_TRUE(Checked(*w, IDC_RB_MODE_REPLACE));
  EXPECT_EQ(Text(*w, IDC_RB_MODE_REPLACE), "&Replace BDE components");
  Click(*w, IDC_BT_NEXT);
  EXPECT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kStep2Replace)));
  EXPECT_FALSE(::IsWindowVisible(w->PageHandle(WizardPage::kStep1)));
  EXPECT_TRUE(Checked(*w, IDC_RB_DEST_PROJECT));
  Click(*w, IDC_BT_NEXT);
  HWND units = Control(*w, IDC_LB_MODULES);
  ASSERT_EQ(ListView_GetItemCount(units), 4);
  wchar_t name[64] = L"";
  ListView_GetItemText(units, 3, 0, name, 64);
  EXPECT_EQ(WideToUtf8(name), "Utils.pas");
  EXPECT_TRUE(ListView_GetCheckState(units, 3));
  ListView_SetCheckState(units, 3, FALSE);
  Click(*w, IDC_BT_NEXT);
  EXPECT_EQ(Caption(*w), "Nexa Migration Wizard - Step 4 of 5");
  EXPECT_EQ(Text(*w, IDC_CB_BACKUP_DIR), dir_ / "app/RBackup");
  // Unchecking the backup disables the folder.
  Click(*w, IDC_CH_MAKE_BACKUP);
  EXPECT_FALSE(Enabled(*w, IDC_CB_BACKUP_DIR));
  EXPECT_FALSE(Enabled(*w, IDC_BT_BROWSE_BACK_FOLDER));
  Click(*w, IDC_CH_MAKE_BACKUP);
  EXPECT_TRUE(Enabled(*w, IDC_CB_BACKUP_DIR));
  Click(*w, IDC_BT_NEXT);
  EXPECT_EQ(DefaultButton(*w), IDC_BT_FINISH);
  EXPECT_TRUE(Enabled(*w, IDC_BT_FINISH));
  EXPECT_FALSE(Enabled(*w, IDC_BT_NEXT));
  const std::string summary = Text(*w, IDC_L_SUMMARY);
  EXPECT_EQ(summary,
            "Mode: Replace BDE components\r\n\r\nScan destination: Current open project\r\n\r\n"
            "Backup dir: \"" +
                (dir_ / "app/RBackup") +
                "\"\r\n\r\nWrite log file\r\n\r\nUnits list:\r\nMainForm.pas\r\nDataModule.pas\r\n"
                "Reports.pas\r\n");
  Click(*w, IDC_BT_FINISH);
  EXPECT_EQ(w->Result(), IDOK);
  EXPECT_EQ(w->GetMode(), WizardMode::kReplaceBde);
  EXPECT_EQ(ReplaceOptions->Dest, RunSource::kProject);
  EXPECT_EQ(ReplaceOptions->Units, "MainForm.pas\r\nDataModule.pas\r\nReports.pas\r\n");
  EXPECT_EQ(ReplaceOptions->BackupDir, dir_ / "app/RBackup");
  // The run the expert starts with these options.
  EXPECT_TRUE(BdeReplacer->Execute());
  EXPECT_NE(dir_.Read("app/DataModule.pas").find("TNXQuery"), std::string::npos);
  EXPECT_EQ(dir_.Read("app/Utils.pas"),
            testing::ReadFileBytes(testing::ExampleDir() + "\\Utils.pas"));
}

TEST_F(WinWizardTest, FolderModeOptionsAndBackByClicksAndTyping) {
  auto w = NewWizard();
  Click(*w, IDC_BT_NEXT);
  Click(*w, IDC_RB_DEST_FOLDER);
  EXPECT_TRUE(Checked(*w, IDC_RB_DEST_FOLDER));
  EXPECT_FALSE(Checked(*w, IDC_RB_DEST_PROJECT));
  Click(*w, IDC_BT_NEXT);
  EXPECT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kStep3Dir)));
  // No folder yet: Next waits for one.
  EXPECT_EQ(Text(*w, IDC_CB_DIRECTORY), "");
  EXPECT_FALSE(Enabled(*w, IDC_BT_NEXT));
  Type(*w, IDC_CB_DIRECTORY, app_);
  EXPECT_EQ(w->Model().Directory, app_);
  EXPECT_TRUE(Enabled(*w, IDC_BT_NEXT));
  Click(*w, IDC_CH_SUB_DIRS);
  Click(*w, IDC_BT_NEXT);
  EXPECT_EQ(Text(*w, IDC_CB_BACKUP_DIR), dir_ / "app/RBackup");
  // The log off: viewing it is off too.
  Click(*w, IDC_CH_WRITE_LOG);
  EXPECT_FALSE(Enabled(*w, IDC_CH_VIEW_LOG));
  Click(*w, IDC_CH_INCLUDE_READ_ONLY);
  Click(*w, IDC_CH_FOLLOW_USES);
  // Back and on again: the choices stay.
  Click(*w, IDC_BT_PREV);
  EXPECT_TRUE(Checked(*w, IDC_CH_SUB_DIRS));
  Click(*w, IDC_BT_NEXT);
  EXPECT_FALSE(Checked(*w, IDC_CH_WRITE_LOG));
  EXPECT_TRUE(Checked(*w, IDC_CH_INCLUDE_READ_ONLY));
  EXPECT_TRUE(Checked(*w, IDC_CH_FOLLOW_USES));
  EXPECT_TRUE(w->Model().FollowUses);
  Click(*w, IDC_BT_NEXT);
  EXPECT_EQ(Caption(*w), "Nexa Migration Wizard - Step 5 of 5");
  EXPECT_EQ(Text(*w, IDC_L_SUMMARY),
            "Mode: Replace BDE components\r\n\r\nScan destination: Folder \"" + app_ +
                "\"\r\n\r\nInclude subfolders\r\n\r\nMigrate read-only files too\r\n\r\n"
                "Backup dir: \"" +
                (dir_ / "app/RBackup") + "\"\r\n\r\n");
  Click(*w, IDC_BT_FINISH);
  EXPECT_EQ(w->Result(), IDOK);
  EXPECT_EQ(ReplaceOptions->Dest, RunSource::kFolder);
  EXPECT_EQ(ReplaceOptions->Directory, app_);
  EXPECT_TRUE(ReplaceOptions->IncludeSubDirs);
  EXPECT_FALSE(ReplaceOptions->WriteLog);
  EXPECT_TRUE(ReplaceOptions->IncludeReadOnly);
  EXPECT_TRUE(ReplaceOptions->FollowUses);
  EXPECT_TRUE(ReplaceOptions->MakeBackup);
  EXPECT_EQ(ReplaceOptions->BackupDir, dir_ / "app/RBackup");
  EXPECT_EQ(w->Model().DirHistory, std::vector<std::string>{app_});
}

TEST_F(WinWizardTest, AdoModeAndRestoreModeChangeTheSteps) {
  auto w = NewWizard();
  Click(*w, IDC_RB_MODE_REPLACE_ADO);
  EXPECT_TRUE(Checked(*w, IDC_RB_MODE_REPLACE_ADO));
  EXPECT_FALSE(Checked(*w, IDC_RB_MODE_REPLACE));
  EXPECT_EQ(w->GetMode(), WizardMode::kReplaceAdo);
  EXPECT_EQ(Caption(*w), "Nexa Migration Wizard - Step 1 of 5");
  Click(*w, IDC_RB_MODE_RESTORE);
  EXPECT_FALSE(Checked(*w, IDC_RB_MODE_REPLACE_ADO));
  EXPECT_EQ(Caption(*w), "Nexa Migration Wizard - Step 1 of 3");
  Click(*w, IDC_BT_NEXT);
  EXPECT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kStep2Restore)));
  EXPECT_FALSE(Enabled(*w, IDC_BT_NEXT));
  // A backup file that is not there is refused, with the wizard's title,
  // and the focus goes to the field.
  Type(*w, IDC_ED_UNDO_FILE, dir_ / "app/RBackup/ZUvezod.reu");
  EXPECT_TRUE(Enabled(*w, IDC_BT_NEXT));
  Click(*w, IDC_BT_NEXT);
  ASSERT_EQ(said_.size(), 1u);
  EXPECT_EQ(said_[0].rfind("BDE/ADO Migration Wizard: ", 0), 0u) << said_[0];
  EXPECT_NE(said_[0].find(dir_ / "app/RBackup/ZUvezod.reu"), std::string::npos) << said_[0];
  EXPECT_EQ(::GetFocus(), Control(*w, IDC_ED_UNDO_FILE));
  EXPECT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kStep2Restore)));
  // A run to restore from.
  ReplaceOptions->Dest = RunSource::kProject;
  ReplaceOptions->Units = "DataModule.pas\r\n";
  ReplaceOptions->BackupDir = dir_ / "app/RBackup";
  ASSERT_TRUE(BdeReplacer->Execute());
  Click(*w, IDC_BT_NEXT);
  EXPECT_EQ(Caption(*w), "Nexa Migration Wizard - Step 3 of 3");
  EXPECT_EQ(Text(*w, IDC_L_SUMMARY),
            "Mode: Restore original files from backup\r\n\r\nUndo file: \"" +
                (dir_ / "app/RBackup/ZUvezod.reu") + "\"\r\n\r\n");
  Click(*w, IDC_BT_FINISH);
  EXPECT_EQ(w->GetMode(), WizardMode::kRestore);
  EXPECT_TRUE(BdeReplacer->RestoreFiles(w->UndoFile()));
  EXPECT_EQ(dir_.Read("app/DataModule.pas"),
            testing::ReadFileBytes(testing::ExampleDir() + "\\DataModule.pas"));
}

TEST_F(WinWizardTest, AMissingFolderIsRefusedAndCancelEndsTheWizard) {
  auto w = NewWizard();
  Click(*w, IDC_BT_NEXT);
  Click(*w, IDC_RB_DEST_FOLDER);
  Click(*w, IDC_BT_NEXT);
  Type(*w, IDC_CB_DIRECTORY, dir_ / "nowhere");
  Click(*w, IDC_BT_NEXT);
  ASSERT_EQ(said_.size(), 1u);
  EXPECT_NE(said_[0].find(dir_ / "nowhere"), std::string::npos) << said_[0];
  EXPECT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kStep3Dir)));
  EXPECT_TRUE(::IsChild(Control(*w, IDC_CB_DIRECTORY), ::GetFocus()));
  Click(*w, IDCANCEL);
  EXPECT_EQ(w->Result(), IDCANCEL);
  EXPECT_TRUE(w->Model().Modules.empty());
}

TEST_F(WinWizardTest, TabOrderFollowsThePageAndAcceleratorsPressTheirButtons) {
  auto w = NewWizard();
  // A new page puts the focus on its chosen mode.
  EXPECT_EQ(::GetFocus(), Control(*w, IDC_RB_MODE_REPLACE));
  Accelerator(*w, L'n');
  EXPECT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kStep2Replace)));
  Accelerator(*w, L'd');  // &Disk folder
  EXPECT_TRUE(Checked(*w, IDC_RB_DEST_FOLDER));
  Accelerator(*w, L'b');  // < &Back
  EXPECT_TRUE(::IsWindowVisible(w->PageHandle(WizardPage::kStep1)));
  Click(*w, IDC_BT_NEXT);
  Click(*w, IDC_RB_DEST_PROJECT);
  Click(*w, IDC_BT_NEXT);
  Click(*w, IDC_BT_NEXT);
  // The options page, top to bottom, then the buttons below.
  HWND at = Control(*w, IDC_CH_MAKE_BACKUP);
  EXPECT_EQ(::GetFocus(), at);
  const int order[] = {IDC_CB_BACKUP_DIR, IDC_BT_BROWSE_BACK_FOLDER, IDC_CH_WRITE_LOG,
                       IDC_CH_VIEW_LOG,   IDC_CH_INCLUDE_READ_ONLY,  IDC_CH_FOLLOW_USES};
  for (int id : order) {
    at = ::GetNextDlgTabItem(w->Handle(), at, FALSE);
    EXPECT_EQ(::GetDlgCtrlID(at), id);
  }
  // The log off: its view is skipped.
  Click(*w, IDC_CH_WRITE_LOG);
  EXPECT_EQ(::GetDlgCtrlID(::GetNextDlgTabItem(w->Handle(), Control(*w, IDC_CH_WRITE_LOG), FALSE)),
            IDC_CH_INCLUDE_READ_ONLY);
}

// The progress dialog: Return does not cancel (Cancel is not the default
// button); Cancel asks first, and a Yes stops the run with no original
// replaced; the count has no total until the list of files is complete.
TEST_F(WinWizardTest, ProgressCancelAsksAndStopsTheRunBeforeAnyOriginalIsReplaced) {
  ReplaceOptions->Dest = RunSource::kFolder;
  testing::UseFolderRun(*ReplaceOptions, app_);
  const auto before = testing::Snapshot(app_);
  std::atomic<bool> cancelled{false};
  std::string button_text, count_text, question;
  bool button_enabled = true;
  int default_id = -1;
  BdeReplacer->OnProgress = [&cancelled](int, int, const std::string&) {
    // The run waits at its first file until the user has cancelled.
    for (int i = 0; !cancelled && i < 2000; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  };
  ModalScript script({[&](HWND dialog) {
                        if (!::GetDlgItem(dialog, IDC_PB_FILES)) return false;
                        count_text = WindowText(::GetDlgItem(dialog, IDC_LBL_COUNT));
                        if (count_text.empty()) return false;
                        default_id = LOWORD(::SendMessageW(dialog, DM_GETDEFID, 0, 0));
                        HWND cancel = ::GetDlgItem(dialog, IDCANCEL);
                        // Return reaches the dialog as its default command.
                        ::SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                        ::SendMessageW(cancel, BM_CLICK, 0, 0);  // asks; answered below
                        button_text = WindowText(cancel);
                        button_enabled = ::IsWindowEnabled(cancel);
                        cancelled = true;
                        return true;
                      },
                      [&](HWND box) {
                        if (::GetDlgItem(box, IDC_PB_FILES)) return false;
                        question = MessageBoxText(box);
                        ::SendMessageW(box, WM_COMMAND, IDYES, 0);
                        return true;
                      }});
  const bool ok = ExecuteWithProgress(*BdeReplacer, ReplaceOptions->GetTitle(), nullptr);
  BdeReplacer->OnProgress = nullptr;
  EXPECT_TRUE(script.Done());
  EXPECT_FALSE(ok);
  EXPECT_TRUE(BdeReplacer->Cancelled);
  EXPECT_NE(default_id, IDCANCEL);
  EXPECT_EQ(count_text, "File 1 (the total is known once every unit has named its forms)");
  EXPECT_EQ(question,
            "Stop the run? What was rewritten so far is thrown away; no original file has been "
            "replaced yet.");
  EXPECT_EQ(button_text, "Cancelling...");
  EXPECT_FALSE(button_enabled);
  const auto after = testing::Snapshot(app_);
  for (const auto& [path, bytes] : before) EXPECT_EQ(after.at(path), bytes) << path;
}

}  // namespace
}  // namespace tolvern
