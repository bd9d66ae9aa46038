#include "qt/progress_form.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <thread>

#include "base/system_texts.h"
#include "engine/component_replacer.h"

namespace tolvern {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

TProgressForm::TProgressForm(const QString& title, const QString& status, QWidget* parent)
    : QDialog(parent) {
  setObjectName("ProgressForm");
  setWindowTitle(title);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setMinimumWidth(520);
  auto* layout = new QVBoxLayout(this);
  lblFile = new QLabel(status, this);
  lblFile->setObjectName("lblFile");
  lblFile->setTextFormat(Qt::PlainText);
  lblFile->setMinimumWidth(480);
  pbFiles = new QProgressBar(this);
  pbFiles->setObjectName("pbFiles");
  pbFiles->setRange(0, 0);  // busy until the first file
  pbFiles->setTextVisible(false);
  lblCount = new QLabel(this);
  lblCount->setObjectName("lblCount");
  btCancel = new QPushButton("Cancel", this);
  btCancel->setObjectName("btCancel");
  btCancel->setDefault(true);
  auto* row = new QHBoxLayout;
  row->addWidget(lblCount, 1);
  row->addWidget(btCancel);
  layout->addWidget(lblFile);
  layout->addWidget(pbFiles);
  layout->addLayout(row);
  connect(btCancel, &QPushButton::clicked, this, [this] { RequestCancel(); });
  timer_.setInterval(50);
  connect(&timer_, &QTimer::timeout, this, [this] { ShowState(); });
}

bool TProgressForm::Run(const std::function<bool()>& work) {
  bool result = false;
  std::exception_ptr error;
  std::thread worker([&] {
    try {
      result = work();
    } catch (...) {
      error = std::current_exception();
    }
    // The dialog closes on its own thread, after the last state is shown.
    QMetaObject::invokeMethod(
        this,
        [this] {
          ShowState();
          finished_ = true;
          done(QDialog::Accepted);
        },
        Qt::QueuedConnection);
  });
  timer_.start();
  exec();
  timer_.stop();
  worker.join();
  if (error) std::rethrow_exception(error);
  return result;
}

void TProgressForm::Progress(int index, int count, const std::string& file) {
  std::lock_guard<std::mutex> lock(mutex_);
  index_ = index;
  count_ = count;
  file_ = file;
}

void TProgressForm::ReplacingOriginals() {
  std::lock_guard<std::mutex> lock(mutex_);
  replacing_ = true;
}

void TProgressForm::SetCancellable(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  cancellable_ = on;
  btCancel->setEnabled(on);
}

void TProgressForm::RequestCancel() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!cancellable_ || replacing_) return;
  }
  cancel_ = true;
  btCancel->setText(res::kCancelling);
  btCancel->setEnabled(false);
}

void TProgressForm::done(int result) {
  if (finished_) {
    QDialog::done(result);
    return;
  }
  RequestCancel();
}

void TProgressForm::ShowState() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (replacing_) {
    lblFile->setText(res::kReplacingOriginals);
    btCancel->setEnabled(false);
    if (count_ > 0) pbFiles->setValue(pbFiles->maximum());
    return;
  }
  if (index_ < 0) return;
  pbFiles->setRange(0, count_);
  pbFiles->setValue(index_);
  // The start and the end of a long path say most; the middle gives way.
  const QString line = Q(res::Format(res::kProcessingFile, {file_}));
  lblFile->setText(lblFile->fontMetrics().elidedText(line, Qt::ElideMiddle, lblFile->width()));
  lblCount->setText(
      Q(res::Format(res::kProgressCount, {std::to_string(index_ + 1), std::to_string(count_)})));
}

bool ExecuteWithProgress(TComponentReplacer& replacer, const QString& title, QWidget* parent) {
  TProgressForm form(title, res::kInitUnitList, parent);
  auto on_progress = replacer.OnProgress;
  auto cancel_requested = replacer.CancelRequested;
  auto on_replacing = replacer.OnReplacingOriginals;
  struct Restore {
    TComponentReplacer& r;
    decltype(on_progress) p;
    decltype(cancel_requested) c;
    decltype(on_replacing) o;
    ~Restore() {
      r.OnProgress = std::move(p);
      r.CancelRequested = std::move(c);
      r.OnReplacingOriginals = std::move(o);
    }
  } restore{replacer, on_progress, cancel_requested, on_replacing};
  replacer.OnProgress = [&form, on_progress](int index, int count, const std::string& file) {
    form.Progress(index, count, file);
    if (on_progress) on_progress(index, count, file);
  };
  replacer.CancelRequested = [&form, cancel_requested] {
    return form.CancelRequested() || (cancel_requested && cancel_requested());
  };
  replacer.OnReplacingOriginals = [&form, on_replacing] {
    form.ReplacingOriginals();
    if (on_replacing) on_replacing();
  };
  return form.Run([&replacer] { return replacer.Execute(); });
}

bool RestoreWithProgress(TComponentReplacer& replacer, const std::string& undo_file_name,
                         bool force, const QString& title, QWidget* parent) {
  TProgressForm form(title, res::kRestoring, parent);
  form.SetCancellable(false);
  return form.Run(
      [&replacer, &undo_file_name, force] { return replacer.RestoreFiles(undo_file_name, force); });
}

}  // namespace tolvern
