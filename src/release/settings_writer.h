#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace scf {

// Writes settings files on a worker so that a save never holds a frame while the disk is busy.
// Each write keeps its durability (temporary file, flush, rename, folder flush); when saves of
// one file come faster than the disk, the last text given wins and the ones between are skipped.
class SettingsWriter {
 public:
  SettingsWriter();
  // Writes what is still pending, waiting a bounded time; a worker stuck on a hung drive is left
  // to end alone (it owns the state it reads).
  ~SettingsWriter();
  SettingsWriter(const SettingsWriter&) = delete;
  SettingsWriter& operator=(const SettingsWriter&) = delete;

  // Starts the worker; until then save() writes on the calling thread.
  void start();
  bool running() const { return worker_.joinable(); }
  // Replaces the file with text, now or on the worker. False only for a write made here that
  // failed.
  bool save(const std::string& path, std::string text);
  // Waits up to seconds until every pending text is on disk; true when nothing is pending.
  bool flush(double seconds);
  // True when a write of this file made by the worker failed since the last good one.
  bool failed(const std::string& path) const;

 private:
  struct Shared {
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::map<std::string, std::string> pending;
    std::map<std::string, bool> failed;
    bool writing = false;
    bool stop = false;
    bool ended = false;
  };
  static void work(std::shared_ptr<Shared> shared);

  std::shared_ptr<Shared> shared_;
  std::thread worker_;
};

}  // namespace scf
