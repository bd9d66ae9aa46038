#include "qt/wizard_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcutEvent>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "qt/alias_page.h"
#include "qt/path_text.h"

namespace tolvern {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Sets a radio button without its siblings interfering, so that none of a
// group may be checked.
void SetRadio(QRadioButton* r, bool checked) {
  r->setAutoExclusive(false);
  r->setChecked(checked);
  r->setAutoExclusive(true);
}

void SetCombo(QComboBox* c, const std::vector<std::string>& history, const std::string& text) {
  c->clear();
  for (const std::string& h : history) c->addItem(Q(h));
  c->setEditText(Q(text));
}

}  // namespace

QPixmap SidePicture() {
  QPixmap pm(120, 260);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 0, 260);
  g.setColorAt(0, QColor(16, 48, 112));
  g.setColorAt(1, QColor(64, 160, 208));
  p.fillRect(pm.rect(), g);
  // Two database drums joined by an arrow: the old library to the new.
  auto drum = [&p](int x, int y, QColor c) {
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(c);
    p.drawRect(x, y + 6, 44, 34);
    p.drawEllipse(x, y + 34, 44, 12);
    p.drawEllipse(x, y, 44, 12);
  };
  drum(38, 30, QColor(150, 150, 160));
  drum(38, 150, QColor(240, 150, 40));
  p.setPen(QPen(Qt::white, 3));
  p.drawLine(60, 92, 60, 136);
  p.drawLine(52, 126, 60, 138);
  p.drawLine(68, 126, 60, 138);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(20);
  p.setFont(f);
  p.drawText(QRect(0, 212, 120, 30), Qt::AlignCenter, "Nexa");
  return pm;
}

TWizardForm::TWizardForm(std::unique_ptr<WizardModel> model, QWidget* parent)
    : QDialog(parent), model_(std::move(model)) {
  setObjectName("WizardForm");
  // The dialog grows with its lists and its summary; it has a title and a
  // close button, and no button to maximize or minimize it.
  setMinimumSize(468 * 3 / 2, 324 * 3 / 2);
  resize(minimumSize());
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  auto* outer = new QVBoxLayout(this);
  auto* body = new QHBoxLayout;
  auto* bevel = new QFrame(this);
  bevel->setFrameShape(QFrame::Panel);
  bevel->setFrameShadow(QFrame::Sunken);
  auto* bevel_layout = new QVBoxLayout(bevel);
  bevel_layout->setContentsMargins(2, 2, 2, 2);
  Image1 = new QLabel(bevel);
  Image1->setObjectName("Image1");
  Image1->setPixmap(SidePicture());
  Image1->setFixedSize(120, 260);
  bevel_layout->addWidget(Image1);
  bevel_layout->addStretch();
  body->addWidget(bevel, 0, Qt::AlignTop);
  StepsPageControl = new QStackedWidget(this);
  StepsPageControl->setObjectName("StepsPageControl");
  body->addWidget(StepsPageControl, 1);
  outer->addLayout(body, 1);
  auto* line = new QFrame(this);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  outer->addWidget(line);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  btPrev = new QPushButton("< &Back", this);
  btNext = new QPushButton("&Next >", this);
  btFinish = new QPushButton("&Finish", this);
  btCancel = new QPushButton("Cancel", this);
  for (auto [b, name] : {std::pair{btPrev, "btPrev"},
                         {btNext, "btNext"},
                         {btFinish, "btFinish"},
                         {btCancel, "btCancel"}}) {
    // Return presses the focused button, or else the default one: Next, or
    // Finish on the last page (Refresh chooses).
    b->setObjectName(name);
    b->setAutoDefault(true);
    buttons->addWidget(b);
  }
  outer->addLayout(buttons);

  actBack = new QAction("< Back", this);
  actNext = new QAction("Next >", this);
  actFinish = new QAction("Finish", this);
  actBack->setObjectName("actBack");
  actNext->setObjectName("actNext");
  actFinish->setObjectName("actFinish");
  connect(btPrev, &QPushButton::clicked, actBack, &QAction::trigger);
  connect(btNext, &QPushButton::clicked, actNext, &QAction::trigger);
  connect(btFinish, &QPushButton::clicked, actFinish, &QAction::trigger);
  connect(actBack, &QAction::triggered, this, [this] { GoBack(); });
  connect(actNext, &QAction::triggered, this, [this] { GoNext(); });
  connect(actFinish, &QAction::triggered, this, [this] { Finish(); });
  connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

  BuildPages();
}

TWizardForm::~TWizardForm() = default;

void TWizardForm::SetWelcomeText(const std::string& source_name, const std::string& target_name) {
  model_->SetWelcomeText(source_name, target_name);
  Label2->setText(Q(model_->WelcomeText));
}

void TWizardForm::OnModeClicked() {
  if (!TakesInput(rbModeReplace)) return;
  model_->ModeReplace = rbModeReplace->isChecked();
  model_->ModeRestore = rbModeRestore->isChecked();
  Refresh();
}

void TWizardForm::showEvent(QShowEvent* event) {
  for (QAbstractButton* b : findChildren<QAbstractButton*>()) b->installEventFilter(this);
  model_->Show();
  Refresh();
  QDialog::showEvent(event);
}

void TWizardForm::Refresh() {
  refreshing_ = true;
  WizardModel& m = *model_;
  Label2->setText(Q(m.WelcomeText));
  rbModeReplace->setText(Q(m.ReplaceCaption));
  SetRadio(rbModeReplace, m.ModeReplace);
  SetRadio(rbModeRestore, m.ModeRestore);
  if (edUndoFile->text() != Q(m.UndoFile)) edUndoFile->setText(Q(m.UndoFile));
  rbDestProject->setEnabled(m.DestProjectEnabled);
  SetRadio(rbDestProject, m.DestProject);
  SetRadio(rbDestFolder, m.DestFolder);
  bool same = lbModules->count() == static_cast<int>(m.Modules.size());
  for (int i = 0; same && i < lbModules->count(); ++i)
    same = lbModules->item(i)->text() == Q(m.Modules[static_cast<size_t>(i)].name);
  if (!same) {
    lbModules->clear();
    for (const UnitLine& u : m.Modules) lbModules->addItem(Q(u.name));
  }
  for (int i = 0; i < lbModules->count(); ++i)
    lbModules->item(i)->setCheckState(m.Modules[static_cast<size_t>(i)].checked ? Qt::Checked
                                                                                : Qt::Unchecked);
  if (cbDirectory->count() != static_cast<int>(m.DirHistory.size()) ||
      cbDirectory->currentText() != Q(m.Directory))
    SetCombo(cbDirectory, m.DirHistory, m.Directory);
  chSubDirs->setChecked(m.SubDirs);
  chMakeBackup->setChecked(m.MakeBackup);
  if (cbBackupDir->count() != static_cast<int>(m.BackDirHistory.size()) ||
      cbBackupDir->currentText() != Q(m.BackupDir))
    SetCombo(cbBackupDir, m.BackDirHistory, m.BackupDir);
  chWriteLog->setChecked(m.WriteLog);
  chViewLog->setChecked(m.ViewLog);
  chIncludeReadOnly->setChecked(m.IncludeReadOnly);
  chFollowUses->setChecked(m.FollowUses);
  // Units outside a project mean nothing to a folder run.
  chFollowUses->setEnabled(m.DestProject);
  if (edProfile->text() != Q(m.ProfileFile)) edProfile->setText(Q(m.ProfileFile));
  lSummary->setText(BreakablePaths(m.Summary));
  // The enabling rules.
  for (QWidget* w : std::initializer_list<QWidget*>{lBackupFolder, cbBackupDir, btBrowseBackFolder})
    w->setEnabled(m.BackupControlsEnabled());
  chViewLog->setEnabled(m.ViewLogEnabled());
  lblLogNote->setEnabled(m.ViewLogEnabled());
  actBack->setEnabled(m.CanBack());
  actNext->setEnabled(m.CanNext());
  actFinish->setEnabled(m.CanFinish());
  btPrev->setEnabled(m.CanBack());
  btNext->setEnabled(m.CanNext());
  btFinish->setEnabled(m.CanFinish());
  const bool page_changed = StepsPageControl->currentIndex() != static_cast<int>(m.Page());
  if (m.Page() == WizardPage::kAliases) AliasPage->Show(&m.Aliases);
  StepsPageControl->setCurrentIndex(static_cast<int>(m.Page()));
  // A new page takes the focus to its first control, so that Return goes on
  // and no button of the row below keeps a focus it did not ask for.
  if (page_changed && isVisible()) FocusFirstControl(StepsPageControl->currentWidget());
  QPushButton* main_button = m.CanFinish() ? btFinish : btNext;
  if (!main_button->isDefault()) main_button->setDefault(true);
  setWindowTitle(Q(m.Caption()));
  refreshing_ = false;
}

void TWizardForm::FocusFirstControl(QWidget* page) {
  for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
    if (!page->isAncestorOf(w) || !w->isVisibleTo(page) || !w->isEnabled() ||
        !(w->focusPolicy() & Qt::TabFocus))
      continue;
    // Of a group of radio buttons, the chosen one.
    if (auto* r = qobject_cast<QRadioButton*>(w); r && !r->isChecked()) continue;
    w->setFocus(Qt::TabFocusReason);
    return;
  }
}

bool TWizardForm::eventFilter(QObject* watched, QEvent* event) {
  // A button pressed by its accelerator acts at once, not after the press
  // is drawn: a key typed next (Return) finds the choice made.
  if (event->type() == QEvent::Shortcut) {
    auto* b = qobject_cast<QAbstractButton*>(watched);
    if (b && b->isEnabled() && !static_cast<QShortcutEvent*>(event)->isAmbiguous()) {
      // A choice takes the focus, to show what changed; a push button leaves
      // it where it was, so that Return still goes on.
      if (b->isCheckable() && (b->focusPolicy() & Qt::TabFocus))
        b->setFocus(Qt::ShortcutFocusReason);
      b->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool TWizardForm::TakesInput(QWidget* w) {
  if (refreshing_) return false;
  if (StepsPageControl->currentWidget()->isAncestorOf(w)) return true;
  QTimer::singleShot(0, this, [this] { Refresh(); });
  return false;
}

void TWizardForm::TakePage() {
  WizardModel& m = *model_;
  switch (m.Page()) {
    case WizardPage::kStep1:
      m.ModeReplace = rbModeReplace->isChecked();
      m.ModeRestore = rbModeRestore->isChecked();
      break;
    case WizardPage::kStep2Restore:
      m.UndoFile = edUndoFile->text().toStdString();
      break;
    case WizardPage::kStep2Replace:
      m.DestProject = rbDestProject->isChecked();
      m.DestFolder = rbDestFolder->isChecked();
      break;
    case WizardPage::kStep3Proj:
      for (int i = 0; i < lbModules->count() && i < static_cast<int>(m.Modules.size()); ++i)
        m.Modules[static_cast<size_t>(i)].checked = lbModules->item(i)->checkState() == Qt::Checked;
      break;
    case WizardPage::kStep3Dir:
      m.Directory = cbDirectory->currentText().toStdString();
      m.SubDirs = chSubDirs->isChecked();
      break;
    case WizardPage::kStep4:
      m.MakeBackup = chMakeBackup->isChecked();
      m.WriteLog = chWriteLog->isChecked();
      m.ViewLog = chViewLog->isChecked();
      m.IncludeReadOnly = chIncludeReadOnly->isChecked();
      m.FollowUses = chFollowUses->isChecked();
      m.ProfileFile = edProfile->text().toStdString();
      break;
    case WizardPage::kAliases:
    case WizardPage::kFinal:
      break;
  }
}

void TWizardForm::ShowMessage(const WizardMessage& m) {
  // Every box of the wizard carries its title; a refusal of what was typed
  // is an error, the reminder to choose a unit a piece of information.
  const QString title = Q(model_->Options->GetTitle());
  if (m.kind == WizardMessage::Kind::kMessageBox)
    QMessageBox::critical(this, title, BreakablePaths(m.text));
  else
    QMessageBox::information(this, title, BreakablePaths(m.text));
  if (QWidget* w = findChild<QWidget*>(Q(m.focus))) w->setFocus();
}

void TWizardForm::GoNext() {
  TakePage();
  // Leaving the options page reads the chosen files for their aliases.
  const bool scans = model_->Page() == WizardPage::kStep4;
  if (scans) QApplication::setOverrideCursor(Qt::WaitCursor);
  WizardMessage m = model_->GoNext();
  if (scans) QApplication::restoreOverrideCursor();
  Refresh();
  if (m.kind != WizardMessage::Kind::kNone) ShowMessage(m);
}

void TWizardForm::GoBack() {
  model_->GoBack();
  Refresh();
}

void TWizardForm::Finish() {
  WizardMessage m = model_->Finish();
  Refresh();
  if (m.kind != WizardMessage::Kind::kNone) {
    ShowMessage(m);
    return;
  }
  accept();
}

void TWizardForm::done(int result) {
  // The pages are kept: the expert may show the summary again.
  model_->Left = x();
  model_->Top = y();
  QDialog::done(result);
}

}  // namespace tolvern
