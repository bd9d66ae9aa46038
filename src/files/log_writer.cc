#include "files/log_writer.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "base/errors.h"
#include "platform/windows_api.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tolvern {

TLogWriter::~TLogWriter() { Close(); }

void TLogWriter::Open(const std::string& file_name) {
  Close();
  error_.clear();
#ifdef _WIN32
  std::FILE* f = _wfopen(WidePath(file_name).c_str(), L"wb");
#else
  // A link planted under the log's name is not followed: the log would
  // otherwise overwrite whatever file the link names.
  std::FILE* f = nullptr;
  int fd = ::open(file_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd >= 0) {
    f = ::fdopen(fd, "wb");
    if (!f) ::close(fd);
  }
#endif
  if (!f) throw EFCreateError("Cannot create file \"" + file_name + "\". " + std::strerror(errno));
  std::setvbuf(f, nullptr, _IONBF, 0);
  file_ = f;
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

void TLogWriter::OpenLater(const std::string& file_name) {
  Close();
  error_.clear();
  deferred_path_ = file_name;
}

void TLogWriter::OpenDeferred() {
  if (deferred_path_.empty()) return;
  const std::string path = std::exchange(deferred_path_, std::string());
  std::vector<std::string> lines = std::move(deferred_);
  deferred_.clear();
  Open(path);
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
  errno = 0;
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) Failed(errno);
}

void TLogWriter::Close() {
  deferred_path_.clear();
  deferred_.clear();
  if (!file_) return;
  errno = 0;
  if (std::fclose(file_) != 0) Failed(errno);
  file_ = nullptr;
}

void TLogWriter::Failed(int error_number) {
  if (!error_.empty()) return;
  error_ = path_ + ": " + (error_number ? std::strerror(error_number) : "write failed");
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
