// Ending a worker within a bounded time: joined when it ends in time, left to end alone when it
// is stuck (on a hung drive, say), and the caller never waits longer than the limit.
#include "platform/bounded_join.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>

namespace scf {
namespace {

// What a worker shares with its owner; the worker keeps it alive, even when left behind.
struct Shared {
  std::mutex mutex;
  std::condition_variable endedSignal;
  bool ended = false;
  std::atomic<bool> release{false};  // a stuck worker goes on once this is set
};

std::thread worker(const std::shared_ptr<Shared>& shared) {
  return std::thread([shared] {
    while (!shared->release)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->ended = true;
    shared->endedSignal.notify_all();
  });
}

TEST(JoinWithin, JoinsAWorkerThatEndsAndLeavesAStuckOneAfterTheLimit) {
  auto quick = std::make_shared<Shared>();
  std::thread first = worker(quick);
  quick->release = true;
  std::unique_lock<std::mutex> lock(quick->mutex);
  EXPECT_TRUE(joinWithin(first, lock, quick->endedSignal, quick->ended, std::chrono::seconds(10)));
  EXPECT_FALSE(first.joinable());
  EXPECT_FALSE(lock.owns_lock());

  auto stuck = std::make_shared<Shared>();
  std::thread second = worker(stuck);
  std::unique_lock<std::mutex> stuckLock(stuck->mutex);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(joinWithin(second, stuckLock, stuck->endedSignal, stuck->ended,
                          std::chrono::milliseconds(50)));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(second.joinable()) << "left to end alone";
  EXPECT_FALSE(stuckLock.owns_lock()) << "the worker can take the lock to end";
  stuck->release = true;
  // It ends on its own, with the state it shares.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;;) {
    {
      std::lock_guard<std::mutex> check(stuck->mutex);
      if (stuck->ended || std::chrono::steady_clock::now() > deadline) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  std::lock_guard<std::mutex> check(stuck->mutex);
  EXPECT_TRUE(stuck->ended);
}

}  // namespace
}  // namespace scf
