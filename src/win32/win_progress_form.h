// The native dialog a run goes on behind. The run works on a worker thread;
// the dialog shows the file being processed (its path shortened in the
// middle when long) and the count, and its Cancel asks the run to stop before
// the first original is replaced. Once originals are being replaced, Cancel
// is disabled: the run then goes to its end. Esc and the close box act as
// Cancel; only the run's end closes the dialog.
#pragma once

#ifdef _WIN32

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "platform/windows_api.h"

namespace tolvern {

class TComponentReplacer;

class TWinProgressForm {
 public:
  TWinProgressForm(std::string title, std::string status);

  // Runs work on a worker thread while the dialog is shown modally over
  // owner, and returns its result once it has ended. An exception of work is
  // thrown again here, on the calling thread.
  bool Run(HWND owner, const std::function<bool()>& work);

  // Called by the work, from its thread.
  void Progress(int index, int count, const std::string& file);
  void ReplacingOriginals();
  bool CancelRequested() const { return cancel_.load(); }

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

  std::string title_;
  std::string status_;
  HWND hwnd_ = nullptr;
  std::atomic<bool> cancel_{false};
  bool finished_ = false;
  std::mutex mutex_;
  int index_ = -1;
  int count_ = 0;
  std::string file_;
  bool replacing_ = false;
  bool cancellable_ = true;
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
