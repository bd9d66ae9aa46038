// The dialog a run goes on behind. The run works on a worker thread; the
// dialog shows the file being processed and its number, and the total once
// it is known (the units name their forms as they are read, so the list
// grows until every unit is read): until then the bar shows work without an
// end; after the last file it names the phase the run is in. Its Cancel
// asks the run to stop before the first original is replaced, after the user
// confirms that the work so far is thrown away; while the question is open
// the run waits for the answer. Cancel is never the default button, so
// Return does not press it. Once originals are being replaced, Cancel is
// disabled and says why: the run then goes to its end, and a cancel asked
// then is told to the run as one that came too late.
#pragma once

#include <QDialog>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tolvern {

class TComponentReplacer;
enum class RunPhase;

class TProgressForm : public QDialog {
  Q_OBJECT

 public:
  TProgressForm(const QString& title, const QString& status, QWidget* parent = nullptr);

  // Runs work on a worker thread while the dialog is shown modally, and
  // returns its result once it has ended. An exception of work is thrown
  // again here, on the calling thread.
  bool Run(const std::function<bool()>& work);

  // Called by the work, from its thread.
  void Progress(int index, int count, const std::string& file);
  // The list of files is complete: count is the total.
  void CountKnown(int count);
  void Phase(RunPhase phase);
  // Waits while the question of Cancel is open; from its return on, a
  // cancel is too late.
  void ReplacingOriginals();
  // Waits while the question of Cancel is open, so that the run does not
  // go on behind it; true once a cancel was confirmed (or asked too late).
  bool CancelRequested();

  // A run that cannot be cancelled at all (a restore).
  void SetCancellable(bool on);

  // Puts what the work last reported on the screen; a timer calls it while
  // the work runs.
  void ShowState();

 protected:
  // Esc, the close button and Cancel ask the work to stop; only the work's
  // end closes the dialog.
  void done(int result) override;

 private:
  // Asks the user, then asks the work to stop.
  void RequestCancel();
  bool CancelRequestedNow();

  QLabel* lblFile = nullptr;
  QLabel* lblCount = nullptr;
  QProgressBar* pbFiles = nullptr;
  QPushButton* btCancel = nullptr;
  QTimer timer_;
  bool finished_ = false;

  // What the work reports, read by the timer.
  std::mutex mutex_;
  int index_ = -1;
  int count_ = 0;
  std::string file_;
  bool replacing_ = false;
  bool count_known_ = false;
  std::string phase_;
  bool asking_ = false;  // the question of Cancel is on show
  bool cancellable_ = true;
  bool cancel_ = false;  // confirmed, or asked once replacing had started
  std::condition_variable answered_;
};

// A replacer's Execute behind a progress dialog: its progress, cancel and
// replacing hooks are the dialog's for the run (hooks the caller set are
// called as well) and are put back after it.
bool ExecuteWithProgress(TComponentReplacer& replacer, const QString& title, QWidget* parent);

// A replacer's RestoreFiles behind a progress dialog without Cancel.
bool RestoreWithProgress(TComponentReplacer& replacer, const std::string& undo_file_name,
                         bool force, const QString& title, QWidget* parent);

}  // namespace tolvern
