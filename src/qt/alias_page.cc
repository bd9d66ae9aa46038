#include "qt/alias_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/disk.h"

namespace tolvern {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// The choices of the combo box, in the order of AliasChoiceKind.
const char* const kChoiceTexts[] = {"As the profile says", "Bind to a database component",
                                    "Make a new connection",
                                    "Leave it (a to-do item on each data set)"};

std::string Joined(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
  return s;
}

}  // namespace

TAliasPage::TAliasPage(QWidget* parent) : QWidget(parent) {
  setObjectName("AliasesSheet");
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel("Step 5 - Choose what becomes of each BDE alias", this);
  QFont f = title->font();
  f.setBold(true);
  title->setFont(f);
  layout->addWidget(title);
  auto* note = new QLabel(
      "These data sets name a BDE alias, which Nexa does not have. Choose for each alias "
      "what its data sets connect to.",
      this);
  note->setWordWrap(true);
  layout->addWidget(note);
  lvAliases = new QTableWidget(0, 4, this);
  lvAliases->setObjectName("lvAliases");
  lvAliases->setHorizontalHeaderLabels({"Alias", "Data sets", "Forms", "Becomes"});
  lvAliases->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvAliases->setSelectionMode(QAbstractItemView::SingleSelection);
  lvAliases->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvAliases->horizontalHeader()->setStretchLastSection(true);
  lvAliases->verticalHeader()->hide();
  layout->addWidget(lvAliases, 1);
  auto* form = new QFormLayout;
  cbAliasChoice = new QComboBox(this);
  cbAliasChoice->setObjectName("cbAliasChoice");
  for (const char* t : kChoiceTexts) cbAliasChoice->addItem(t);
  edBind = new QLineEdit(this);
  edBind->setObjectName("edBind");
  edBind->setPlaceholderText("Form.Component");
  edDatabase = new QLineEdit(this);
  edDatabase->setObjectName("edDatabase");
  edServer = new QLineEdit(this);
  edServer->setObjectName("edServer");
  edUserName = new QLineEdit(this);
  edUserName->setObjectName("edUserName");
  edDataFolder = new QLineEdit(this);
  edDataFolder->setObjectName("edDataFolder");
  edDataFolder->setPlaceholderText("the folder of its .DB and .DBF files");
  btDataFolder = new QPushButton("Bro&wse...", this);
  btDataFolder->setObjectName("btDataFolder");
  auto* data_row = new QHBoxLayout;
  data_row->addWidget(edDataFolder, 1);
  data_row->addWidget(btDataFolder);
  edModule = new QLineEdit(this);
  edModule->setObjectName("edModule");
  form->addRow("B&ecomes:", cbAliasChoice);
  form->addRow("Com&ponent:", edBind);
  form->addRow("&Database:", edDatabase);
  form->addRow("&Server:", edServer);
  form->addRow("&User name:", edUserName);
  // A row of a field and its button: its label is given the field as buddy,
  // so that its accelerator reaches the field.
  auto* data_label = new QLabel("&Tables' folder:", this);
  data_label->setBuddy(edDataFolder);
  form->addRow(data_label, data_row);
  form->addRow("New connections' &module:", edModule);
  layout->addLayout(form);
  cbMoveData =
      new QCheckBox("Mo&ve each alias's tables into a SQL script and a SQLite database", this);
  cbMoveData->setToolTip(
      "The Paradox and dBASE tables of each alias's folder go into Wiz_Data_ALIAS.sql and "
      "Wiz_Data_ALIAS.sqlite beside the log");
  cbMoveData->setObjectName("cbMoveData");
  layout->addWidget(cbMoveData);
  btSaveProfile = new QPushButton("Save as pro&file...", this);
  btSaveProfile->setObjectName("btSaveProfile");
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(btSaveProfile);
  layout->addLayout(row);

  connect(lvAliases, &QTableWidget::itemSelectionChanged, this, [this] { ShowSelected(); });
  connect(cbAliasChoice, &QComboBox::currentIndexChanged, this, [this] { TakeSelected(); });
  for (QLineEdit* e : {edBind, edDatabase, edServer, edUserName, edDataFolder})
    connect(e, &QLineEdit::textEdited, this, [this] { TakeSelected(); });
  connect(btDataFolder, &QPushButton::clicked, this, [this] { BrowseDataFolder(); });
  connect(cbMoveData, &QCheckBox::toggled, this, [this](bool on) {
    if (!choices_ || filling_) return;
    choices_->move_data = on;
    ShowSelected();
  });
  connect(edModule, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (!choices_ || filling_) return;
    choices_->module = S(t);
    FillTable();
  });
  connect(btSaveProfile, &QPushButton::clicked, this, [this] { SaveProfile(); });
}

void TAliasPage::Show(AliasChoices* choices) {
  choices_ = choices;
  filling_ = true;
  edModule->setText(Q(choices_->module));
  cbMoveData->setChecked(choices_->move_data);
  filling_ = false;
  FillTable();
  if (lvAliases->rowCount() > 0 && lvAliases->currentRow() < 0) lvAliases->selectRow(0);
  ShowSelected();
}

void TAliasPage::FillTable() {
  filling_ = true;
  const auto& items = choices_->Items();
  const int keep = lvAliases->currentRow();
  lvAliases->setRowCount(static_cast<int>(items.size()));
  for (int i = 0; i < static_cast<int>(items.size()); ++i) {
    const AliasChoice& c = items[static_cast<size_t>(i)];
    const QStringList cells = {Q(c.alias), QString::number(c.data_sets), Q(Joined(c.forms)),
                               Q(choices_->Becomes(c))};
    for (int col = 0; col < cells.size(); ++col)
      lvAliases->setItem(i, col, new QTableWidgetItem(cells[col]));
  }
  lvAliases->resizeColumnsToContents();
  if (keep >= 0 && keep < lvAliases->rowCount()) lvAliases->selectRow(keep);
  filling_ = false;
}

void TAliasPage::ShowSelected() {
  if (!choices_ || filling_) return;
  const int row = lvAliases->currentRow();
  const bool any = row >= 0 && row < static_cast<int>(choices_->Items().size());
  for (QWidget* w : std::initializer_list<QWidget*>{cbAliasChoice, edBind, edDatabase, edServer,
                                                    edUserName, edDataFolder, btDataFolder})
    w->setEnabled(any);
  if (!any) return;
  const AliasChoice& c = choices_->Items()[static_cast<size_t>(row)];
  filling_ = true;
  cbAliasChoice->setCurrentIndex(static_cast<int>(c.kind));
  edBind->setText(Q(c.bind));
  edDatabase->setText(Q(c.database));
  edServer->setText(Q(c.server));
  edUserName->setText(Q(c.user_name));
  edDataFolder->setText(Q(c.data_folder));
  filling_ = false;
  // "As the profile says" only where a profile says something.
  if (auto* model = qobject_cast<QStandardItemModel*>(cbAliasChoice->model()))
    model->item(0)->setEnabled(!c.profile_says.empty());
  edBind->setEnabled(c.kind == AliasChoiceKind::kBind);
  for (QLineEdit* e : {edDatabase, edServer, edUserName})
    e->setEnabled(c.kind == AliasChoiceKind::kNew);
  // A folder of its own where the choice is the person's; the profile's
  // own holds under "as the profile says".
  const bool own = c.kind == AliasChoiceKind::kNew || c.kind == AliasChoiceKind::kBind;
  edDataFolder->setEnabled(own);
  btDataFolder->setEnabled(own);
}

void TAliasPage::TakeSelected() {
  if (!choices_ || filling_) return;
  const int row = lvAliases->currentRow();
  if (row < 0 || row >= static_cast<int>(choices_->Items().size())) return;
  AliasChoice& c = choices_->Items()[static_cast<size_t>(row)];
  c.kind = static_cast<AliasChoiceKind>(cbAliasChoice->currentIndex());
  c.bind = S(edBind->text());
  c.database = S(edDatabase->text());
  c.server = S(edServer->text());
  c.user_name = S(edUserName->text());
  c.data_folder = S(edDataFolder->text());
  FillTable();
  ShowSelected();
}

void TAliasPage::BrowseDataFolder() {
  const QString folder = QFileDialog::getExistingDirectory(this, "The folder of the alias's tables",
                                                           edDataFolder->text());
  if (folder.isEmpty()) return;
  edDataFolder->setText(folder);
  TakeSelected();
}

void TAliasPage::SaveProfile() {
  if (!choices_) return;
  const QString path = QFileDialog::getSaveFileName(this, "Save the choices as a profile",
                                                    QString(), "Profiles (*.json)");
  if (path.isEmpty()) return;
  const std::string text = choices_->ProfileText();
  std::string why;
  RealDisk disk;
  if (!disk.WriteFile(S(path), text.empty() ? "{\"name\": \"aliases\"}\n" : text, &why))
    QMessageBox::critical(this, window()->windowTitle(),
                          Q("Cannot write the profile \"" + S(path) + "\": " + why));
}

}  // namespace tolvern
