#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/last_error.h"
#include "platform/shell.h"

extern char** environ;

namespace scf {

namespace {

// How long the middle child waits for xdg-open's answer, and how often it looks.
constexpr int answerWaitMs = 5000;
constexpr int answerPollMs = 20;
// The middle child's own codes: no xdg-open could be run (the code a shell gives a command it
// cannot find), and xdg-open ended by a signal or could not be waited for.
constexpr int handlerNotStarted = 127;
constexpr int handlerFailed = 126;

// Everything the forked children need is prepared here, because after fork in a threaded process
// only async-signal-safe calls are allowed.
std::vector<std::string> handlerCandidates(std::string path) {
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

// A child that may live on (the middle one for a while, the handler for long) must not hold
// the launcher's pipes open.
void closeInheritedDescriptors() {
  if (::close_range(3, ~0U, 0) != 0) {
    for (int fd = 3; fd < 4096; ++fd)
      ::close(fd);
  }
}

[[noreturn]] void runHandler(const std::vector<std::string>& candidates, char* const argv[]) {
  const int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
  }
  closeInheritedDescriptors();
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction defaults {};
  defaults.sa_handler = SIG_DFL;
  ::sigaction(SIGPIPE, &defaults, nullptr);
  for (const std::string& candidate : candidates)
    ::execve(candidate.c_str(), argv, environ);
  ::_exit(handlerNotStarted);
}

}  // namespace

std::optional<std::string> openWithDesktop(const std::string& target,
                                           const std::string& searchPath) {
  // A relative path that starts with "-" would be read by xdg-open as an option.
  const std::string argument = target.front() == '-' ? "./" + target : target;
  const std::vector<std::string> candidates = handlerCandidates(searchPath);
  std::string program = "xdg-open";
  std::vector<char*> argv = {program.data(), const_cast<char*>(argument.c_str()), nullptr};

  // Double fork: the handler, in its own session, is never the launcher's child, and is
  // adopted by init once the middle child ends. The middle waits a short while for xdg-open's
  // answer (it exits once the desktop has taken the target) and passes it on as its own code;
  // an xdg-open still running then has the target, and is left to finish on its own.
  const pid_t middle = ::fork();
  if (middle < 0) return lastErrorText();
  if (middle == 0) {
    closeInheritedDescriptors();
    ::setsid();
    const pid_t handler = ::fork();
    if (handler < 0) ::_exit(handlerNotStarted);
    if (handler == 0) runHandler(candidates, argv.data());
    for (int turn = 0; turn < answerWaitMs / answerPollMs; ++turn) {
      int status = 0;
      const pid_t ended = ::waitpid(handler, &status, WNOHANG);
      if (ended == handler) ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : handlerFailed);
      if (ended < 0 && errno != EINTR) ::_exit(handlerFailed);
      ::poll(nullptr, 0, answerPollMs);
    }
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : handlerFailed;
  if (code == 0) return std::nullopt;
  if (code == handlerNotStarted) return std::string("xdg-open could not be started");
  if (code == handlerFailed) return std::string("xdg-open failed");
  return "xdg-open ended with code " + std::to_string(code);
}

}  // namespace scf
