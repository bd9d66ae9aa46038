// A small fixed set of threads that run tasks in the order they were handed
// in, for work whose results the caller takes in that same order. Tasks must
// not throw; each is told which thread runs it, so that it can use that
// thread's own tools (a parser, say).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tolvern {

class WorkerPool {
 public:
  explicit WorkerPool(int threads);
  // Drops the tasks not yet started and waits for the running ones.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Queues a task; returns its number (0, 1, 2... in the order handed in).
  int Submit(std::function<void(int worker)> task);
  // Waits until the task of that number has run.
  void Wait(int ticket);
  // Whether the task of that number has run, without waiting.
  bool Done(int ticket);
  // Waits until every task handed in has run.
  void Finish();

  // The number of threads for a job count asked for: the machine's cores
  // when it is 0 or less, at most kMaxThreads.
  static int ThreadsFor(int jobs);
  static constexpr int kMaxThreads = 8;

 private:
  void Run(int worker);
  // Whether a thread waits for the task of that number (or for every task,
  // and it was the last); called with the lock held.
  bool Awaited(int ticket) const;

  std::mutex mutex_;
  std::condition_variable work_, done_;
  std::deque<std::pair<int, std::function<void(int)>>> queue_;
  std::vector<char> finished_;
  // The tickets threads wait for (kAll: every task); a finished task wakes
  // the waiters only when it is one of them, so that a thread waiting for
  // one result is not woken by every other.
  static constexpr int kAll = -1;
  std::vector<int> waited_;
  int submitted_ = 0;
  int finished_count_ = 0;
  bool closing_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace tolvern
