#include "qt/replace_expert.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/message_box.h"
#include "qt/desktop_open.h"
#include "qt/outcome_box.h"
#include "qt/progress_form.h"
#include "qt/run_views.h"
#include "qt/save_warn_form.h"
#include "qt/wizard_form.h"

namespace tolvern {

TCompReplaceExpert::TCompReplaceExpert(WizardFormClass form_class, std::string product_caption,
                                       TKAMenu* menu, TComponentReplacer* replacer)
    : form_class_(std::move(form_class)),
      model_(*this, disk_, std::move(product_caption), replacer) {
  if (menu) model_.AddMenuItem(*menu, [this] { MenuClick(); });
}

TCompReplaceExpert::~TCompReplaceExpert() = default;

WizardModel& TCompReplaceExpert::OpenWizard() {
  wizard_ = form_class_();
  return wizard_->Model();
}

bool TCompReplaceExpert::ShowWizard() { return wizard_->exec() == QDialog::Accepted; }

void TCompReplaceExpert::CloseWizard() { wizard_.reset(); }

bool TCompReplaceExpert::AskSaveWarning(const std::string& title, bool project, bool restore) {
  return ShowSaveWarning(title, project, restore);
}

bool TCompReplaceExpert::AskYesNo(const std::string& title, const std::string& question) {
  const auto answer = QMessageBox::question(
      QApplication::activeWindow(), QString::fromStdString(title), QString::fromStdString(question),
      QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  return answer == QMessageBox::Yes;
}

void TCompReplaceExpert::ShowMessage(const std::string& title, const std::string& text,
                                     MessageKind kind) {
  AppMessageBox(text, title, kind == MessageKind::kError ? MB_ICONERROR : MB_ICONINFORMATION);
}

bool TCompReplaceExpert::ExecuteBehindProgress(TComponentReplacer& replacer,
                                               const std::string& title) {
  return ExecuteWithProgress(replacer, QString::fromStdString(title), QApplication::activeWindow());
}

bool TCompReplaceExpert::RestoreBehindProgress(TComponentReplacer& replacer,
                                               const std::string& undo_file, bool force,
                                               const std::string& title) {
  return RestoreWithProgress(replacer, undo_file, force, QString::fromStdString(title),
                             QApplication::activeWindow());
}

bool TCompReplaceExpert::ShowLog(const std::string& title, const std::string& path) {
  if (!OpenInViewer(path))
    TLogViewForm(QString::fromStdString(title), path, QApplication::activeWindow()).exec();
  return true;
}

void TCompReplaceExpert::ShowOutcome(const std::string& title, const RunOutcome& outcome) {
  ShowRunOutcome(QString::fromStdString(title), outcome, QApplication::activeWindow());
}

}  // namespace tolvern
