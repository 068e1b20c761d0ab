#pragma once

namespace scf {

// Lets a worker thread wake the frame loop when it has published something for the screen.
// The window host installs the waker; until then, and after it is removed, waking does nothing.
void setUiWaker(void (*waker)());
// Safe from any thread.
void wakeUi();

}  // namespace scf
