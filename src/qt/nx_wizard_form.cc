#include "qt/nx_wizard_form.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/system_texts.h"
#include "qt/desktop_open.h"

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
  // The link is reached with Tab like any control and opened with Return or
  // Space; a dotted frame shows where the focus is.
  lbMail->setFocusPolicy(Qt::StrongFocus);
  lbMail->setFrameShape(QFrame::NoFrame);
  lbMail->setMargin(1);
  lbMail->installEventFilter(this);
  Step1Sheet->setMouseTracking(true);
  Step1Sheet->installEventFilter(this);
  setMouseTracking(true);
  installEventFilter(this);
  ModeLayout->addWidget(lbMail);
  SetLinkColor(kLinkColor);
  // Tab goes down the page as it reads: the three modes, then the link.
  setTabOrder(rbModeReplace, rbModeReplaceADO);
  setTabOrder(rbModeReplaceADO, rbModeRestore);
  setTabOrder(rbModeRestore, lbMail);
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
  if (!TakesInput(rbModeReplaceADO)) return;
  Model().ModeReplaceAdo = rbModeReplaceADO->isChecked();
  TWizardForm::OnModeClicked();
}

void TNXWizardForm::OpenMailLink() {
  SetLinkColor(kLinkColor);
  if (OpenLink(NXWizardModel::MailLink())) return;
  // Without a mail program the address is shown, to be copied.
  QMessageBox box(
      QMessageBox::Information,
      Model().Options ? QString::fromStdString(Model().Options->GetTitle()) : QString(),
      QString::fromStdString(res::Format(res::kNoMailProgram, {NXWizardModel::MailAddress()})),
      QMessageBox::Ok, this);
  box.setObjectName("NoMailBox");
  box.setTextInteractionFlags(Qt::TextSelectableByMouse);
  box.exec();
}

bool TNXWizardForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
    SetLinkColor(watched == lbMail ? kHoverColor : kLinkColor);
    // A move over the label ends here, so that the page under it does not
    // take it for a move of its own.
    if (watched == lbMail) return true;
  } else if (watched == lbMail && event->type() == QEvent::MouseButtonRelease) {
    OpenMailLink();
    return true;
  } else if (watched == lbMail && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
      OpenMailLink();
      return true;
    }
  } else if (watched == lbMail &&
             (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
    const bool focused = event->type() == QEvent::FocusIn;
    lbMail->setFrameStyle(focused ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    lbMail->setMargin(focused ? 0 : 1);
  }
  return TWizardForm::eventFilter(watched, event);
}

}  // namespace tolvern
