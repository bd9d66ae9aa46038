#include "qt/run_views.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <set>
#include <tuple>

#include "base/paths.h"
#include "platform/disk.h"
#include "qt/path_text.h"

namespace tolvern {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QDialogButtonBox* CloseButton(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
  // Return and Escape both close a view: it changes nothing.
  buttons->button(QDialogButtonBox::Close)->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

// A line of the list, sorted by its column and then by file, line and
// column, so that a sort by level keeps each level in reading order.
class TodoLine : public QTreeWidgetItem {
 public:
  // folder: the tree of the run, left out of the file names shown.
  TodoLine(const TodoItem& item, const std::string& folder) {
    setText(TTodoViewForm::kLevel, Q(std::string(ToString(item.level))));
    // The levels sort from the most pressing, as they are declared.
    setData(TTodoViewForm::kLevel, Qt::UserRole, static_cast<int>(item.level));
    const bool inside = !folder.empty() && item.file.starts_with(folder);
    setText(TTodoViewForm::kFile, Q(inside ? item.file.substr(folder.size()) : item.file));
    setData(TTodoViewForm::kLine, Qt::DisplayRole, item.line);
    setData(TTodoViewForm::kColumn, Qt::DisplayRole, item.col);
    setText(TTodoViewForm::kKind, Q(std::string(ToString(item.kind))));
    setText(TTodoViewForm::kPlace, Q(item.text));
    setText(TTodoViewForm::kAdvice, Q(item.advice));
    setToolTip(TTodoViewForm::kPlace, Q(item.text));
    setToolTip(TTodoViewForm::kAdvice, Q(item.advice));
    setToolTip(TTodoViewForm::kFile, Q(item.file));
  }

  bool operator<(const QTreeWidgetItem& other) const override {
    const int column = treeWidget() ? treeWidget()->sortColumn() : TTodoViewForm::kFile;
    auto key = [column](const QTreeWidgetItem& i) {
      const int first = column == TTodoViewForm::kLevel    ? i.data(column, Qt::UserRole).toInt()
                        : column == TTodoViewForm::kLine   ? i.data(column, Qt::DisplayRole).toInt()
                        : column == TTodoViewForm::kColumn ? i.data(column, Qt::DisplayRole).toInt()
                                                           : 0;
      return std::make_tuple(first, i.text(column), i.text(TTodoViewForm::kFile),
                             i.data(TTodoViewForm::kLine, Qt::DisplayRole).toInt(),
                             i.data(TTodoViewForm::kColumn, Qt::DisplayRole).toInt());
    };
    return key(*this) < key(other);
  }
};

}  // namespace

TLogViewForm::TLogViewForm(const QString& title, const std::string& path, QWidget* parent)
    : QDialog(parent) {
  setObjectName("LogView");
  setWindowTitle(title + " - " + Q(path));
  resize(760, 520);
  auto* layout = new QVBoxLayout(this);
  text_ = new QPlainTextEdit(this);
  text_->setObjectName("LogText");
  text_->setReadOnly(true);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  std::string data, why;
  if (RealDisk().ReadFile(path, &data, &why)) {
    QString shown = QString::fromLocal8Bit(data);
    // The log is double spaced with CR LF: one line of the view per line.
    shown.replace("\r\n\r\n", "\n").replace("\r\n", "\n");
    text_->setPlainText(shown);
  } else {
    text_->setPlainText(Q(path + ": " + why));
  }
  layout->addWidget(text_, 1);
  layout->addWidget(CloseButton(this));
}

TTodoViewForm::TTodoViewForm(const QString& title, const std::vector<TodoItem>& items,
                             const std::string& list_path, QWidget* parent)
    : QDialog(parent) {
  setObjectName("TodoView");
  setWindowTitle(title + " - To-do list");
  resize(900, 520);
  auto* layout = new QVBoxLayout(this);
  auto* where = new QLabel(this);
  where->setObjectName("lblTodoFile");
  where->setWordWrap(true);
  where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  where_ = list_path.empty() ? QString() : QString("listed in %1").arg(BreakablePaths(list_path));
  where->setText(where_);
  where->setVisible(!where_.isEmpty());
  // The filters: a level, a kind, a part of the file's name.
  auto* filters = new QHBoxLayout;
  level_ = new QComboBox(this);
  level_->setObjectName("cbTodoLevel");
  level_->addItems({"All levels", "error", "warning", "note"});
  kind_ = new QComboBox(this);
  kind_->setObjectName("cbTodoKind");
  kind_->addItem("All kinds");
  std::set<std::string> kinds;
  for (const TodoItem& item : items) kinds.insert(std::string(ToString(item.kind)));
  for (const std::string& k : kinds) kind_->addItem(Q(k));
  file_ = new QLineEdit(this);
  file_->setObjectName("edTodoFile");
  file_->setPlaceholderText("File name contains...");
  file_->setClearButtonEnabled(true);
  count_ = new QLabel(this);
  count_->setObjectName("lblTodoCount");
  filters->addWidget(level_);
  filters->addWidget(kind_);
  filters->addWidget(file_, 1);
  filters->addWidget(count_);
  items_ = new QTreeWidget(this);
  items_->setObjectName("TodoItems");
  items_->setRootIsDecorated(false);
  items_->setAlternatingRowColors(true);
  items_->setHeaderLabels({"Level", "File", "Line", "Column", "Kind", "Place", "What to do"});
  const std::string folder = ExtractFilePath(list_path);
  for (const TodoItem& item : items) items_->addTopLevelItem(new TodoLine(item, folder));
  items_->setSortingEnabled(true);
  items_->sortByColumn(kFile, Qt::AscendingOrder);
  items_->header()->setSectionResizeMode(QHeaderView::Interactive);
  for (int c : {kLevel, kLine, kColumn, kKind}) items_->resizeColumnToContents(c);
  items_->setColumnWidth(kFile, 240);
  items_->setColumnWidth(kPlace, 200);
  // The advice is read whole here, wrapped, whatever the width of its column.
  detail_ = new QLabel(this);
  detail_->setObjectName("lblTodoDetail");
  detail_->setWordWrap(true);
  detail_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  detail_->setTextFormat(Qt::PlainText);
  detail_->setMinimumHeight(detail_->fontMetrics().lineSpacing() * 3);
  detail_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  layout->addWidget(where);
  layout->addLayout(filters);
  layout->addWidget(items_, 1);
  layout->addWidget(detail_);
  layout->addWidget(CloseButton(this));
  connect(level_, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
  connect(kind_, &QComboBox::currentIndexChanged, this, [this] { ApplyFilter(); });
  connect(file_, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  connect(items_, &QTreeWidget::currentItemChanged, this, [this] { ShowDetail(); });
  ApplyFilter();
  if (items_->topLevelItemCount() > 0) items_->setCurrentItem(items_->topLevelItem(0));
}

void TTodoViewForm::ApplyFilter() {
  const QString level = level_->currentIndex() == 0 ? QString() : level_->currentText();
  const QString kind = kind_->currentIndex() == 0 ? QString() : kind_->currentText();
  const QString file = file_->text().trimmed();
  int shown = 0;
  const int all = items_->topLevelItemCount();
  for (int i = 0; i < all; ++i) {
    QTreeWidgetItem* line = items_->topLevelItem(i);
    const bool keep = (level.isEmpty() || line->text(kLevel) == level) &&
                      (kind.isEmpty() || line->text(kKind) == kind) &&
                      (file.isEmpty() || line->text(kFile).contains(file, Qt::CaseInsensitive));
    line->setHidden(!keep);
    shown += keep;
  }
  count_->setText(shown == all ? QString("%1 place(s)").arg(all)
                               : QString("%1 of %2 place(s)").arg(shown).arg(all));
  ShowDetail();
}

void TTodoViewForm::ShowDetail() {
  QTreeWidgetItem* line = items_->currentItem();
  if (!line || line->isHidden()) {
    detail_->clear();
    return;
  }
  detail_->setText(line->text(kLevel) + " in " + line->toolTip(kFile) + ", line " +
                   line->text(kLine) + ": " + line->text(kPlace) + "\n" + line->text(kAdvice));
}

}  // namespace tolvern
