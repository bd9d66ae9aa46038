#include "wizard/expert_model.h"

#include "base/errors.h"
#include "base/string_list.h"
#include "base/system_texts.h"
#include "ide/ide_utils.h"
#include "platform/settings_store.h"
#include "platform/shell.h"
#include "wizard/run_messages.h"
#include "wizard/run_report_page.h"
#include "wizard/wizard_run.h"

namespace tolvern {

std::string RemoveAmpersands(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != '&') out += c;
  return out;
}

std::string RestoreChangedQuestion(const std::vector<std::string>& files, bool unverified) {
  std::string names;
  for (const std::string& f : files) names += "\n" + f;
  return (unverified ? "There is no record of what the migration wrote beside the undo file, so "
                       "these files cannot be told apart from later edits:"
                     : "These files were changed after the migration:") +
         names + "\n\nRestore them anyway? The text they have now is kept beside their backups.";
}

ExpertModel::ExpertModel(ExpertView& view, Disk& disk, std::string product_caption,
                         TComponentReplacer* replacer)
    : view_(view), disk_(disk), product_caption_(std::move(product_caption)) {
  replacers_.push_back(replacer);
}

TComponentReplacer* ExpertModel::GetReplacer(int index) const {
  if (index < 0 || index >= static_cast<int>(replacers_.size()))
    throw EAssertionFailed("Assertion failure (ReplaceExpert, line 300)");
  return replacers_[static_cast<size_t>(index)];
}

TComponentReplacer* ExpertModel::FirstReplacer() const {
  if (replacers_.empty()) throw EAssertionFailed("Assertion failure (ReplaceExpert, line 306)");
  return replacers_.front();
}

void ExpertModel::AddMenuItem(TKAMenu& menu, std::function<void()> on_click) const {
  menu.AddWizard(res::kMenuItemCaption, MenuItemName(), std::move(on_click));
}

std::string ExpertModel::MenuItemName() const {
  std::string name = Options().Name;
  for (char& c : name)
    if (c == '/') c = '_';
  return "ZUvezodItem" + name + RemoveAmpersands(product_caption_);
}

std::string ExpertModel::GetIDString() const {
  return res::Format(res::kIdStringFormat, {Options().Name}) + "." +
         RemoveAmpersands(product_caption_);
}

void ExpertModel::MenuClick() {
  WizardModel& wizard = view_.OpenWizard();
  // The wizard goes when the invocation ends, however it ends.
  struct CloseWizard {
    ExpertModel& expert;
    ~CloseWizard() {
      expert.wizard_ = nullptr;
      expert.view_.CloseWizard();
    }
  } close_wizard{*this};
  wizard_ = &wizard;
  PrepareWizard(wizard);
  LoadRunSettings();
  const std::optional<WizardMode> mode = AskMode();
  if (!mode) return;
  try {
    if (*mode == WizardMode::kRestore)
      RunRestore(wizard.UndoFile);
    else
      RunReplace(GetReplacer(static_cast<int>(*mode)));
  } catch (const std::exception& e) {
    // The settings stay as they were, as after any run an error stopped.
    ShowRunFailure(e);
    return;
  }
  SaveRunSettings();
}

void ExpertModel::PrepareWizard(WizardModel& wizard) {
  wizard.ProductName = RemoveAmpersands(product_caption_);
  wizard.Options = &Options();
  wizard.SetWelcomeText(Options().Name, wizard.ProductName);
  wizard.ReplaceCaption = res::Format(res::kReplaceModeCaption, {Options().Name});
  // Only a BDE run has aliases to offer choices for.
  wizard.ScanAliases = [this](const WizardModel& w) {
    if (w.GetMode() != WizardMode::kReplaceBde) return std::vector<AliasReport>{};
    return ScanWizardAliases(disk_, w, *GetReplacer(static_cast<int>(WizardMode::kReplaceBde)));
  };
}

std::optional<WizardMode> ExpertModel::AskMode() {
  for (;;) {
    if (!view_.ShowWizard()) return std::nullopt;
    const WizardMode mode = wizard_->GetMode();
    if (ConfirmRun(mode)) return mode;
    // Declined: the pages stay as the user set them, on the summary.
    wizard_->ReturnToSummary();
  }
}

void ExpertModel::ShowRunFailure(const std::exception& error) {
  // The run's log ends with the failure already; the box says it again.
  view_.ShowMessage(Title(), RunFailureText(disk_, error, Options()), MessageKind::kError);
}

void ExpertModel::KeepSettingsIn(std::string key, std::string store_file) {
  settings_place_.emplace(std::move(key), std::move(store_file));
}

TRegIniFile ExpertModel::OpenSettings() const {
  if (settings_place_) return TRegIniFile(settings_place_->first, settings_place_->second);
  return TRegIniFile(res::kRegistryKey);
}

void ExpertModel::LoadRunSettings() {
  TRegIniFile reg = OpenSettings();
  Options().LoadFromRegistry(reg, Title());
  if (wizard_) wizard_->LoadSettings(reg, Title());
  if (!reg.Warning().empty()) view_.ShowMessage(Title(), reg.Warning(), MessageKind::kInformation);
}

void ExpertModel::SaveRunSettings() {
  TRegIniFile reg = OpenSettings();
  Options().SaveToRegistry(reg, Title());
  if (wizard_) wizard_->SaveSettings(reg, Title());
}

bool ExpertModel::ConfirmRun(WizardMode mode) {
  if (mode == WizardMode::kRestore) return view_.AskSaveWarning(Title(), false, true);
  const bool project_mode = Options().Dest == RunSource::kProject;
  if (TIDEUtils::GetProjectFileName().empty() || !project_mode) return true;
  return view_.AskSaveWarning(Title(), true, false);
}

void ExpertModel::RunReplace(TComponentReplacer* replacer) {
  // The profiles and the Aliases step's choices make a replacer of their own.
  std::unique_ptr<TComponentReplacer> profiled;
  if (wizard_) replacer = WizardRunReplacer(disk_, *wizard_, *replacer, true, &profiled);
  const std::string project = TIDEUtils::GetProjectFileName();
  const bool project_mode = replacer->Options->Dest == RunSource::kProject;
  // Before anything is saved or hidden: a page that must not be written
  // stops the run here.
  RunReportPage page;
  page.Start(*replacer);
  if (project_mode) {
    if (!TIDEUtils::SaveProject()) {
      view_.ShowMessage(Title(), res::kCannotStartReplace, MessageKind::kError);
      return;
    }
    HideProjectForms();
  }
  // The run asks for the log to be shown at its end; it is shown here, on
  // this thread, where a missing viewer can be told.
  std::string log_to_view;
  bool ok = false;
  {
    ScopedShellOpen view_later([&log_to_view](const std::string& path) { log_to_view = path; });
    ok = view_.ExecuteBehindProgress(*replacer, Title());
  }
  if (wizard_) wizard_->ReplaceRunEnded(replacer->UndoFilePath);
  if (!ok) return ShowReplaceStopped(*replacer);
  if (project_mode) ReloadProjectUnits();
  RunOutcome outcome;
  outcome.text = ReplaceOutcomeText(*replacer);
  outcome.failure = OutcomeIsFailure(*replacer);
  if (const std::string aliases = AliasOutcomeLine(replacer->Report, replacer->UndoFilePath);
      !aliases.empty())
    outcome.text += "\n" + aliases;
  for (const AliasDataReport& d : replacer->Report.data) outcome.text += "\n" + DataMoveLine(d);
  // A cancel asked once originals were being replaced did not stop the run.
  if (replacer->CancelCameTooLate) outcome.text += std::string("\n") + res::kCancelTooLateLog;
  if (!replacer->NothingToDo) {
    outcome.log_path = RunLogPath(*replacer->Options);
    outcome.todo = replacer->Report.Todo();
    outcome.todo_path = replacer->TodoFilePath;
    page.Finish(*replacer, project_mode ? project : replacer->Options->Directory);
    outcome.report_path = page.Path();
    if (!page.OutcomeLine().empty()) outcome.text += "\n" + page.OutcomeLine();
  }
  if (!log_to_view.empty() && !view_.ShowLog(Title(), log_to_view))
    outcome.text += "\n" + res::Format(res::kNoLogViewer, {log_to_view});
  view_.ShowOutcome(Title(), outcome);
}

void ExpertModel::ShowReplaceStopped(const TComponentReplacer& replacer) {
  if (replacer.Cancelled) {
    view_.ShowMessage(Title(), res::kRunCancelled, MessageKind::kInformation);
    return;
  }
  std::string text = res::kReplaceFailed;
  const std::string log = RunLogPath(*replacer.Options);
  if (!log.empty()) text += "\n" + res::Format(res::kOutcomeLog, {log});
  view_.ShowMessage(Title(), text, MessageKind::kError);
}

void ExpertModel::ReloadProjectUnits() {
  const int count = TIDEUtils::GetProjectModuleCount();
  for (int i = 0; i < count; ++i) {
    std::string file;
    TIDEUtils::GetProjectModuleFileName(i, file);
    if (file.size() >= 4 && UpperCase(file.substr(file.size() - 4)) == ".PAS")
      TIDEUtils::ReloadFile(file);
  }
}

void ExpertModel::HideProjectForms() {
  const int count = TIDEUtils::GetOpenModuleCount();
  for (int i = 0; i < count; ++i) {
    OpenModuleInfo m = TIDEUtils::GetOpenModule(i);
    if (m.has_source_editor && m.file_count > 1 && m.owned_by_current_project)
      TIDEUtils::ShowSourceEditor(i);
  }
}

void ExpertModel::RunRestore(const std::string& undo_file_name) {
  const std::string project = TIDEUtils::GetProjectFileName();
  TIDEUtils::CloseProjectGroup();
  TComponentReplacer& replacer = *FirstReplacer();
  std::optional<bool> ok;
  try {
    ok = RestoreAsking(replacer, undo_file_name);
  } catch (...) {
    // The project is opened again however the restore ends.
    TIDEUtils::OpenProject(project);
    throw;
  }
  if (ok) ShowRestoreEnded(*ok, replacer, undo_file_name);
  TIDEUtils::OpenProject(project);
}

std::optional<bool> ExpertModel::RestoreAsking(TComponentReplacer& replacer,
                                               const std::string& undo_file) {
  if (view_.RestoreBehindProgress(replacer, undo_file, false, Title())) return true;
  if (replacer.RestoreChanged.empty()) return false;
  // Originals edited after the migration are put back only when the user
  // says so, naming each; their text is then kept beside the backups.
  if (!view_.AskYesNo(Title(),
                      RestoreChangedQuestion(replacer.RestoreChanged, replacer.RestoreUnverified)))
    return std::nullopt;
  return view_.RestoreBehindProgress(replacer, undo_file, true, Title());
}

void ExpertModel::ShowRestoreEnded(bool ok, const TComponentReplacer& replacer,
                                   const std::string& undo_file_name) {
  if (ok) {
    if (wizard_) wizard_->RestoreRunEnded(undo_file_name);
    view_.ShowMessage(Title(), RestoreOutcomeText(replacer), MessageKind::kInformation);
    return;
  }
  std::string detail = replacer.RestoreError;
  if (detail.empty()) detail = RestoreFailureDetail(replacer.RunDisk(), undo_file_name);
  view_.ShowMessage(
      Title(),
      detail.empty() ? std::string(res::kRestoreFailed) : res::kRestoreFailed + ("\n" + detail),
      MessageKind::kError);
}

}  // namespace tolvern
