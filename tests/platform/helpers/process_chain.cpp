// A chain of processes, each the parent of the next and each but the first in a session of its
// own, so neither the program's group nor its session holds them. Arguments: the number of
// links, and the file that gets their pids, one a line, once the last link has started. Every
// link then waits to be killed.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void appendPid(const std::string& file) {
  int fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) _exit(1);
  std::string line = std::to_string(getpid()) + "\n";
  // One small write to an O_APPEND file is never interleaved with another link's.
  if (write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) _exit(1);
  close(fd);
}

[[noreturn]] void waitForever() {
  for (;;)
    pause();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  long links = std::atol(argv[1]);
  std::string file = argv[2];
  std::string part = file + ".part";
  for (long link = 0; link < links; ++link) {
    if (link > 0 && setsid() < 0) return 1;
    appendPid(part);
    if (link == links - 1) {
      if (std::rename(part.c_str(), file.c_str()) != 0) return 1;
      waitForever();
    }
    pid_t next = fork();
    if (next < 0) return 1;
    if (next > 0) {
      while (waitpid(next, nullptr, 0) < 0 && errno == EINTR) {
      }
      waitForever();
    }
  }
  return 0;
}
