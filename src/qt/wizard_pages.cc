// The pages of the migration wizard, one builder each, in the order of
// WizardPage: the page stack's index is the model's page. Each builder makes
// its page's widgets in tab order and wires their input to the model.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "base/system_texts.h"
#include "files/file_utils.h"
#include "qt/alias_page.h"
#include "qt/wizard_form.h"

namespace tolvern {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

QLabel* Note(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setWordWrap(true);
  return l;
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

}  // namespace

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
  BuildWelcomePage();
  BuildUndoFilePage();
  BuildLocationPage();
  BuildUnitsPage();
  BuildFolderPage();
  BuildOptionsPage();
  AliasPage = new TAliasPage(StepsPageControl);
  StepsPageControl->addWidget(AliasPage);
  BuildSummaryPage();
}

// 1: welcome and mode.
void TWizardForm::BuildWelcomePage() {
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
}

// 2: the undo file of a restore.
void TWizardForm::BuildUndoFilePage() {
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
    if (!TakesInput(edUndoFile)) return;
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
}

// 2: where the files are.
void TWizardForm::BuildLocationPage() {
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
    connect(r, &QRadioButton::toggled, this, [this, r] {
      if (!TakesInput(r)) return;
      model_->DestProject = rbDestProject->isChecked();
      model_->DestFolder = rbDestFolder->isChecked();
    });
}

// 3: the project's units.
void TWizardForm::BuildUnitsPage() {
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
    if (!TakesInput(lbModules)) return;
    size_t row = static_cast<size_t>(lbModules->row(item));
    if (row < model_->Modules.size())
      model_->Modules[row].checked = item->checkState() == Qt::Checked;
  });
  for (auto [button, on] : {std::pair{select, true}, {deselect, false}})
    connect(button, &QPushButton::clicked, this, [this, button, on] {
      if (TakesInput(button)) model_->SelectAll(on), Refresh();
    });
}

// 3: the folder.
void TWizardForm::BuildFolderPage() {
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
    if (!TakesInput(cbDirectory)) return;
    model_->Directory = S(t);
    Refresh();
  });
  connect(chSubDirs, &QCheckBox::toggled, this, [this](bool on) {
    if (TakesInput(chSubDirs)) model_->SubDirs = on;
  });
  connect(browse_dir, &QPushButton::clicked, this, [this] {
    QString dir = QFileDialog::getExistingDirectory(this, res::kSelectDirectory,
                                                    StartFolder(model_->Directory));
    if (dir.isEmpty()) return;
    model_->Directory = S(dir);
    Refresh();
  });
}

// 4: backup and log.
void TWizardForm::BuildOptionsPage() {
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
  // Read-only files are often the ones not checked out: they are left as
  // they are unless the user asks.
  chIncludeReadOnly = new QCheckBox("Include read-on&ly files", p4);
  chIncludeReadOnly->setObjectName("chIncludeReadOnly");
  // Units that the project's units use but the project file does not list
  // are named, and migrated only when the user asks.
  chFollowUses = new QCheckBox("Migrate &used units outside the project", p4);
  chFollowUses->setObjectName("chFollowUses");
  l4->addWidget(chMakeBackup);
  l4->addWidget(lBackupFolder);
  l4->addLayout(back_row);
  l4->addWidget(chWriteLog);
  l4->addWidget(lblLogNote);
  l4->addWidget(chViewLog);
  l4->addWidget(chIncludeReadOnly);
  l4->addWidget(chFollowUses);
  // The old library's units go where nothing left needs them, so that the
  // first compile shows what remains; each one kept is a to-do item.
  chDropOldUnits = new QCheckBox("Remove ol&d units where nothing needs them", p4);
  chDropOldUnits->setObjectName("chDropOldUnits");
  l4->addWidget(chDropOldUnits);
  connect(chDropOldUnits, &QCheckBox::toggled, this, [this](bool on) {
    if (TakesInput(chDropOldUnits)) model_->DropOldUnits = on;
  });
  // A mapping profile laid over the built-in one, as --profile takes it.
  auto* profile_label = new QLabel("Ma&pping profile (optional):", p4);
  edProfile = new QLineEdit(p4);
  edProfile->setObjectName("edProfile");
  edProfile->setPlaceholderText("the built-in mapping");
  profile_label->setBuddy(edProfile);
  btBrowseProfile = new QPushButton("Brow&se...", p4);
  btBrowseProfile->setObjectName("btBrowseProfile");
  auto* profile_row = new QHBoxLayout;
  profile_row->addWidget(edProfile, 1);
  profile_row->addWidget(btBrowseProfile);
  l4->addWidget(profile_label);
  l4->addLayout(profile_row);
  l4->addStretch();
  connect(edProfile, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (TakesInput(edProfile)) model_->ProfileFile = S(t);
  });
  connect(btBrowseProfile, &QPushButton::clicked, this, [this] {
    const QString file = QFileDialog::getOpenFileName(
        this, "Choose a mapping profile", StartFolder(model_->ProfileFile), "Profiles (*.json)");
    if (file.isEmpty()) return;
    model_->ProfileFile = S(file);
    Refresh();
  });
  connect(chMakeBackup, &QCheckBox::toggled, this, [this](bool on) {
    if (!TakesInput(chMakeBackup)) return;
    model_->MakeBackup = on;
    Refresh();
  });
  connect(cbBackupDir, &QComboBox::editTextChanged, this, [this](const QString& t) {
    if (TakesInput(cbBackupDir)) model_->EditBackupDir(S(t));
  });
  connect(btBrowseBackFolder, &QPushButton::clicked, this, [this] {
    QString dir = QFileDialog::getExistingDirectory(this, res::kSelectDirectory,
                                                    StartFolder(model_->GetBackupDir()));
    if (dir.isEmpty()) return;
    model_->EditBackupDir(S(dir));
    Refresh();
  });
  connect(chWriteLog, &QCheckBox::toggled, this, [this](bool on) {
    if (!TakesInput(chWriteLog)) return;
    model_->WriteLog = on;
    Refresh();
  });
  connect(chViewLog, &QCheckBox::toggled, this, [this](bool on) {
    if (TakesInput(chViewLog)) model_->ViewLog = on;
  });
  connect(chIncludeReadOnly, &QCheckBox::toggled, this, [this](bool on) {
    if (TakesInput(chIncludeReadOnly)) model_->IncludeReadOnly = on;
  });
  connect(chFollowUses, &QCheckBox::toggled, this, [this](bool on) {
    if (TakesInput(chFollowUses)) model_->FollowUses = on;
  });
}

// 5: summary.
void TWizardForm::BuildSummaryPage() {
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
  // Long paths wrap at their separators (BreakablePaths), not sideways.
  lSummary->setWordWrap(true);
  scroll->setWidget(lSummary);
  scroll->setWidgetResizable(true);
  l5->addWidget(scroll, 1);
}

}  // namespace tolvern
