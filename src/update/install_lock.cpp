#include "update/install_lock.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/file_read.h"
#include "platform/lock_file.h"
#include "platform/utf8_path.h"

namespace scf {
namespace {

constexpr std::chrono::seconds kEmptyGrace{2};

// The process id a lock file holds; 0 when it holds none (empty, damaged, unreadable).
std::uint32_t lockOwner(const std::string& path) {
  const std::optional<std::string> text = readSmallFile(path, 64);
  if (!text) return 0;
  std::uint64_t id = 0;
  bool digits = false;
  for (const char c : *text) {
    if (c >= '0' && c <= '9') {
      id = id * 10 + static_cast<std::uint64_t>(c - '0');
      digits = true;
      if (id > 0xffffffffu) return 0;
    } else if (c != '\n' && c != '\r' && c != ' ') {
      return 0;
    }
  }
  return digits ? static_cast<std::uint32_t>(id) : 0;
}

}  // namespace

std::string InstallLock::pathIn(const std::string& updateFolder) {
  return utf8String(utf8Path(updateFolder) / "launcher-update.lock");
}

std::uint32_t InstallLock::holder(const std::string& updateFolder) {
  const std::uint32_t owner = lockOwner(pathIn(updateFolder));
  return owner != 0 && processAlive(owner) ? owner : 0;
}

bool InstallLock::take(const std::string& updateFolder, std::uint32_t& holder) {
  release();
  holder = 0;
  const std::string path = pathIn(updateFolder);
  const std::uint32_t self = currentProcessId();
  const std::string aside = path + "." + std::to_string(self) + ".stale";
  // A few rounds: each may find a stale lock and break it, or one just removed.
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (createFileExclusively(path, std::to_string(self) + "\n")) {
      path_ = path;
      owner_ = self;
      return true;
    }
    const std::uint32_t owner = lockOwner(path);
    if (owner != 0 && owner != self && processAlive(owner)) {
      holder = owner;
      return false;
    }
    std::error_code error;
    if (owner == 0) {
      // Empty for a moment while its maker writes it: not stale yet.
      const auto written = std::filesystem::last_write_time(utf8Path(path), error);
      if (!error && std::filesystem::file_time_type::clock::now() - written < kEmptyGrace) {
        return false;
      }
    }
    // Broken by moving it aside first: a lock another launcher or installer took in between
    // is put back rather than removed.
    std::filesystem::rename(utf8Path(path), utf8Path(aside), error);
    if (error) continue;
    if (lockOwner(aside) != owner)
      std::filesystem::create_hard_link(utf8Path(aside), utf8Path(path), error);
    std::filesystem::remove(utf8Path(aside), error);
  }
  return false;
}

void InstallLock::handTo(std::uint32_t processId) {
  if (path_.empty() || processId == 0) return;
  if (writeFileAtomic(path_, std::to_string(processId) + "\n")) owner_ = processId;
}

void InstallLock::release() {
  if (path_.empty()) return;
  // Only a lock that is still ours: after a hand-over that ended, someone may have taken it.
  if (lockOwner(path_) == owner_) {
    std::error_code ignored;
    std::filesystem::remove(utf8Path(path_), ignored);
  }
  path_.clear();
  owner_ = 0;
}

}  // namespace scf
