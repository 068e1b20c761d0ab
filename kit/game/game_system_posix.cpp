#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>

#include "game_system.h"

namespace scf_demo {

// Installed before SDL starts, so SDL keeps it rather than putting its own in place.
void catchTerminate(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

void crashNow() {
  struct rlimit none {};
  setrlimit(RLIMIT_CORE, &none);
  std::abort();
}

std::tm localTime(std::time_t moment) {
  std::tm local{};
  localtime_r(&moment, &local);
  return local;
}

long processId() {
  return long(getpid());
}

}  // namespace scf_demo
