// Writes files on a second thread while the caller goes on, so that the slow
// creation of files overlaps the work of rewriting the next ones. Only for
// files nobody else sees yet (the run's own work folder). The data waiting to
// be written is bounded; the first failure is kept and raised by Finish.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

namespace tolvern {

class BackgroundWriter {
 public:
  explicit BackgroundWriter(size_t max_pending_bytes = size_t{8} << 20);
  ~BackgroundWriter();  // waits for the writes; drops a failure
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  void Submit(std::string path, std::string data);
  // Waits until every file is written; raises the first failure.
  void Finish();

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::string, std::string>> queue_;
  size_t pending_ = 0;
  const size_t max_pending_;
  bool closing_ = false;
  bool busy_ = false;
  std::exception_ptr error_;
  std::thread thread_;
};

}  // namespace tolvern
