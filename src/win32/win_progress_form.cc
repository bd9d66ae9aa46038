#include "win32/win_progress_form.h"

#ifdef _WIN32

#include <commctrl.h>

#include <exception>
#include <thread>

#include "base/system_texts.h"
#include "engine/component_replacer.h"
#include "win32/resource_ids.h"
#include "win32/win_controls.h"

namespace tolvern {

namespace {
// Posted by the worker when the work has ended.
constexpr UINT kWorkDone = WM_APP + 1;
constexpr UINT_PTR kTimer = 1;
}  // namespace

TWinProgressForm::TWinProgressForm(std::string title, std::string status)
    : title_(std::move(title)), status_(std::move(status)) {}

INT_PTR CALLBACK TWinProgressForm::Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    ::SetWindowLongPtrW(w, DWLP_USER, lp);
    auto* self = reinterpret_cast<TWinProgressForm*>(lp);
    self->hwnd_ = w;
    SetWindowTextUtf8(w, self->title_);
    SetWindowTextUtf8(::GetDlgItem(w, IDC_LBL_FILE), self->status_);
    // Busy until the first file.
    HWND bar = ::GetDlgItem(w, IDC_PB_FILES);
    ::SetWindowLongW(bar, GWL_STYLE, ::GetWindowLongW(bar, GWL_STYLE) | PBS_MARQUEE);
    ::SendMessageW(bar, PBM_SETMARQUEE, TRUE, 30);
    ::EnableWindow(::GetDlgItem(w, IDCANCEL), self->cancellable_);
    ::SetTimer(w, kTimer, 50, nullptr);
    return TRUE;
  }
  auto* self = reinterpret_cast<TWinProgressForm*>(::GetWindowLongPtrW(w, DWLP_USER));
  if (!self) return FALSE;
  switch (msg) {
    case WM_TIMER:
      self->ShowState();
      return TRUE;
    case kWorkDone:
      self->ShowState();
      {
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->finished_ = true;
      }
      self->DropQuestion();
      ::KillTimer(w, kTimer);
      ::EndDialog(w, IDOK);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wp) == IDCANCEL) self->RequestCancel();
      return TRUE;
    case WM_CLOSE:
      self->RequestCancel();
      return TRUE;
    case WM_DESTROY:
      ::RemovePropW(w, L"TolvernRun");
      self->hwnd_ = nullptr;
      return FALSE;
  }
  return FALSE;
}

namespace {
// What the dialog of a run starts with: the work, and where its result goes.
struct RunStart {
  TWinProgressForm* form;
  DLGPROC form_proc;
  const std::function<bool()>* work;
  bool* result;
  std::exception_ptr* error;
  std::thread worker;
};

// The work starts once the dialog exists, so that its end is never posted to
// a window still to come.
INT_PTR CALLBACK RunProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_INITDIALOG) {
    auto* s = reinterpret_cast<RunStart*>(::GetPropW(w, L"TolvernRun"));
    return s ? s->form_proc(w, msg, wp, lp) : FALSE;
  }
  auto* s = reinterpret_cast<RunStart*>(lp);
  ::SetPropW(w, L"TolvernRun", s);
  s->form_proc(w, msg, wp, reinterpret_cast<LPARAM>(s->form));
  s->worker = std::thread([s, w] {
    try {
      *s->result = (*s->work)();
    } catch (...) {
      *s->error = std::current_exception();
    }
    ::PostMessageW(w, kWorkDone, 0, 0);
  });
  return TRUE;
}
}  // namespace

bool TWinProgressForm::Run(HWND owner, const std::function<bool()>& work) {
  ScopedModuleManifest manifest;
  bool result = false;
  std::exception_ptr error;
  RunStart start{this, &TWinProgressForm::Proc, &work, &result, &error, {}};
  const INT_PTR shown = ::DialogBoxParamW(DialogModule(), MAKEINTRESOURCEW(IDD_PROGRESS), owner,
                                          RunProc, reinterpret_cast<LPARAM>(&start));
  if (start.worker.joinable()) start.worker.join();
  // No dialog at all (no window station): the work runs all the same.
  if (shown == -1 && !start.worker.joinable()) {
    try {
      result = work();
    } catch (...) {
      error = std::current_exception();
    }
  }
  if (error) std::rethrow_exception(error);
  return result;
}

HWND TWinProgressForm::CreateIdle(HWND owner) {
  ScopedModuleManifest manifest;
  ::CreateDialogParamW(DialogModule(), MAKEINTRESOURCEW(IDD_PROGRESS), owner, Proc,
                       reinterpret_cast<LPARAM>(this));
  if (hwnd_) {
    ::KillTimer(hwnd_, kTimer);
    ::ShowWindow(hwnd_, SW_SHOW);
  }
  return hwnd_;
}

void TWinProgressForm::Progress(int index, int count, const std::string& file) {
  std::lock_guard<std::mutex> lock(mutex_);
  index_ = index;
  if (count_known_) count_ = count;
  file_ = file;
}

void TWinProgressForm::CountKnown(int count) {
  std::lock_guard<std::mutex> lock(mutex_);
  count_known_ = true;
  count_ = count;
}

void TWinProgressForm::Phase(RunPhase phase) {
  std::lock_guard<std::mutex> lock(mutex_);
  phase_ = RunPhaseText(phase);
}

void TWinProgressForm::ReplacingOriginals() {
  std::unique_lock<std::mutex> lock(mutex_);
  answered_.wait(lock, [this] { return !asking_; });
  replacing_ = true;
}

bool TWinProgressForm::CancelRequested() {
  std::unique_lock<std::mutex> lock(mutex_);
  answered_.wait(lock, [this] { return !asking_; });
  return cancel_;
}

void TWinProgressForm::SetCancellable(bool on) {
  std::lock_guard<std::mutex> lock(mutex_);
  cancellable_ = on;
  if (hwnd_) ::EnableWindow(::GetDlgItem(hwnd_, IDCANCEL), on);
}

void TWinProgressForm::RequestCancel() {
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
  const int answer =
      ::MessageBoxW(hwnd_, Utf8ToWide(res::kCancelQuestion).c_str(), Utf8ToWide(title_).c_str(),
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
  bool cancel = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    asking_ = false;
    // The run cannot have started replacing while the question was open.
    if (answer == IDYES && !finished_) cancel_ = true;
    cancel = cancel_;
  }
  answered_.notify_all();
  if (!cancel || !hwnd_) return;
  HWND button = ::GetDlgItem(hwnd_, IDCANCEL);
  SetWindowTextUtf8(button, res::kCancelling);
  ::EnableWindow(button, FALSE);
}

namespace {
BOOL CALLBACK AnswerNo(HWND w, LPARAM owner) {
  if (::GetWindow(w, GW_OWNER) == reinterpret_cast<HWND>(owner))
    ::PostMessageW(w, WM_COMMAND, IDNO, 0);
  return TRUE;
}
}  // namespace

void TWinProgressForm::DropQuestion() {
  bool asking = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    asking = asking_;
  }
  // A question still open has nothing left to stop.
  if (asking && hwnd_)
    ::EnumThreadWindows(::GetCurrentThreadId(), AnswerNo, reinterpret_cast<LPARAM>(hwnd_));
}

void TWinProgressForm::ShowState() {
  if (!hwnd_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  HWND label = ::GetDlgItem(hwnd_, IDC_LBL_FILE);
  HWND bar = ::GetDlgItem(hwnd_, IDC_PB_FILES);
  HWND count_label = ::GetDlgItem(hwnd_, IDC_LBL_COUNT);
  auto stop_marquee = [bar] {
    if (::GetWindowLongW(bar, GWL_STYLE) & PBS_MARQUEE) {
      ::SendMessageW(bar, PBM_SETMARQUEE, FALSE, 0);
      ::SetWindowLongW(bar, GWL_STYLE, ::GetWindowLongW(bar, GWL_STYLE) & ~PBS_MARQUEE);
    }
  };
  if (replacing_ || !phase_.empty()) {
    // Every file is rewritten: the bar stays full while the run finishes.
    SetWindowTextUtf8(label, replacing_ ? res::kPhaseReplacingOriginals : phase_);
    if (replacing_) {
      ::EnableWindow(::GetDlgItem(hwnd_, IDCANCEL), FALSE);
      SetWindowTextUtf8(count_label, res::kCancelTooLate);
    }
    if (count_ > 0) {
      stop_marquee();
      ::SendMessageW(bar, PBM_SETRANGE32, 0, count_);
      ::SendMessageW(bar, PBM_SETPOS, count_, 0);
    }
    return;
  }
  if (index_ < 0) return;
  if (count_known_) {
    stop_marquee();
    ::SendMessageW(bar, PBM_SETRANGE32, 0, count_);
    ::SendMessageW(bar, PBM_SETPOS, index_, 0);
  }
  // The label shortens a long path in its middle (SS_PATHELLIPSIS): the
  // start and the end say most.
  SetWindowTextUtf8(label, res::Format(res::kProcessingFile, {file_}));
  SetWindowTextUtf8(
      count_label,
      count_known_
          ? res::Format(res::kProgressCount, {std::to_string(index_ + 1), std::to_string(count_)})
          : res::Format(res::kProgressCountOpen, {std::to_string(index_ + 1)}));
}

bool ExecuteWithProgress(TComponentReplacer& replacer, const std::string& title, HWND owner) {
  TWinProgressForm form(title, res::kInitUnitList);
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
      r.OnProgress = std::move(p);
      r.CancelRequested = std::move(c);
      r.OnReplacingOriginals = std::move(o);
      r.OnFileCountKnown = std::move(k);
      r.OnPhase = std::move(f);
    }
  } restore{replacer, on_progress, cancel_requested, on_replacing, on_count, on_phase};
  replacer.OnProgress = [&form, on_progress](int index, int count, const std::string& file) {
    form.Progress(index, count, file);
    if (on_progress) on_progress(index, count, file);
  };
  replacer.OnFileCountKnown = [&form, on_count](int count) {
    form.CountKnown(count);
    if (on_count) on_count(count);
  };
  replacer.OnPhase = [&form, on_phase](RunPhase phase) {
    form.Phase(phase);
    if (on_phase) on_phase(phase);
  };
  replacer.CancelRequested = [&form, cancel_requested] {
    return form.CancelRequested() || (cancel_requested && cancel_requested());
  };
  replacer.OnReplacingOriginals = [&form, on_replacing] {
    form.ReplacingOriginals();
    if (on_replacing) on_replacing();
  };
  return form.Run(owner, [&replacer] { return replacer.Execute(); });
}

bool RestoreWithProgress(TComponentReplacer& replacer, const std::string& undo_file_name,
                         bool force, const std::string& title, HWND owner) {
  TWinProgressForm form(title, res::kRestoring);
  form.SetCancellable(false);
  return form.Run(owner, [&replacer, &undo_file_name, force] {
    return replacer.RestoreFiles(undo_file_name, force);
  });
}

}  // namespace tolvern

#endif  // _WIN32
