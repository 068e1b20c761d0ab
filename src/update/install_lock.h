#pragma once

#include <cstdint>
#include <string>

namespace scf {

// One update of a release folder at a time, across launchers and the installers they start.
// The lock is the file launcher-update.lock in the release's update folder, created exclusively and
// holding the decimal process id of whoever works on the update now: the launcher while it
// downloads and checks, then the installer it starts (which outlives a launcher that is closed
// or killed). A lock whose process has ended is stale and is taken over.
class InstallLock {
 public:
  // The lock's file in updateFolder.
  static std::string pathIn(const std::string& updateFolder);

  // Takes the lock for this process. False when a live process holds it (holder is then its
  // id), when a lock is being written this very moment (holder 0), or when none can be made.
  bool take(const std::string& updateFolder, std::uint32_t& holder);
  // Hands the lock to another process (the installer just started).
  void handTo(std::uint32_t processId);
  // Gives the lock up if this object holds it.
  void release();
  bool held() const { return !path_.empty(); }

  // The live process that holds the lock of updateFolder, or 0.
  static std::uint32_t holder(const std::string& updateFolder);

 private:
  std::string path_;
  std::uint32_t owner_ = 0;
};

}  // namespace scf
