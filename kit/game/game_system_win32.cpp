#include <windows.h>

#include <csignal>
#include <cstdlib>

#include "game_system.h"

namespace scf_demo {

void catchTerminate(void (*handler)(int)) {
  std::signal(SIGTERM, handler);
  std::signal(SIGINT, handler);
}

void crashNow() {
  // abort()'s exit code, without the C library's "abnormal termination" message or the
  // system's crash reporting: the launcher tells the player about the crash itself.
  TerminateProcess(GetCurrentProcess(), 3);
  std::abort();  // not reached
}

std::tm localTime(std::time_t moment) {
  std::tm local{};
  localtime_s(&local, &moment);
  return local;
}

long processId() {
  return long(GetCurrentProcessId());
}

}  // namespace scf_demo
