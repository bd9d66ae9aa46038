#include "platform/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace tolvern {
namespace {

// A waiter is woken by the task it waits for, whatever order the tasks end
// in: a later task ends while the first is held, a second thread waits for
// the first, and Finish waits for all. A lost wake-up would hang a waiter;
// each wait is bounded so that it fails the test instead.
TEST(WorkerPoolTest, EveryWaiterIsWokenByItsOwnTask) {
  WorkerPool pool(2);
  std::atomic<bool> release{false};
  std::atomic<int> ran{0};
  const int first = pool.Submit([&](int) {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ++ran;
  });
  int later = -1;
  for (int i = 0; i < 5; ++i) later = pool.Submit([&](int) { ++ran; });
  const auto bounded = [](std::future<void>& f) {
    return f.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  };

  std::future<void> wait_later = std::async(std::launch::async, [&] { pool.Wait(later); });
  std::future<void> wait_first = std::async(std::launch::async, [&] { pool.Wait(first); });
  ASSERT_TRUE(bounded(wait_later));
  EXPECT_TRUE(pool.Done(later));
  EXPECT_FALSE(pool.Done(first));
  EXPECT_EQ(wait_first.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);

  release = true;
  ASSERT_TRUE(bounded(wait_first));
  std::future<void> finish = std::async(std::launch::async, [&] { pool.Finish(); });
  ASSERT_TRUE(bounded(finish));
  EXPECT_EQ(ran, 6);
  for (int t = first; t <= later; ++t) EXPECT_TRUE(pool.Done(t)) << t;
}

}  // namespace
}  // namespace tolvern
