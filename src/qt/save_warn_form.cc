#include "qt/save_warn_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "base/system_texts.h"
#include "platform/settings_store.h"

namespace tolvern {

TSaveWarnForm::TSaveWarnForm(QWidget* parent) : QDialog(parent) {
  setObjectName("SaveWarnForm");
  setFixedSize(302 * 3 / 2, 143 * 3 / 2);
  auto* grid = new QGridLayout(this);
  auto* image = new QLabel(this);
  image->setObjectName("Image1");
  image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(30, 30));
  lblWarn = new QLabel(this);
  lblWarn->setObjectName("lblWarn");
  auto* note_caption = new QLabel("Note:", this);
  note_caption->setObjectName("Label2");
  lblNote = new QLabel(this);
  lblNote->setObjectName("lblNote");
  chkDontAsk = new QCheckBox(res::kDontAskAgain, this);
  chkDontAsk->setObjectName("chkDontAsk");
  auto* bevel = new QFrame(this);
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);
  OKBtn = new QPushButton("&Yes", this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton("&No", this);
  CancelBtn->setObjectName("CancelBtn");
  grid->addWidget(image, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(lblWarn, 0, 1, 1, 2);
  grid->addWidget(note_caption, 1, 1);
  grid->addWidget(lblNote, 1, 2);
  grid->addWidget(chkDontAsk, 2, 1, 1, 2);
  grid->addWidget(bevel, 3, 0, 1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  grid->addLayout(buttons, 4, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

std::string SaveWarningValueName(bool project, bool restore) {
  if (project) return restore ? "RestoreProjWarn" : "ReplaceProjWarn";
  return restore ? "RestoreDirWarn" : "ReplaceDirWarn";
}

bool ShowSaveWarning(const std::string& section, bool project, bool restore) {
  const std::string value = SaveWarningValueName(project, restore);
  TRegIniFile reg(res::kRegistryKey);
  if (!reg.ReadBool(section, value, true)) return true;
  TSaveWarnForm form(QApplication::activeWindow());
  form.setWindowTitle(QString::fromStdString(section));
  form.lblNote->setText(!restore && project ? res::kSaveWarnNoteHide : res::kSaveWarnNoteClose);
  form.lblWarn->setText(restore ? res::kSaveWarnQuestionRestore : res::kSaveWarnQuestionSave);
  if (form.exec() != QDialog::Accepted) return false;
  reg.WriteBool(section, value, !form.chkDontAsk->isChecked());
  return true;
}

}  // namespace tolvern
