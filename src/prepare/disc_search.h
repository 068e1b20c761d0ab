#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/disc_places.h"
#include "prepare/disc_finder.h"

namespace scf {

// One search for disc images at a time, on a worker thread this object owns. The result is
// handed to the frame loop under a lock, and the frame loop is woken when it is ready.
class DiscSearch {
 public:
  DiscSearch() = default;
  // Stops a running search: the worker sees the stop between two entries. A worker stuck in one
  // call to a hung drive is left to end alone after a second (it owns what it writes to).
  ~DiscSearch();
  DiscSearch(const DiscSearch&) = delete;
  DiscSearch& operator=(const DiscSearch&) = delete;

  // Stops any earlier search and starts a new one in the places the hints give.
  void start(const DiscPlaceHints& hints);
  // Asks the worker to stop and waits for it at most a second; true when it has ended (or
  // there was none), false when it was left to end alone.
  bool stop();
  // The result of the search when it has ended since the last call; false otherwise.
  bool takeResult(DiscSearchResult& result);
  bool running() const;

  // The limits of every search. Tests may change them.
  static DiscSearchLimits limits;
  // Called on the worker before each entry is read, when set; tests slow the search with it.
  // Set it only while no search runs.
  static std::function<void()> beforeEntry;

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable endedSignal;
    std::atomic<bool> stop{false};
    bool ended = false;
    bool fresh = false;
    DiscSearchResult result;
  };
  static void work(std::shared_ptr<Shared> shared, const DiscPlaceHints& hints,
                   DiscSearchLimits limits, std::function<void()> beforeEntry);

  std::shared_ptr<Shared> shared_;
  std::thread worker_;
};

}  // namespace scf
