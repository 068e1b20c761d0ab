#include "platform/process.h"

namespace scf {

// Taking lines is the same on every system: the reader threads fill the queue alike.
void ChildProcess::takeLineBatch(LineBatch& batch) {
  batch.clear();
  std::lock_guard<std::mutex> lock(queueLock_);
  lines_.swap(batch);
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
