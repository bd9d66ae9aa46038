#include "files/log_writer.h"

#include <utility>

#include "base/errors.h"

namespace tolvern {

TLogWriter::~TLogWriter() { Close(); }

void TLogWriter::Open(Disk& disk, const std::string& file_name) {
  Close();
  error_.clear();
  // A link planted under the log's name is not followed: the log would
  // otherwise overwrite whatever file the link names.
  std::string why;
  file_ = disk.OpenAppend(file_name, &why);
  if (!file_) throw EFCreateError("Cannot create file \"" + file_name + "\". " + why);
  path_ = file_name;
  if (!title_.empty()) WriteLine(title_);
  const std::time_t now = clock_ ? clock_() : std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  WriteLine(timestamp_caption_ + " " + FormatTimestamp(local));
}

void TLogWriter::OpenLater(Disk& disk, const std::string& file_name) {
  Close();
  error_.clear();
  deferred_disk_ = &disk;
  deferred_path_ = file_name;
}

void TLogWriter::OpenDeferred() {
  if (deferred_path_.empty()) return;
  const std::string path = std::exchange(deferred_path_, std::string());
  std::vector<std::string> lines = std::move(deferred_);
  deferred_.clear();
  Open(*deferred_disk_, path);
  for (const std::string& line : lines) WriteLine(line);
}

void TLogWriter::WriteLine(const std::string& text) {
  if (!file_) {
    if (!deferred_path_.empty()) deferred_.push_back(text);
    return;
  }
  std::string line;
  if (text == " ") {
    line = "\r\n";
  } else {
    line = text;
    if (text.empty() || (text.back() != '\n' && text.back() != '\r')) line += "\r\n";
  }
  if (double_spacing_) line += "\r\n";
  // A failing write (full disk) loses the line; the run goes on, and says
  // at its end that its log is incomplete.
  std::string why;
  if (!file_->Append(line, &why)) Failed(why);
}

void TLogWriter::Close() {
  deferred_path_.clear();
  deferred_.clear();
  if (!file_) return;
  std::string why;
  if (!file_->Close(&why)) Failed(why);
  file_.reset();
}

void TLogWriter::Failed(const std::string& reason) {
  if (!error_.empty()) return;
  error_ = path_ + ": " + reason;
}

std::string TLogWriter::FormatTimestamp(const std::tm& when) {
  char date[64] = "";
  char time[64] = "";
  std::strftime(date, sizeof date, "%x", &when);
  if (when.tm_hour == 0 && when.tm_min == 0 && when.tm_sec == 0) return date;
  std::strftime(time, sizeof time, "%X", &when);
  return std::string(date) + " " + time;
}

}  // namespace tolvern
