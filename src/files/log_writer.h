// The plain-text run log. Lines end with CR LF and are written to disk one by
// one as they are logged, so the log is complete up to the last step reached
// even when a run fails. Lines written while no file is open are dropped, so
// callers log without asking whether logging is on.
#pragma once

#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <utility>

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
  void Open(const std::string& file_name);
  void WriteLine(const std::string& text);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  // The local date in the user's short format, a blank and the time; the blank
  // and the time are left out at midnight exactly.
  static std::string FormatTimestamp(const std::tm& when);

 private:
  std::FILE* file_ = nullptr;
  std::string title_;
  std::function<std::time_t()> clock_;
  std::string timestamp_caption_ = "Log created at:";
  bool double_spacing_ = false;
};

}  // namespace tolvern
