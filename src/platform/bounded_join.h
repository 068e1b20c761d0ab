#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace scf {

// Ends a worker thread that, when it stops, sets `ended` under the lock's mutex and notifies
// endedSignal. The caller has asked it to stop and holds the lock. Waits at most `limit`, then
// joins the worker; one stuck on a hung drive is left to end alone (detached: it owns the
// state it writes to). Returns whether the worker ended in time.
inline bool joinWithin(std::thread& worker, std::unique_lock<std::mutex>& lock,
                       std::condition_variable& endedSignal, const bool& ended,
                       std::chrono::milliseconds limit) {
  const bool done = endedSignal.wait_for(lock, limit, [&] { return ended; });
  lock.unlock();
  if (done) {
    worker.join();
  } else {
    worker.detach();
  }
  return done;
}

}  // namespace scf
