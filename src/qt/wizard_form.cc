#include "qt/wizard_form.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
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
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "base/system_texts.h"
#include "files/file_utils.h"

namespace tolvern {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

QLabel* Note(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setWordWrap(true);
  return l;
}

// Sets a radio button without its siblings interfering, so that none of a
// group may be checked.
void SetRadio(QRadioButton* r, bool checked) {
  r->setAutoExclusive(false);
  r->setChecked(checked);
  r->setAutoExclusive(true);
}

// Where a browser opens: the folder in the field, or the nearest folder above
// it that exists; the user's own folder when the field names none.
QString StartFolder(const std::string& field) {
  std::filesystem::path p(field);
  std::error_code ec;
  while (!p.empty() && !std::filesystem::is_directory(p, ec)) {
    if (p == p.parent_path()) return QDir::homePath();
    p = p.parent_path();
  }
  return p.empty() ? QDir::homePath() : Q(p.string());
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

QWidget* TWizardForm::MakePage(const char* name, const QString& title, bool centred) {
  auto* page = new QWidget(StepsPageControl);
  page->setObjectName(name);
  auto* layout = new QVBoxLayout(page);
  auto* label = new QLabel(title, page);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  if (centred) label->setAlignment(Qt::AlignHCenter);
  layout->addWidget(label);
  StepsPageControl->addWidget(page);
  return page;
}

void TWizardForm::BuildPages() {
  // 1: welcome and mode.
  Step1Sheet = MakePage("Step1Sheet", "Welcome to Migration Wizard", true);
  auto* l1 = static_cast<QVBoxLayout*>(Step1Sheet->layout());
  Label2 = Note("", Step1Sheet);
  Label2->setObjectName("Label2");
  l1->addWidget(Label2);
  l1->addWidget(
      Note("If any problem occurs during the migration process, you can restore your "
           "project from backup files. However, it is highly recommended to make a "
           "reserved copy of your project before running the migration process.",
           Step1Sheet));
  l1->addStretch();
  l1->addWidget(new QLabel("Step 1 - Select mode", Step1Sheet));
  ModeLayout = new QVBoxLayout;
  rbModeReplace = new QRadioButton("&Replace BDE components", Step1Sheet);
  rbModeReplace->setObjectName("rbModeReplace");
  rbModeRestore = new QRadioButton("R&estore original files from backup", Step1Sheet);
  rbModeRestore->setObjectName("rbModeRestore");
  ModeLayout->addWidget(rbModeReplace);
  ModeLayout->addWidget(rbModeRestore);
  l1->addLayout(ModeLayout);
  for (QRadioButton* r : {rbModeReplace, rbModeRestore})
    connect(r, &QRadioButton::clicked, this, [this] { OnModeClicked(); });

  // 2: the undo file of a restore.
  QWidget* p2r = MakePage("Step2RestoreSheet", "Step 2 - Select backup file");
  auto* l2r = static_cast<QVBoxLayout*>(p2r->layout());
  auto* undo_label = new QLabel("Backup f&ile:", p2r);
  edUndoFile = new QLineEdit(p2r);
  edUndoFile->setObjectName("edUndoFile");
  undo_label->setBuddy(edUndoFile);
  auto* undo_row = new QHBoxLayout;
  auto* browse_undo = new QPushButton("Bro&wse...", p2r);
  browse_undo->setObjectName("btRestoreBrowse");
  undo_row->addWidget(edUndoFile, 1);
  undo_row->addWidget(browse_undo);
  l2r->addWidget(undo_label);
  l2r->addLayout(undo_row);
  l2r->addWidget(
      Note("Note: Backup file is created while replacing if 'Make backup' option is "
           "selected.",
           p2r));
  l2r->addStretch();
  connect(edUndoFile, &QLineEdit::textEdited, this, [this](const QString& t) {
    model_->UndoFile = S(t);
    Refresh();
  });
  connect(browse_undo, &QPushButton::clicked, this, [this] {
    QString file = QFileDialog::getOpenFileName(this, QString(),
                                                StartFolder(ExtractFilePath(model_->UndoFile)),
                                                "Undo files (*.reu);;All files (*.*)");
    if (file.isEmpty()) return;
    model_->UndoFile = S(file);
    Refresh();
  });

  // 2: where the files are.
  QWidget* p2 = MakePage("Step2ReplaceSheet", "Step 2 - Select location of files to search");
  auto* l2 = static_cast<QVBoxLayout*>(p2->layout());
  rbDestProject = new QRadioButton("&Current open project", p2);
  rbDestProject->setObjectName("rbDestProject");
  rbDestFolder = new QRadioButton("&Disk folder", p2);
  rbDestFolder->setObjectName("rbDestFolder");
  l2->addWidget(rbDestProject);
  l2->addWidget(rbDestFolder);
  l2->addWidget(
      Note("Note: Using 'Current open project' option gives more information about files.", p2));
  l2->addStretch();
  for (QRadioButton* r : {rbDestProject, rbDestFolder})
    connect(r, &QRadioButton::toggled, this, [this] {
      if (refreshing_) return;
      model_->DestProject = rbDestProject->isChecked();
      model_->DestFolder = rbDestFolder->isChecked();
    });

  // 3: the project's units.
  QWidget* p3p = MakePage("Step3ProjSheet", "Step 3 - Select units to replace components");
  auto* l3p = static_cast<QVBoxLayout*>(p3p->layout());
  lbModules = new QListWidget(p3p);
  lbModules->setObjectName("lbModules");
  l3p->addWidget(lbModules, 1);
  auto* select_row = new QHBoxLayout;
  auto* select = new QPushButton("&Select All", p3p);
  select->setObjectName("btSelect");
  auto* deselect = new QPushButton("&Deselect All", p3p);
  deselect->setObjectName("btDeselect");
  select_row->addWidget(select);
  select_row->addWidget(deselect);
  select_row->addStretch();
  l3p->addLayout(select_row);
  connect(lbModules, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (refreshing_) return;
    size_t row = static_cast<size_t>(lbModules->row(item));
    if (row < model_->Modules.size())
      model_->Modules[row].checked = item->checkState() == Qt::Checked;
  });
  connect(select, &QPushButton::clicked, this, [this] { model_->SelectAll(true), Refresh(); });
  connect(deselect, &QPushButton::clicked, this, [this] { model_->SelectAll(false), Refresh(); });

  // 3: the folder.
  QWidget* p3d = MakePage("Step3DirSheet", "Step 3 - Select folder to search units");
  auto* l3d = static_cast<QVBoxLayout*>(p3d->layout());
  auto* dir_label = new QLabel("&Target folder:", p3d);
  cbDirectory = new QComboBox(p3d);
  cbDirectory->setObjectName("cbDirectory");
  cbDirectory->setEditable(true);
  cbDirectory->setInsertPolicy(QComboBox::NoInsert);
  dir_label->setBuddy(cbDirectory);
  auto* browse_dir = new QPushButton("B&rowse...", p3d);
  browse_dir->setObjectName("btBrowseFolder");
  auto* dir_row = new QHBoxLayout;
  dir_row->addWidget(cbDirectory, 1);
  dir_row->addWidget(browse_dir);
  chSubDirs = new QCheckBox("Include &subfolders", p3d);
  chSubDirs->setObjectName("chSubDirs");
  l3d->addWidget(dir_label);
  l3d->addLayout(dir_row);
  l3d->addWidget(chSubDirs);
  l3d->addStretch();
  connect(cbDirectory, &QComboBox::editTextChanged, this, [this](const QString& t) {
    if (refreshing_) return;
    model_->Directory = S(t);
    Refresh();
  });
  connect(chSubDirs, &QCheckBox::toggled, this, [this](bool on) {
    if (!refreshing_) model_->SubDirs = on;
  });
  connect(browse_dir, &QPushButton::clicked, this, [this] {
    QString dir = QFileDialog::getExistingDirectory(this, res::kSelectDirectory,
                                                    StartFolder(model_->Directory));
    if (dir.isEmpty()) return;
    model_->Directory = S(dir);
    Refresh();
  });

  // 4: backup and log.
  QWidget* p4 = MakePage("Step4Sheet", "Step 4 - Set advanced options");
  auto* l4 = static_cast<QVBoxLayout*>(p4->layout());
  chMakeBackup = new QCheckBox("&Make backup", p4);
  chMakeBackup->setObjectName("chMakeBackup");
  lBackupFolder = new QLabel("Backup f&older:", p4);
  lBackupFolder->setObjectName("lBackupFolder");
  cbBackupDir = new QComboBox(p4);
  cbBackupDir->setObjectName("cbBackupDir");
  cbBackupDir->setEditable(true);
  cbBackupDir->setInsertPolicy(QComboBox::NoInsert);
  lBackupFolder->setBuddy(cbBackupDir);
  btBrowseBackFolder = new QPushButton("B&rowse...", p4);
  btBrowseBackFolder->setObjectName("btBrowseBackFolder");
  auto* back_row = new QHBoxLayout;
  back_row->addWidget(cbBackupDir, 1);
  back_row->addWidget(btBrowseBackFolder);
  chWriteLog = new QCheckBox("&Write log", p4);
  chWriteLog->setObjectName("chWriteLog");
  lblLogNote =
      Note("Note: Log file will be placed in project folder or target folder you selected.", p4);
  lblLogNote->setObjectName("lblLogNote");
  chViewLog = new QCheckBox("&View log after replace", p4);
  chViewLog->setObjectName("chViewLog");
  l4->addWidget(chMakeBackup);
  l4->addWidget(lBackupFolder);
  l4->addLayout(back_row);
  l4->addWidget(chWriteLog);
  l4->addWidget(lblLogNote);
  l4->addWidget(chViewLog);
  l4->addStretch();
  connect(chMakeBackup, &QCheckBox::toggled, this, [this](bool on) {
    if (refreshing_) return;
    model_->MakeBackup = on;
    Refresh();
  });
  connect(cbBackupDir, &QComboBox::editTextChanged, this, [this](const QString& t) {
    if (!refreshing_) model_->EditBackupDir(S(t));
  });
  connect(btBrowseBackFolder, &QPushButton::clicked, this, [this] {
    QString dir = QFileDialog::getExistingDirectory(this, res::kSelectDirectory,
                                                    StartFolder(model_->GetBackupDir()));
    if (dir.isEmpty()) return;
    model_->EditBackupDir(S(dir));
    Refresh();
  });
  connect(chWriteLog, &QCheckBox::toggled, this, [this](bool on) {
    if (refreshing_) return;
    model_->WriteLog = on;
    Refresh();
  });
  connect(chViewLog, &QCheckBox::toggled, this, [this](bool on) {
    if (!refreshing_) model_->ViewLog = on;
  });

  // 5: summary.
  QWidget* p5 = MakePage("FinalStepSheet", "Step 5 - Start units converting");
  auto* l5 = static_cast<QVBoxLayout*>(p5->layout());
  l5->addWidget(
      Note("If you want to review or change any settings, click Back. Otherwise click "
           "Finish to start replacing.",
           p5));
  l5->addWidget(new QLabel("Summary:", p5));
  auto* scroll = new QScrollArea(p5);
  scroll->setObjectName("sbSummary");
  lSummary = new QLabel(scroll);
  lSummary->setObjectName("lSummary");
  lSummary->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  lSummary->setTextFormat(Qt::PlainText);
  scroll->setWidget(lSummary);
  scroll->setWidgetResizable(true);
  l5->addWidget(scroll, 1);
}

void TWizardForm::SetWelcomeText(const std::string& source_name, const std::string& target_name) {
  model_->SetWelcomeText(source_name, target_name);
  Label2->setText(Q(model_->WelcomeText));
}

void TWizardForm::OnModeClicked() {
  model_->ModeReplace = rbModeReplace->isChecked();
  model_->ModeRestore = rbModeRestore->isChecked();
  Refresh();
}

void TWizardForm::showEvent(QShowEvent* event) {
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
  lSummary->setText(Q(m.Summary));
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

void TWizardForm::ShowMessage(const WizardMessage& m) {
  // Every box of the wizard carries its title.
  QMessageBox::information(this, Q(model_->Options->GetTitle()), Q(m.text));
  if (QWidget* w = findChild<QWidget*>(Q(m.focus))) w->setFocus();
}

void TWizardForm::GoNext() {
  WizardMessage m = model_->GoNext();
  Refresh();
  if (m.kind != WizardMessage::Kind::kNone) ShowMessage(m);
}

void TWizardForm::GoBack() {
  model_->GoBack();
  Refresh();
}

void TWizardForm::Finish() {
  model_->Finish();
  Refresh();
  accept();
}

void TWizardForm::done(int result) {
  model_->Left = x();
  model_->Top = y();
  model_->Close();
  QDialog::done(result);
}

}  // namespace tolvern
