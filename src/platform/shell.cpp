#include "platform/shell.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/env.h"

namespace scf {

namespace {

// The targets waiting for the worker and the failures waiting for the UI, behind one lock.
struct ShellRequest {
  std::string target;
  std::string searchPath;
};

struct ShellQueue {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<ShellRequest> targets;
  std::deque<ShellFailure> failures;
  bool busy = false;      // the worker is handing a target over
  bool closing = false;   // the launcher is going: the worker ends after its current target
  bool finished = false;  // the worker has ended
};

void work(const std::shared_ptr<ShellQueue>& queue) {
  std::unique_lock<std::mutex> lock(queue->lock);
  for (;;) {
    queue->changed.wait(lock, [&] { return queue->closing || !queue->targets.empty(); });
    if (queue->closing) break;
    ShellRequest request = std::move(queue->targets.front());
    queue->targets.pop_front();
    queue->busy = true;
    lock.unlock();
    std::optional<std::string> reason = openWithDesktop(request.target, request.searchPath);
    lock.lock();
    queue->busy = false;
    if (reason) queue->failures.push_back({std::move(request.target), std::move(*reason)});
    // The frame loop looks for failures at least four times a second, even when idle.
    queue->changed.notify_all();
  }
  queue->finished = true;
  queue->changed.notify_all();
}

// The worker's owner, for the launcher's whole life. It is started with the first target. At
// exit it is asked to end and waited for a short while; a worker still inside a shell call
// then is left to the end of the process (it holds its queue itself).
class ShellWorker {
 public:
  ~ShellWorker() {
    if (!thread_.joinable()) return;
    std::unique_lock<std::mutex> lock(queue_->lock);
    queue_->closing = true;
    queue_->changed.notify_all();
    const bool ended = queue_->changed.wait_for(lock, std::chrono::milliseconds(exitWaitMs),
                                                [&] { return queue_->finished; });
    lock.unlock();
    if (ended) {
      thread_.join();
    } else {
      thread_.detach();
    }
  }

  void open(const std::string& target) {
    ShellRequest request{target, getEnv("PATH")};
    std::lock_guard<std::mutex> lock(queue_->lock);
    if (!thread_.joinable()) thread_ = std::thread(work, queue_);
    queue_->targets.push_back(std::move(request));
    queue_->changed.notify_all();
  }

  std::optional<ShellFailure> takeFailure() {
    std::lock_guard<std::mutex> lock(queue_->lock);
    if (queue_->failures.empty()) return std::nullopt;
    ShellFailure failure = std::move(queue_->failures.front());
    queue_->failures.pop_front();
    return failure;
  }

  bool settled(int milliseconds) {
    std::unique_lock<std::mutex> lock(queue_->lock);
    return queue_->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                    [&] { return queue_->targets.empty() && !queue_->busy; });
  }

 private:
  static constexpr int exitWaitMs = 1000;
  std::shared_ptr<ShellQueue> queue_ = std::make_shared<ShellQueue>();
  std::thread thread_;
};

ShellWorker& shellWorker() {
  static ShellWorker worker;
  return worker;
}

}  // namespace

void openInShell(const std::string& target) {
  if (target.empty()) return;
  shellWorker().open(target);
}

std::optional<ShellFailure> takeShellFailure() {
  return shellWorker().takeFailure();
}

bool shellOpensSettled(int milliseconds) {
  return shellWorker().settled(milliseconds);
}

}  // namespace scf
