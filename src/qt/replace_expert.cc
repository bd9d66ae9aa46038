#include "qt/replace_expert.h"

#include <QApplication>
#include <QMessageBox>

#include "base/errors.h"
#include "base/system_texts.h"
#include "files/file_utils.h"
#include "ide/ide_utils.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "platform/shell.h"
#include "qt/desktop_open.h"
#include "qt/outcome_box.h"
#include "qt/progress_form.h"
#include "qt/run_views.h"
#include "qt/save_warn_form.h"
#include "qt/wizard_form.h"
#include "wizard/run_messages.h"
#include "wizard/run_report_page.h"

namespace tolvern {

std::string RemoveAmpersands(const std::string& s) {
  std::string out;
  for (char c : s)
    if (c != '&') out += c;
  return out;
}

TCompReplaceExpert::TCompReplaceExpert(WizardFormClass form_class, std::string product_caption,
                                       TKAMenu* menu, TComponentReplacer* replacer)
    : form_class_(std::move(form_class)), product_caption_(std::move(product_caption)) {
  replacers_.push_back(replacer);
  if (menu) menu->AddWizard(res::kMenuItemCaption, MenuItemName(), [this] { MenuClick(); });
}

TCompReplaceExpert::~TCompReplaceExpert() = default;

std::string TCompReplaceExpert::MenuItemName() const {
  std::string name = Options().Name;
  for (char& c : name)
    if (c == '/') c = '_';
  return "ZUvezodItem" + name + RemoveAmpersands(product_caption_);
}

TComponentReplacer* TCompReplaceExpert::GetReplacer(int index) const {
  if (index < 0 || index >= static_cast<int>(replacers_.size()))
    throw EAssertionFailed("Assertion failure (ReplaceExpert, line 300)");
  return replacers_[static_cast<size_t>(index)];
}

TComponentReplacer* TCompReplaceExpert::FirstReplacer() const {
  if (replacers_.empty()) throw EAssertionFailed("Assertion failure (ReplaceExpert, line 306)");
  return replacers_.front();
}

std::string TCompReplaceExpert::GetIDString() const {
  return res::Format(res::kIdStringFormat, {Options().Name}) + "." +
         RemoveAmpersands(product_caption_);
}

std::string TCompReplaceExpert::GetName() const { return Title(); }

void TCompReplaceExpert::MenuClick() {
  wizard_ = form_class_();
  struct FreeWizard {
    std::unique_ptr<TWizardForm>& w;
    ~FreeWizard() { w.reset(); }
  } free_wizard{wizard_};
  WizardModel& model = wizard_->Model();
  model.ProductName = RemoveAmpersands(product_caption_);
  model.Options = &Options();
  wizard_->SetWelcomeText(Options().Name, model.ProductName);
  model.ReplaceCaption = res::Format(res::kReplaceModeCaption, {Options().Name});
  LoadRunSettings();
  WizardMode mode;
  for (;;) {
    if (wizard_->exec() != QDialog::Accepted) return;
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

void TCompReplaceExpert::ShowRunFailure(const std::exception& error) {
  // The run's log ends with the failure already; the box says it again.
  const std::string text = RunFailureText(disk_, error, Options());
  AppMessageBox(text, Title(), MB_ICONERROR);
}

void TCompReplaceExpert::LoadRunSettings() {
  TRegIniFile reg(res::kRegistryKey);
  Options().LoadFromRegistry(reg, Title());
  wizard_->Model().LoadSettings(reg, Title());
  if (!reg.Warning().empty()) AppMessageBox(reg.Warning(), Title(), MB_ICONINFORMATION);
}

void TCompReplaceExpert::SaveRunSettings() {
  TRegIniFile reg(res::kRegistryKey);
  Options().SaveToRegistry(reg, Title());
  wizard_->Model().SaveSettings(reg, Title());
}

bool TCompReplaceExpert::ConfirmRun(WizardMode mode) {
  if (mode == WizardMode::kRestore) return ShowSaveWarning(Title(), false, true);
  const bool project_mode = Options().Dest == RunSource::kProject;
  if (TIDEUtils::GetProjectFileName().empty() || !project_mode) return true;
  return ShowSaveWarning(Title(), true, false);
}

void TCompReplaceExpert::RunReplace(TComponentReplacer* replacer) {
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
    ok = ExecuteWithProgress(*replacer, QString::fromStdString(Title()),
                             QApplication::activeWindow());
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
  const QString title = QString::fromStdString(Title());
  // Without a viewer on the desktop, the log is shown here.
  if (!log_to_view.empty() && !OpenInViewer(log_to_view))
    TLogViewForm(title, log_to_view, QApplication::activeWindow()).exec();
  RunOutcome outcome;
  outcome.text = ReplaceOutcomeText(*replacer);
  outcome.failure = OutcomeIsFailure(*replacer);
  if (!replacer->NothingToDo) {
    outcome.log_path = RunLogPath(*replacer->Options);
    outcome.todo = replacer->Report.Todo();
    outcome.todo_path = replacer->TodoFilePath;
    const std::string what = project_mode ? project : replacer->Options->Directory;
    page.Finish(*replacer, what);
    outcome.report_path = page.Path();
    if (!page.OutcomeLine().empty()) outcome.text += "\n" + page.OutcomeLine();
  }
  ShowRunOutcome(title, outcome, QApplication::activeWindow());
}

void TCompReplaceExpert::HideProjectForms() {
  const int count = TIDEUtils::GetOpenModuleCount();
  for (int i = 0; i < count; ++i) {
    OpenModuleInfo m = TIDEUtils::GetOpenModule(i);
    if (m.has_source_editor && m.file_count > 1 && m.owned_by_current_project)
      TIDEUtils::ShowSourceEditor(i);
  }
}

void TCompReplaceExpert::RunRestore(const std::string& undo_file_name) {
  const std::string project = TIDEUtils::GetProjectFileName();
  TIDEUtils::CloseProjectGroup();
  TComponentReplacer& replacer = *FirstReplacer();
  auto restore = [&](bool force) {
    try {
      return RestoreWithProgress(replacer, undo_file_name, force, QString::fromStdString(Title()),
                                 QApplication::activeWindow());
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
    const auto answer = QMessageBox::question(
        QApplication::activeWindow(), QString::fromStdString(Title()),
        QString::fromStdString("These files were changed after the migration:" + names +
                               "\n\nRestore them anyway? The text they have now is kept beside "
                               "their backups."),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer != QMessageBox::Yes) {
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
