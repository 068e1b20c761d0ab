#include "prepare/disc_search.h"

#include <chrono>
#include <utility>

#include "platform/bounded_join.h"
#include "platform/clock.h"
#include "platform/ui_wake.h"

namespace scf {

DiscSearchLimits DiscSearch::limits;
std::function<void()> DiscSearch::beforeEntry;

DiscSearch::~DiscSearch() {
  stop();
}

bool DiscSearch::stop() {
  if (!worker_.joinable()) return true;
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->stop = true;
  return joinWithin(worker_, lock, shared_->endedSignal, shared_->ended, std::chrono::seconds(1));
}

void DiscSearch::start(const DiscPlaceHints& hints) {
  stop();
  shared_ = std::make_shared<Shared>();
  worker_ = std::thread(work, shared_, hints, limits, beforeEntry);
}

bool DiscSearch::takeResult(DiscSearchResult& result) {
  if (!shared_) return false;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (!shared_->fresh) return false;
    shared_->fresh = false;
    result = std::move(shared_->result);
  }
  // The worker published as its last act: it ends at once, and no finished thread is kept.
  stop();
  return true;
}

bool DiscSearch::running() const {
  if (!shared_) return false;
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return !shared_->ended && !shared_->stop;
}

void DiscSearch::work(std::shared_ptr<Shared> shared, const DiscPlaceHints& hints,
                      DiscSearchLimits limits, std::function<void()> beforeEntry) {
  const auto stopped = [&] {
    if (beforeEntry) beforeEntry();
    return shared->stop.load();
  };
  DiscSearchResult result;
  if (!stopped()) result = findDiscImages(discPlaces(hints), limits, stopped, nowSeconds);
  std::lock_guard<std::mutex> lock(shared->mutex);
  if (!shared->stop) {
    shared->result = std::move(result);
    shared->fresh = true;
    wakeUi();
  }
  shared->ended = true;
  shared->endedSignal.notify_all();
}

}  // namespace scf
