// tolvern-host.exe: a small Windows program standing in for the development
// environment, with the migration expert (tolvern_expert.dll, beside it)
// loaded into its "Nexa" menu as the environment loads experts.
//
//   tolvern-host.exe [PROJECT.dpr]              the host, with the project open
//   tolvern-host.exe --wizard [PROJECT.dpr]     the same, with the wizard opened at once
//   tolvern-host.exe --screenshots DIR          every page of the wizard (the Aliases
//                                               step over tests/data/aliases), the save
//                                               warning, the progress dialog in its
//                                               phases, the outcome with its to-do view
//                                               and the failure box as BMP files
#ifdef _WIN32

// shellapi.h and commctrl.h need the declarations of windows.h before them.
// clang-format off
#include "platform/windows_api.h"
#include <commctrl.h>
#include <shellapi.h>
// clang-format on

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/system_texts.h"
#include "engine/component_replacer.h"
#include "engine/nx_replacer.h"
#include "ide/project_host.h"
#include "platform/disk.h"
#include "platform/settings_store.h"
#include "win32/resource_ids.h"
#include "win32/win_capture.h"
#include "win32/win_controls.h"
#include "win32/win_host_window.h"
#include "win32/win_outcome_form.h"
#include "win32/win_progress_form.h"
#include "win32/win_save_warn_form.h"
#include "win32/win_wizard_form.h"
#include "wizard/run_messages.h"
#include "wizard/run_report_page.h"
#include "wizard/wizard_run.h"

namespace {

using namespace tolvern;
namespace fs = std::filesystem;

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// Saves windows as numbered BMP files in one folder, printing each name.
class ShotWriter {
 public:
  explicit ShotWriter(fs::path out_dir) : out_dir_(std::move(out_dir)) {}

  void Save(HWND w, const char* name) {
    // The window drawn, again and again, until the screen has all of it (the
    // X server under Wine takes it in its own time) before it is read.
    for (int i = 0; i < 20; ++i) {
      Pump();
      ::RedrawWindow(w, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
      ::Sleep(50);
    }
    const fs::path file = out_dir_ / (std::to_string(++shot_) + "-" + name + ".bmp");
    if (SaveWindowBitmap(w, WideToUtf8(file.wstring())))
      std::printf("%s\n", WideToUtf8(file.wstring()).c_str());
    else
      std::fprintf(stderr, "cannot save %s\n", name);
  }

 private:
  fs::path out_dir_;
  int shot_ = 0;
};

// Every page of the wizard, walked as a user would, over the project at app.
void SaveWizardPages(ShotWriter& shots, const fs::path& app) {
  TWinWizardForm wizard;
  WizardModel& m = wizard.Model();
  m.ProductName = "Nexa";
  m.Options = ReplaceOptions;
  wizard.SetWelcomeText(ReplaceOptions->Name, "Nexa");
  wizard.Create(nullptr);
  auto save = [&](const char* name) {
    wizard.Refresh();
    Pump();
    shots.Save(wizard.Handle(), name);
  };
  save("welcome");
  m.ModeReplace = false, m.ModeRestore = true;
  m.GoNext();
  m.UndoFile = WideToUtf8((app / "RBackup" / "ZUvezod.reu").wstring());
  save("backup-file");
  m.GoBack();
  m.ModeReplace = true, m.ModeRestore = false;
  m.GoNext();
  save("location");
  m.GoNext();
  m.Modules[3].checked = false;
  save("units");
  m.GoNext();
  save("options");
  // A profile of the project's own beside it.
  const fs::path profile = app / "tolvern-profile.json";
  RealDisk disk;
  WriteNewWholeFile(disk, WideToUtf8(profile.wstring()), "{\"name\": \"orders\"}\n");
  m.ProfileFile = WideToUtf8(profile.wstring());
  save("options-profile");
  m.GoNext();
  save("summary");
  m.GoBack(), m.GoBack(), m.GoBack();
  m.DestProject = false, m.DestFolder = true;
  m.Directory = WideToUtf8(app.wstring());
  m.GoNext();
  save("folder");
  wizard.Destroy();
}

// The Aliases step over an application on BDE aliases at app, with one
// alias a new connection, one bound and one left, and the summary after it.
void SaveAliasPages(ShotWriter& shots, const fs::path& app) {
  ProjectHost host;
  host.Load(WideToUtf8((app / "Ledger.dpr").wstring()));
  ScopedIdeServices services(&host);
  RealDisk disk;
  TWinWizardForm wizard;
  WizardModel& m = wizard.Model();
  m.ProductName = "Nexa";
  m.Options = ReplaceOptions;
  m.ScanAliases = [&disk](const WizardModel& w) {
    return ScanWizardAliases(disk, w, *BdeReplacer);
  };
  wizard.SetWelcomeText(ReplaceOptions->Name, "Nexa");
  wizard.Create(nullptr);
  while (m.Page() != WizardPage::kAliases && m.CanNext()) {
    if (!m.GoNext().text.empty()) break;
    wizard.Refresh();
  }
  auto& items = m.Aliases.Items();
  for (size_t i = 0; i < items.size(); ++i) {
    items[i].kind = i == 0   ? AliasChoiceKind::kNew
                    : i == 1 ? AliasChoiceKind::kBind
                             : AliasChoiceKind::kLeave;
    if (i == 0) items[i].database = "ledger.nxdb", items[i].server = "localhost";
    if (i == 1) items[i].bind = "frmReports.dbRemote";
  }
  // The choices shown, the first alias selected.
  wizard.AliasPage().Show(&m.Aliases);
  Pump();
  shots.Save(wizard.Handle(), "aliases");
  m.GoNext();
  wizard.Refresh();
  Pump();
  shots.Save(wizard.Handle(), "aliases-summary");
  wizard.Destroy();
}

// A modal dialog or box, saved once it shows and then closed with `button`.
ModalScript::Step SaveAndClose(ShotWriter& shots, const char* name, int button) {
  return [&shots, name, button](HWND dialog) {
    shots.Save(dialog, name);
    ::PostMessageW(dialog, WM_COMMAND, button, 0);
    return true;
  };
}

// What a run over the folder app shows: the save warning, its progress
// dialog, its outcome box and the box of a run that fails.
void SaveRunDialogs(ShotWriter& shots, const fs::path& app) {
  const std::string title = ReplaceOptions->GetTitle();
  {
    ModalScript script({SaveAndClose(shots, "save-warning", IDCANCEL)});
    ShowWinSaveWarning(nullptr, title, true, false);
  }
  // A run in progress, as a large tree shows it.
  TWinProgressForm progress(title, res::kInitUnitList);
  progress.CreateIdle(nullptr);
  progress.Progress(12406, 31250,
                    WideToUtf8((app / "Reports" / "Quarterly" / "SalesByRegion.pas").wstring()));
  progress.ShowState();
  Pump();
  shots.Save(progress.Handle(), "progress");
  // After the last file: the originals checked, then replaced, when a
  // cancel is too late.
  progress.CountKnown(31250);
  progress.Progress(31249, 31250,
                    WideToUtf8((app / "Reports" / "Yearly" / "SalesByProduct.pas").wstring()));
  progress.ShowState();
  progress.Phase(RunPhase::kCheckingOriginals);
  progress.ShowState();
  shots.Save(progress.Handle(), "progress-checking");
  progress.ReplacingOriginals();
  progress.ShowState();
  shots.Save(progress.Handle(), "progress-replacing");
  ::DestroyWindow(progress.Handle());
  // The outcome of a real run over the example folder.
  ReplaceOptions->Dest = RunSource::kFolder;
  ReplaceOptions->Directory = WideToUtf8(app.wstring());
  ReplaceOptions->BackupDir = WideToUtf8((app / "RBackup").wstring());
  ReplaceOptions->ViewLog = false;
  // A form with a query object the run cannot convert.
  fs::create_directories(app / "Legacy");
  RealDisk disk;
  WriteNewWholeFile(disk, WideToUtf8((app / "Legacy" / "OldQuery.pas").wstring()),
                    "unit OldQuery;\r\ninterface\r\nuses DBTables;\r\nimplementation\r\n"
                    "{$R *.DFM}\r\nend.\r\n");
  WriteNewWholeFile(disk, WideToUtf8((app / "Legacy" / "OldQuery.dfm").wstring()),
                    "object Form1: TForm1\r\n  object qryBroken: TQuery\r\n    Tag = @\r\n"
                    "  end\r\nend\r\n");
  ReplaceOptions->IncludeSubDirs = true;
  RunReportPage page;
  page.Start(*BdeReplacer);
  BdeReplacer->Execute();
  page.Finish(*BdeReplacer, ReplaceOptions->Directory);
  RunOutcome run;
  run.text = ReplaceOutcomeText(*BdeReplacer) + "\n" + page.OutcomeLine();
  run.report_path = page.Path();
  run.failure = OutcomeIsFailure(*BdeReplacer);
  run.log_path = RunLogPath(*ReplaceOptions);
  run.todo = BdeReplacer->Report.Todo();
  run.todo_path = BdeReplacer->TodoFilePath;
  {
    // The outcome, then its to-do view over it, sorted by level.
    ModalScript script({[&shots](HWND dialog) {
                          shots.Save(dialog, "outcome");
                          ::PostMessageW(::GetDlgItem(dialog, IDC_BT_VIEW_TODO), BM_CLICK, 0, 0);
                          return true;
                        },
                        [&shots](HWND dialog) {
                          HWND list = ::GetDlgItem(dialog, IDC_LV_TODO);
                          if (!list) return false;
                          NMLISTVIEW click{};
                          click.hdr = {list, IDC_LV_TODO, LVN_COLUMNCLICK};
                          click.iItem = -1;
                          ::SendMessageW(dialog, WM_NOTIFY, IDC_LV_TODO,
                                         reinterpret_cast<LPARAM>(&click));
                          shots.Save(dialog, "todo-view");
                          ::PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                          return true;
                        },
                        [](HWND dialog) {
                          if (!::GetDlgItem(dialog, IDC_OC_TEXT)) return false;
                          ::PostMessageW(dialog, WM_COMMAND, IDOK, 0);
                          return true;
                        }});
    ShowWinOutcome(nullptr, title, run);
  }
  // A backup folder below a file, as a run finds it.
  ReplaceOptions->BackupDir = WideToUtf8((app / "Orders.dpr" / "RBackup").wstring());
  {
    ModalScript script({SaveAndClose(shots, "failure", IDOK)});
    ShowMessageBox(nullptr,
                   RunFailureText(BdeReplacer->RunDisk(),
                                  EFCreateError(res::kFailedToCreateDirectory), *ReplaceOptions),
                   title, MB_ICONERROR);
  }
}

int Screenshots(const fs::path& out_dir) {
  fs::create_directories(out_dir);
  wchar_t temp[MAX_PATH + 1];
  ::GetTempPathW(MAX_PATH + 1, temp);
  const fs::path app =
      fs::path(temp) / ("tolvern-shots-" + std::to_string(::GetCurrentProcessId()));
  fs::remove_all(app);
  const fs::path example = fs::path(::_wgetenv(L"TOLVERN_EXAMPLE") ? ::_wgetenv(L"TOLVERN_EXAMPLE")
                                                                   : L"examples\\orders");
  fs::create_directories(app);
  fs::copy(example, app / "Orders", fs::copy_options::recursive);
  {
    NXReplacerScope library;
    ProjectHost host;
    host.Load(WideToUtf8((app / "Orders" / "Orders.dpr").wstring()));
    ScopedIdeServices services(&host);
    ShotWriter shots(out_dir);
    SaveWizardPages(shots, app / "Orders");
    // The application on BDE aliases the tests migrate, beside the example,
    // in a project run as the pages left it.
    fs::copy(example / ".." / ".." / "tests" / "data" / "aliases", app / "Ledger",
             fs::copy_options::recursive);
    SaveAliasPages(shots, app / "Ledger");
    SaveRunDialogs(shots, app / "Orders");
  }
  std::error_code ec;
  fs::remove_all(app, ec);
  return 0;
}

fs::path ExeFolder() {
  wchar_t path[32768];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, 32768);
  return fs::path(std::wstring(path, n)).parent_path();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::vector<std::wstring> args(argv + 1, argv + argc);
  ::LocalFree(argv);
  // Output for the screenshots' names when run from a console.
  if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
  }
  if (args.size() == 2 && args[0] == L"--screenshots") return Screenshots(args[1]);
  bool open_wizard = false;
  std::wstring project;
  for (const std::wstring& a : args) {
    if (a == L"--wizard")
      open_wizard = true;
    else
      project = a;
  }
  WinHostWindow host;
  ScopedIdeServices services(&host);
  host.Create();
  host.QuitWhenClosed(true);
  const wchar_t* env = ::_wgetenv(L"TOLVERN_EXPERT");
  const fs::path module = env ? fs::path(env) : ExeFolder() / L"tolvern_expert.dll";
  std::string error;
  if (!host.LoadExpert(WideToUtf8(module.wstring()), &error))
    ShowMessageBox(host.Handle(), "The migration expert could not be loaded: " + error, "Tolvern",
                   MB_ICONWARNING);
  if (!project.empty() && !host.OpenProjectFile(WideToUtf8(fs::absolute(project).wstring())))
    return 2;
  ::ShowWindow(host.Handle(), show);
  ::UpdateWindow(host.Handle());
  if (open_wizard && !host.MenuItems().empty()) host.ChooseMenuItem(host.MenuItems().front().name);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (host.TranslateKeys(&msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  return 0;
}

#endif  // _WIN32
