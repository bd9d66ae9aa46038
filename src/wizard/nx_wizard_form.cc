#include "wizard/nx_wizard_form.h"

#include <QEvent>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/shell.h"

namespace tolvern {

const QColor TNXWizardForm::kLinkColor(0, 0, 255);
const QColor TNXWizardForm::kHoverColor(255, 128, 64);

TNXWizardForm::TNXWizardForm(QWidget* parent)
    : TWizardForm(std::make_unique<NXWizardModel>(), parent) {
  rbModeReplaceADO = new QRadioButton(NXWizardModel::kAdoCaption, Step1Sheet);
  rbModeReplaceADO->setObjectName("rbModeReplaceADO");
  ModeLayout->insertWidget(1, rbModeReplaceADO);
  connect(rbModeReplaceADO, &QRadioButton::clicked, this, [this] { OnModeClicked(); });
  lbMail = new QLabel(NXWizardModel::kMailLinkCaption, Step1Sheet);
  lbMail->setObjectName("lbMail");
  lbMail->setCursor(Qt::PointingHandCursor);
  QFont f = lbMail->font();
  f.setUnderline(true);
  lbMail->setFont(f);
  lbMail->setMouseTracking(true);
  lbMail->installEventFilter(this);
  Step1Sheet->setMouseTracking(true);
  Step1Sheet->installEventFilter(this);
  setMouseTracking(true);
  installEventFilter(this);
  ModeLayout->addWidget(lbMail);
  SetLinkColor(kLinkColor);
  setWindowModality(Qt::ApplicationModal);
}

void TNXWizardForm::SetLinkColor(const QColor& c) {
  QPalette p = lbMail->palette();
  p.setColor(QPalette::WindowText, c);
  lbMail->setPalette(p);
}

void TNXWizardForm::Refresh() {
  TWizardForm::Refresh();
  rbModeReplaceADO->setAutoExclusive(false);
  rbModeReplaceADO->setChecked(Model().ModeReplaceAdo);
  rbModeReplaceADO->setAutoExclusive(true);
}

void TNXWizardForm::OnModeClicked() {
  Model().ModeReplaceAdo = rbModeReplaceADO->isChecked();
  TWizardForm::OnModeClicked();
}

bool TNXWizardForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
    SetLinkColor(watched == lbMail ? kHoverColor : kLinkColor);
    // A move over the label ends here, so that the page under it does not
    // take it for a move of its own.
    if (watched == lbMail) return true;
  } else if (watched == lbMail && event->type() == QEvent::MouseButtonRelease) {
    SetLinkColor(kLinkColor);
    ShellOpen(NXWizardModel::MailLink());
    return true;
  }
  return TWizardForm::eventFilter(watched, event);
}

}  // namespace tolvern
