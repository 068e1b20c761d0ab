#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "platform/lock_file.h"

namespace scf {

bool createFileExclusively(const std::string& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t size = write(fd, text.data() + written, text.size() - written);
    if (size < 0 && errno == EINTR) continue;
    if (size <= 0) break;
    written += static_cast<std::size_t>(size);
  }
  close(fd);
  return true;
}

bool processAlive(std::uint32_t processId) {
  if (processId == 0 || processId > 0x7fffffffu) return false;
  return kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

std::uint32_t currentProcessId() {
  return static_cast<std::uint32_t>(getpid());
}

}  // namespace scf
