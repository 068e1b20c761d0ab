#include "release/settings_writer.h"

#include <chrono>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/bounded_join.h"

namespace scf {

namespace {
// How long the launcher's exit waits for its last settings to reach the disk.
constexpr auto kExitWait = std::chrono::seconds(2);
}  // namespace

SettingsWriter::SettingsWriter() : shared_(std::make_shared<Shared>()) {}

SettingsWriter::~SettingsWriter() {
  if (!worker_.joinable()) return;
  std::unique_lock<std::mutex> lock(shared_->mutex);
  shared_->stop = true;
  shared_->wake.notify_all();
  joinWithin(worker_, lock, shared_->idle, shared_->ended, kExitWait);
}

void SettingsWriter::start() {
  if (!worker_.joinable()) worker_ = std::thread(work, shared_);
}

bool SettingsWriter::save(const std::string& path, std::string text) {
  if (!worker_.joinable()) return writeFileAtomic(path, text);
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->pending[path] = std::move(text);
  shared_->wake.notify_all();
  return true;
}

bool SettingsWriter::flush(double seconds) {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  return shared_->idle.wait_for(lock, std::chrono::duration<double>(seconds), [&] {
    return (shared_->pending.empty() && !shared_->writing) || shared_->ended;
  }) && shared_->pending.empty();
}

bool SettingsWriter::failed(const std::string& path) const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  const auto entry = shared_->failed.find(path);
  return entry != shared_->failed.end() && entry->second;
}

void SettingsWriter::work(std::shared_ptr<Shared> shared) {
  std::unique_lock<std::mutex> lock(shared->mutex);
  for (;;) {
    shared->wake.wait(lock, [&] { return shared->stop || !shared->pending.empty(); });
    if (shared->pending.empty()) break;  // stopping, and everything is written
    auto first = shared->pending.begin();
    const std::string path = first->first;
    const std::string text = std::move(first->second);
    shared->pending.erase(first);
    shared->writing = true;
    lock.unlock();
    const bool ok = writeFileAtomic(path, text);
    lock.lock();
    shared->writing = false;
    shared->failed[path] = !ok;
    shared->idle.notify_all();
  }
  shared->ended = true;
  shared->idle.notify_all();
}

}  // namespace scf
