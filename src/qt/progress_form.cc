#include "qt/progress_form.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
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
  // Return must not throw a run away: Cancel is pressed on purpose only.
  btCancel->setAutoDefault(false);
  btCancel->setDefault(false);
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
          {
            std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
          }
          // A question of Cancel still open has nothing left to stop.
          for (QMessageBox* box : findChildren<QMessageBox*>()) box->reject();
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
  if (count_known_) count_ = count;
  file_ = file;
}

void TProgressForm::CountKnown(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  count_known_ = true;
  count_ = count;
}

void TProgressForm::Phase(RunPhase phase) {
  std::lock_guard<std::mutex> lock(mutex_);
  phase_ = RunPhaseText(phase);
}

void TProgressForm::ReplacingOriginals() {
  std::unique_lock<std::mutex> lock(mutex_);
  answered_.wait(lock, [this] { return !asking_; });
  replacing_ = true;
}

bool TProgressForm::CancelRequested() {
  std::unique_lock<std::mutex> lock(mutex_);
  answered_.wait(lock, [this] { return !asking_; });
  return cancel_;
}

void TProgressForm::SetCancellable(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  cancellable_ = on;
  btCancel->setEnabled(on);
}

void TProgressForm::RequestCancel() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (finished_ || !cancellable_ || asking_ || cancel_) return;
    if (replacing_) {
      // Too late to stop: the run hears of it and says so in its log.
      cancel_ = true;
      return;
    }
    // The run waits for the answer at its next file or phase.
    asking_ = true;
  }
  const auto answer = QMessageBox::question(this, windowTitle(), res::kCancelQuestion,
                                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    asking_ = false;
    // The run cannot have started replacing while the question was open.
    if (answer == QMessageBox::Yes && !finished_) cancel_ = true;
  }
  answered_.notify_all();
  if (!CancelRequestedNow()) return;
  btCancel->setText(res::kCancelling);
  btCancel->setEnabled(false);
}

bool TProgressForm::CancelRequestedNow() {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancel_;
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
    lblFile->setText(res::kPhaseReplacingOriginals);
    btCancel->setEnabled(false);
    lblCount->setText(res::kCancelTooLate);
    if (count_ > 0) pbFiles->setValue(pbFiles->maximum());
    return;
  }
  if (!phase_.empty()) {
    // Every file is rewritten: the bar stays full while the run finishes.
    lblFile->setText(Q(phase_));
    if (count_ > 0) {
      pbFiles->setRange(0, count_);
      pbFiles->setValue(count_);
    }
    return;
  }
  if (index_ < 0) return;
  if (count_known_) {
    pbFiles->setRange(0, count_);
    pbFiles->setValue(index_);
  } else {
    pbFiles->setRange(0, 0);  // work without a known end
  }
  // The start and the end of a long path say most; the middle gives way.
  const QString line = Q(res::Format(res::kProcessingFile, {file_}));
  lblFile->setText(lblFile->fontMetrics().elidedText(line, Qt::ElideMiddle, lblFile->width()));
  lblCount->setText(
      Q(count_known_
            ? res::Format(res::kProgressCount, {std::to_string(index_ + 1), std::to_string(count_)})
            : res::Format(res::kProgressCountOpen, {std::to_string(index_ + 1)})));
}

bool ExecuteWithProgress(TComponentReplacer& replacer, const QString& title, QWidget* parent) {
  TProgressForm form(title, res::kInitUnitList, parent);
  auto on_progress = replacer.OnProgress;
  auto cancel_requested = replacer.CancelRequested;
  auto on_replacing = replacer.OnReplacingOriginals;
  auto on_count = replacer.OnFileCountKnown;
  auto on_phase = replacer.OnPhase;
  struct Restore {
    TComponentReplacer& r;
    decltype(on_progress) p;
    decltype(cancel_requested) c;
    decltype(on_replacing) o;
    decltype(on_count) k;
    decltype(on_phase) f;
    ~Restore() {
      r.OnPhase = std::move(f);
      r.OnFileCountKnown = std::move(k);
      r.OnProgress = std::move(p);
      r.CancelRequested = std::move(c);
      r.OnReplacingOriginals = std::move(o);
    }
  } restore{replacer, on_progress, cancel_requested, on_replacing, on_count, on_phase};
  replacer.OnPhase = [&form, on_phase](RunPhase phase) {
    form.Phase(phase);
    if (on_phase) on_phase(phase);
  };
  replacer.OnFileCountKnown = [&form, on_count](int count) {
    form.CountKnown(count);
    if (on_count) on_count(count);
  };
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
