#pragma once

#include <ctime>

namespace scf_demo {

// The few things the game asks of the system that POSIX and Windows do differently.

// Calls handler (from a signal context: it may only set a flag) when the game is asked to
// close from outside: SIGTERM or SIGINT. Windows sends a closing window WM_CLOSE instead,
// which arrives as SDL's quit event; there only Ctrl+C reaches the handler.
void catchTerminate(void (*handler)(int));

// Ends the process the way a crashed game ends: at once, with an abnormal exit status, and
// without leaving a core file or a system error dialog behind.
[[noreturn]] void crashNow();

// The local time of a moment, safely from any thread.
std::tm localTime(std::time_t moment);

// This process's id, for the crash report.
long processId();

}  // namespace scf_demo
