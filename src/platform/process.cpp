#include "platform/process.h"

#include <chrono>

namespace scf {

// Taking lines is the same on every system: the reader threads fill the queue alike.
void ChildProcess::takeLineBatch(LineBatch& batch) {
  batch.clear();
  {
    std::lock_guard<std::mutex> lock(queueLock_);
    lines_.swap(batch);
  }
  queueTaken_.notify_one();
}

void ChildProcess::waitForQueueRoom() {
  std::unique_lock<std::mutex> lock(queueLock_);
  while (lines_.textSize() >= queueLimitBytes && !queueUnlimited_.load()) {
    // A bounded wait per look: the flag may be set by a thread that does not notify.
    queueTaken_.wait_for(lock, std::chrono::milliseconds(50));
  }
}

LineBatch ChildProcess::takeLineBatch() {
  LineBatch batch;
  takeLineBatch(batch);
  return batch;
}

std::vector<std::string> ChildProcess::takeLines() {
  return takeLineBatch().strings();
}

}  // namespace scf
