#include "platform/background_writer.h"

#include "platform/disk.h"

namespace tolvern {

BackgroundWriter::BackgroundWriter(size_t max_pending_bytes)
    : max_pending_(max_pending_bytes), thread_([this] { Run(); }) {}

BackgroundWriter::~BackgroundWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundWriter::Submit(std::string path, std::string data) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return pending_ < max_pending_ || queue_.empty(); });
  if (error_) return;  // the run fails at Finish; nothing more is written
  pending_ += data.size();
  queue_.emplace_back(std::move(path), std::move(data));
  changed_.notify_all();
}

void BackgroundWriter::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && !busy_; });
  if (error_) {
    std::exception_ptr e = error_;
    error_ = nullptr;
    std::rethrow_exception(e);
  }
}

void BackgroundWriter::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
    if (queue_.empty()) return;
    auto [path, data] = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    lock.unlock();
    std::exception_ptr failure;
    try {
      WriteNewWholeFile(path, data);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    busy_ = false;
    pending_ -= data.size();
    if (failure && !error_) error_ = failure;
    changed_.notify_all();
  }
}

}  // namespace tolvern
