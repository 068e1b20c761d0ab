#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/atomic_file.h"

namespace scf {

namespace {

bool writeAll(int fd, const std::string& text) {
  const char* data = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    // No progress and no error: give up rather than loop for ever.
    if (written == 0) return false;
    data += written;
    left -= static_cast<size_t>(written);
  }
  return true;
}

bool syncFile(int fd) {
  while (::fsync(fd) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Makes the rename itself durable: without it a power cut may bring back the old directory entry.
// The target is already replaced by then, so a failure here is not the save's failure.
void syncFolderOf(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  syncFile(fd);
  ::close(fd);
}

}  // namespace

bool writeFileAtomic(const std::string& path, const std::string& text) {
  if (path.empty()) return false;
  const std::string temporary = path + ".tmp";
  // The new file keeps the old one's permission bits (a private launcher.ini stays private);
  // created with them, it is never more open than the old one even before the fchmod below.
  struct stat old {};
  const bool replacing = ::stat(path.c_str(), &old) == 0;
  const mode_t mode = replacing ? (old.st_mode & 0777) : 0666;
  // A stale temporary file is removed, and a new one created without following links: whatever
  // was planted under the ".tmp" name, the text goes nowhere but the new file.
  if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) return false;
  const int fd =
      ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return false;
  // Only umask can narrow the mode given to open; failing to widen it back is no reason to keep the
  // old text.
  if (replacing) (void)::fchmod(fd, mode);
  // The data must be on the disk before the rename, or a power cut can leave an empty target.
  const bool written = writeAll(fd, text) && syncFile(fd);
  const bool closed = ::close(fd) == 0 || errno == EINTR;
  if (!written || !closed) return false;
  if (std::rename(temporary.c_str(), path.c_str()) != 0) return false;
  syncFolderOf(path);
  return true;
}

}  // namespace scf
