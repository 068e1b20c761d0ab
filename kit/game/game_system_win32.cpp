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
  // Neither the C library's "abnormal termination" box nor the system's crash reporting: the
  // launcher tells the player about the crash itself. The exit code stays abort()'s 3.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  _set_abort_behavior(0, _WRITE_ABORT_MSG | _CALL_REPORTFAULT);
  std::abort();
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
