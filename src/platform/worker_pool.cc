#include "platform/worker_pool.h"

#include <algorithm>

namespace tolvern {

WorkerPool::WorkerPool(int threads) {
  for (int i = 0; i < std::max(threads, 1); ++i) threads_.emplace_back([this, i] { Run(i); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
    queue_.clear();
  }
  work_.notify_all();
  for (std::thread& t : threads_) t.join();
}

int WorkerPool::Submit(std::function<void(int worker)> task) {
  int ticket;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ticket = submitted_++;
    finished_.push_back(0);
    queue_.emplace_back(ticket, std::move(task));
  }
  work_.notify_one();
  return ticket;
}

void WorkerPool::Wait(int ticket) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (finished_[static_cast<size_t>(ticket)] != 0) return;
  waited_.push_back(ticket);
  done_.wait(lock, [&] { return finished_[static_cast<size_t>(ticket)] != 0; });
  waited_.erase(std::find(waited_.begin(), waited_.end(), ticket));
}

bool WorkerPool::Done(int ticket) {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_[static_cast<size_t>(ticket)] != 0;
}

void WorkerPool::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (finished_count_ == submitted_) return;
  waited_.push_back(kAll);
  done_.wait(lock, [&] { return finished_count_ == submitted_; });
  waited_.erase(std::find(waited_.begin(), waited_.end(), kAll));
}

void WorkerPool::Run(int worker) {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    work_.wait(lock, [this] { return closing_ || !queue_.empty(); });
    if (queue_.empty()) return;
    auto [ticket, task] = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    task(worker);
    lock.lock();
    finished_[static_cast<size_t>(ticket)] = 1;
    ++finished_count_;
    if (!Awaited(ticket)) continue;
    // The waiter is woken once the lock is free, so that it does not wake
    // only to wait for the lock this thread still holds.
    lock.unlock();
    done_.notify_all();
    lock.lock();
  }
}

bool WorkerPool::Awaited(int ticket) const {
  for (int w : waited_)
    if (w == ticket || (w == kAll && finished_count_ == submitted_)) return true;
  return false;
}

int WorkerPool::ThreadsFor(int jobs) {
  if (jobs <= 0) jobs = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(jobs, 1, kMaxThreads);
}

}  // namespace tolvern
