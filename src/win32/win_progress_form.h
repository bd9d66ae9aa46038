// The native dialog a run goes on behind. The run works on a worker thread;
// the dialog shows the file being processed (its path shortened in the
// middle when long) and its number, the total once it is known (the list
// grows until every unit has named its forms), and after the last file the
// phase the run is in. Its Cancel asks the run to stop before the first
// original is replaced, after the user confirms that the work so far is
// thrown away; the run waits while the question is open. Cancel is not the
// default button. Once originals are being replaced, Cancel is disabled and
// says why: the run then goes to its end, and a cancel asked then is told to
// the run as one that came too late. Esc and the close box act as Cancel;
// only the run's end closes the dialog.
#pragma once

#ifdef _WIN32

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "platform/windows_api.h"

namespace tolvern {

class TComponentReplacer;
enum class RunPhase;

class TWinProgressForm {
 public:
  TWinProgressForm(std::string title, std::string status);

  // Runs work on a worker thread while the dialog is shown modally over
  // owner, and returns its result once it has ended. An exception of work is
  // thrown again here, on the calling thread.
  bool Run(HWND owner, const std::function<bool()>& work);

  // Called by the work, from its thread.
  void Progress(int index, int count, const std::string& file);
  // The list of files is complete: count is the total.
  void CountKnown(int count);
  void Phase(RunPhase phase);
  // Waits while the question of Cancel is open; from its return on, a
  // cancel is too late.
  void ReplacingOriginals();
  // Waits while the question of Cancel is open; true once a cancel was
  // confirmed (or asked too late).
  bool CancelRequested();

  // A run that cannot be cancelled at all (a restore).
  void SetCancellable(bool on);

  // The dialog while it is shown (tests, screenshots).
  HWND Handle() const { return hwnd_; }
  // Creates the dialog without a run (screenshots); ShowState then shows
  // what Progress reported.
  HWND CreateIdle(HWND owner);
  void ShowState();

 private:
  static INT_PTR CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
  void RequestCancel();
  // Closes the question of Cancel when the run ends while it is open.
  void DropQuestion();

  std::string title_;
  std::string status_;
  HWND hwnd_ = nullptr;
  bool finished_ = false;
  std::mutex mutex_;
  int index_ = -1;
  int count_ = 0;
  std::string file_;
  std::string phase_;
  bool count_known_ = false;
  bool replacing_ = false;
  bool cancellable_ = true;
  bool asking_ = false;
  bool cancel_ = false;  // confirmed, or asked once replacing had started
  std::condition_variable answered_;
};

// A replacer's Execute behind a progress dialog: its progress, cancel and
// replacing hooks are the dialog's for the run (hooks the caller set are
// called as well) and are put back after it.
bool ExecuteWithProgress(TComponentReplacer& replacer, const std::string& title, HWND owner);

// A replacer's RestoreFiles behind a progress dialog without Cancel.
bool RestoreWithProgress(TComponentReplacer& replacer, const std::string& undo_file_name,
                         bool force, const std::string& title, HWND owner);

}  // namespace tolvern

#endif  // _WIN32
