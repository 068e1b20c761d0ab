#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_read.h"

namespace scf {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

std::optional<std::string> readSmallFile(const std::string& path, size_t limit) {
  if (path.empty()) return std::nullopt;
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
  const Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > limit) {
    return std::nullopt;
  }
  // The file may grow while it is read: read one byte past the limit to see it.
  std::string text(static_cast<size_t>(info.st_size) + 1, '\0');
  size_t filled = 0;
  for (;;) {
    if (filled == text.size()) {
      if (text.size() > limit) return std::nullopt;
      text.resize(text.size() < limit / 2 ? text.size() * 2 + 1 : limit + 1);
    }
    const ssize_t count = ::read(file.get(), text.data() + filled, text.size() - filled);
    if (count < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (count == 0) break;
    filled += static_cast<size_t>(count);
  }
  text.resize(filled);
  return text;
}

}  // namespace scf
