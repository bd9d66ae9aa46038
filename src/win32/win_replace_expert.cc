#include "win32/win_replace_expert.h"

#ifdef _WIN32

#include <shellapi.h>

#include "base/errors.h"
#include "base/system_texts.h"
#include "files/file_utils.h"
#include "ide/ide_utils.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "platform/shell.h"
#include "win32/win_controls.h"
#include "win32/win_progress_form.h"
#include "win32/win_save_warn_form.h"
#include "win32/win_wizard_form.h"
#include "wizard/run_messages.h"
#include "wizard/run_report_page.h"

namespace tolvern {

namespace {
std::string WithoutAmpersands(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != '&') out += c;
  return out;
}
}  // namespace

HWND ExpertOwnerWindow() { return ::GetActiveWindow(); }

bool WinOpenInViewer(const std::string& path) {
  // ShellExecute answers a number above 32 when a program took the file.
  const auto answer = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", Utf8ToWide(path).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return answer > 32;
}

TWinReplaceExpert::TWinReplaceExpert(std::string product_caption, TKAMenu* menu,
                                     TComponentReplacer* replacer)
    : product_caption_(std::move(product_caption)) {
  replacers_.push_back(replacer);
  // An error that escapes an invocation is shown here: an exception does not
  // cross from this module into the environment's.
  if (menu)
    menu->AddWizard(res::kMenuItemCaption, MenuItemName(), [this] {
      try {
        MenuClick();
      } catch (const std::exception& e) {
        AppMessageBox(e.what(), Title(), MB_ICONERROR);
      }
    });
}

TWinReplaceExpert::~TWinReplaceExpert() = default;

std::string TWinReplaceExpert::MenuItemName() const {
  std::string name = Options().Name;
  for (char& c : name)
    if (c == '/') c = '_';
  return "ZUvezodItem" + name + WithoutAmpersands(product_caption_);
}

TComponentReplacer* TWinReplaceExpert::GetReplacer(int index) const {
  if (index < 0 || index >= static_cast<int>(replacers_.size()))
    throw EAssertionFailed("Assertion failure (ReplaceExpert, line 300)");
  return replacers_[static_cast<size_t>(index)];
}

TComponentReplacer* TWinReplaceExpert::FirstReplacer() const {
  if (replacers_.empty()) throw EAssertionFailed("Assertion failure (ReplaceExpert, line 306)");
  return replacers_.front();
}

std::string TWinReplaceExpert::GetIDString() const {
  return res::Format(res::kIdStringFormat, {Options().Name}) + "." +
         WithoutAmpersands(product_caption_);
}

std::string TWinReplaceExpert::GetName() const { return Title(); }

void TWinReplaceExpert::MenuClick() {
  wizard_ = std::make_unique<TWinWizardForm>();
  struct FreeWizard {
    std::unique_ptr<TWinWizardForm>& w;
    ~FreeWizard() { w.reset(); }
  } free_wizard{wizard_};
  WizardModel& model = wizard_->Model();
  model.ProductName = WithoutAmpersands(product_caption_);
  model.Options = &Options();
  wizard_->SetWelcomeText(Options().Name, model.ProductName);
  model.ReplaceCaption = res::Format(res::kReplaceModeCaption, {Options().Name});
  LoadRunSettings();
  WizardMode mode;
  for (;;) {
    if (wizard_->ShowModal(ExpertOwnerWindow()) != IDOK) return;
    mode = wizard_->GetMode();
    if (ConfirmRun(mode)) break;
    // Declined: the pages stay as the user set them, on the summary.
    model.ReturnToSummary();
  }
  try {
    if (mode == WizardMode::kRestore)
      RunRestore(wizard_->UndoFile());
    else
      RunReplace(GetReplacer(static_cast<int>(mode)));
  } catch (const std::exception& e) {
    // The settings stay as they were, as after any run an error stopped.
    ShowRunFailure(e);
    return;
  }
  SaveRunSettings();
}

void TWinReplaceExpert::ShowRunFailure(const std::exception& error) {
  AppMessageBox(RunFailureText(disk_, error, Options()), Title(), MB_ICONERROR);
}

void TWinReplaceExpert::LoadRunSettings() {
  TRegIniFile reg(res::kRegistryKey);
  Options().LoadFromRegistry(reg, Title());
  wizard_->Model().LoadSettings(reg, Title());
  if (!reg.Warning().empty()) AppMessageBox(reg.Warning(), Title(), MB_ICONINFORMATION);
}

void TWinReplaceExpert::SaveRunSettings() {
  TRegIniFile reg(res::kRegistryKey);
  Options().SaveToRegistry(reg, Title());
  wizard_->Model().SaveSettings(reg, Title());
}

bool TWinReplaceExpert::ConfirmRun(WizardMode mode) {
  if (mode == WizardMode::kRestore)
    return ShowWinSaveWarning(ExpertOwnerWindow(), Title(), false, true);
  const bool project_mode = Options().Dest == RunSource::kProject;
  if (TIDEUtils::GetProjectFileName().empty() || !project_mode) return true;
  return ShowWinSaveWarning(ExpertOwnerWindow(), Title(), true, false);
}

void TWinReplaceExpert::RunReplace(TComponentReplacer* replacer) {
  const std::string project = TIDEUtils::GetProjectFileName();
  const bool project_mode = replacer->Options->Dest == RunSource::kProject;
  if (project_mode) {
    if (!TIDEUtils::SaveProject()) {
      AppMessageBox(res::kCannotStartReplace, Title(), MB_ICONERROR);
      return;
    }
    HideProjectForms();
  }
  // The run asks for the log to be shown at its end; it is shown here, on
  // this thread, where a missing viewer can be told.
  std::string log_to_view;
  bool ok = false;
  RunReportPage page;
  page.Start(*replacer);
  {
    ScopedShellOpen view_later([&log_to_view](const std::string& path) { log_to_view = path; });
    ok = ExecuteWithProgress(*replacer, Title(), ExpertOwnerWindow());
  }
  if (wizard_) wizard_->Model().ReplaceRunEnded(replacer->UndoFilePath);
  if (!ok) {
    if (replacer->Cancelled) {
      AppMessageBox(res::kRunCancelled, Title(), MB_ICONINFORMATION);
      return;
    }
    std::string text = res::kReplaceFailed;
    const std::string log = RunLogPath(*replacer->Options);
    if (!log.empty()) text += "\n" + res::Format(res::kOutcomeLog, {log});
    AppMessageBox(text, Title(), MB_ICONERROR);
    return;
  }
  if (project_mode) {
    const int count = TIDEUtils::GetProjectModuleCount();
    for (int i = 0; i < count; ++i) {
      std::string file;
      TIDEUtils::GetProjectModuleFileName(i, file);
      if (file.size() >= 4 && UpperCase(file.substr(file.size() - 4)) == ".PAS")
        TIDEUtils::ReloadFile(file);
    }
  }
  std::string outcome = ReplaceOutcomeText(*replacer);
  if (!replacer->NothingToDo) {
    page.Finish(*replacer, project_mode ? project : replacer->Options->Directory);
    if (!page.OutcomeLine().empty()) outcome += "\n" + page.OutcomeLine();
  }
  if (!log_to_view.empty() && !WinOpenInViewer(log_to_view))
    outcome += "\n" + res::Format(res::kNoLogViewer, {log_to_view});
  AppMessageBox(outcome, Title(), OutcomeIsFailure(*replacer) ? MB_ICONERROR : MB_ICONINFORMATION);
}

void TWinReplaceExpert::HideProjectForms() {
  const int count = TIDEUtils::GetOpenModuleCount();
  for (int i = 0; i < count; ++i) {
    OpenModuleInfo m = TIDEUtils::GetOpenModule(i);
    if (m.has_source_editor && m.file_count > 1 && m.owned_by_current_project)
      TIDEUtils::ShowSourceEditor(i);
  }
}

void TWinReplaceExpert::RunRestore(const std::string& undo_file_name) {
  const std::string project = TIDEUtils::GetProjectFileName();
  TIDEUtils::CloseProjectGroup();
  TComponentReplacer& replacer = *FirstReplacer();
  auto restore = [&](bool force) {
    try {
      return RestoreWithProgress(replacer, undo_file_name, force, Title(), ExpertOwnerWindow());
    } catch (...) {
      TIDEUtils::OpenProject(project);
      throw;
    }
  };
  bool ok = restore(false);
  // Originals edited after the migration are put back only when the user
  // says so, naming each; their text is then kept beside the backups.
  if (!ok && !replacer.RestoreChanged.empty()) {
    std::string names;
    for (const std::string& f : replacer.RestoreChanged) names += "\n" + f;
    const std::string question = "These files were changed after the migration:" + names +
                                 "\n\nRestore them anyway? The text they have now is kept beside "
                                 "their backups.";
    const int answer =
        ::MessageBoxW(ExpertOwnerWindow(), Utf8ToWide(question).c_str(),
                      Utf8ToWide(Title()).c_str(), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer != IDYES) {
      TIDEUtils::OpenProject(project);
      return;
    }
    ok = restore(true);
  }
  if (ok) {
    if (wizard_) wizard_->Model().RestoreRunEnded(undo_file_name);
    AppMessageBox(RestoreOutcomeText(replacer), Title(), MB_ICONINFORMATION);
  } else {
    std::string detail = replacer.RestoreError;
    if (detail.empty()) detail = RestoreFailureDetail(replacer.RunDisk(), undo_file_name);
    AppMessageBox(
        detail.empty() ? std::string(res::kRestoreFailed) : res::kRestoreFailed + ("\n" + detail),
        Title(), MB_ICONERROR);
  }
  TIDEUtils::OpenProject(project);
}

}  // namespace tolvern

#endif  // _WIN32
