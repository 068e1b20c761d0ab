#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/env.h"
#include "platform/shell.h"

extern char** environ;

namespace scf {

namespace {

// Everything the forked children need is prepared here, because after fork in a threaded process
// only async-signal-safe calls are allowed.
std::vector<std::string> handlerCandidates() {
  std::string path = getEnv("PATH");
  if (path.empty()) path = "/usr/local/bin:/usr/bin:/bin";
  std::vector<std::string> candidates;
  size_t start = 0;
  for (;;) {
    const size_t end = path.find(':', start);
    const size_t length = (end == std::string::npos ? path.size() : end) - start;
    std::string candidate = length == 0 ? std::string(".") : path.substr(start, length);
    candidate += "/xdg-open";
    candidates.push_back(std::move(candidate));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return candidates;
}

[[noreturn]] void runHandler(const std::vector<std::string>& candidates, char* const argv[]) {
  const int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
  }
  // The handler may live long (a file manager): it must not hold the launcher's pipes open.
  if (::close_range(3, ~0U, 0) != 0) {
    for (int fd = 3; fd < 4096; ++fd)
      ::close(fd);
  }
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction defaults {};
  defaults.sa_handler = SIG_DFL;
  ::sigaction(SIGPIPE, &defaults, nullptr);
  for (const std::string& candidate : candidates)
    ::execve(candidate.c_str(), argv, environ);
  ::_exit(127);
}

}  // namespace

void openInShell(const std::string& target) {
  if (target.empty()) return;
  // A relative path that starts with "-" would be read by xdg-open as an option.
  const std::string argument = target.front() == '-' ? "./" + target : target;
  const std::vector<std::string> candidates = handlerCandidates();
  std::string program = "xdg-open";
  std::vector<char*> argv = {program.data(), const_cast<char*>(argument.c_str()), nullptr};

  // Double fork: the short-lived middle child is reaped here at once, and the handler, in its own
  // session, is adopted by init, so it is neither waited for nor left as a zombie.
  const pid_t middle = ::fork();
  if (middle < 0) return;
  if (middle == 0) {
    ::setsid();
    const pid_t handler = ::fork();
    if (handler == 0) runHandler(candidates, argv.data());
    ::_exit(handler < 0 ? 1 : 0);
  }
  while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace scf
