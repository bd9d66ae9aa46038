// The plain-text run log. Lines end with CR LF and are written to disk one by
// one as they are logged, so the log is complete up to the last step reached
// even when a run fails. Lines written while no file is open are dropped, so
// callers log without asking whether logging is on. A line that cannot be
// written (a full disk) does not stop the run, but is remembered (Error), so
// that the run can say that its log is incomplete.
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/disk.h"

namespace tolvern {

class TLogWriter {
 public:
  TLogWriter() = default;
  ~TLogWriter();
  TLogWriter(const TLogWriter&) = delete;
  TLogWriter& operator=(const TLogWriter&) = delete;

  void SetTitle(const std::string& text) { title_ = text; }
  void SetTimestampCaption(const std::string& text) { timestamp_caption_ = text; }
  // The clock of the time stamp Open writes (empty: the system clock).
  void SetClock(std::function<std::time_t()> clock) { clock_ = std::move(clock); }
  void SetDoubleSpacing(bool value) { double_spacing_ = value; }

  // Creates or empties file_name and writes the header: the title (unless
  // empty) and the time-stamp caption with the local date and time. Throws
  // EFCreateError when the file cannot be created; the writer stays closed.
  void Open(Disk& disk, const std::string& file_name);
  // The same on the real disk.
  void Open(const std::string& file_name) { Open(own_disk_, file_name); }
  // Names the file the log goes to without touching it yet: the lines
  // written from now on are kept in memory until OpenDeferred creates the
  // file and writes them behind its header. Closed before that, the writer
  // writes nothing, so an earlier log of that name stays as it was.
  void OpenLater(Disk& disk, const std::string& file_name);
  // Opens the file OpenLater named, with the lines kept so far; nothing when
  // none was named. Throws as Open does.
  void OpenDeferred();
  void WriteLine(const std::string& text);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }
  // The first failure to write the file opened last, as "path: the system's
  // reason"; "" when every line reached it. Open clears it.
  const std::string& Error() const { return error_; }

  // The local date in the user's short format, a blank and the time; the blank
  // and the time are left out at midnight exactly.
  static std::string FormatTimestamp(const std::tm& when);

 private:
  // Records a failure to write the file, unless one is recorded already.
  void Failed(const std::string& reason);

  RealDisk own_disk_;
  std::unique_ptr<AppendFile> file_;
  std::string path_;
  Disk* deferred_disk_ = nullptr;      // where the deferred file goes
  std::string deferred_path_;          // named by OpenLater, not yet opened
  std::vector<std::string> deferred_;  // the lines written meanwhile
  std::string error_;
  std::string title_;
  std::function<std::time_t()> clock_;
  std::string timestamp_caption_ = "Log created at:";
  bool double_spacing_ = false;
};

}  // namespace tolvern
