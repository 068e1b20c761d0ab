#pragma once

namespace scf {

struct App;

// At start, before anything else: an update that was cut short is finished or undone by the
// release's installer while the window shows a sentence. True when it ran (the release may
// have changed: its layout is then read again). Its failure is kept for the Play tab.
bool recoverInterruptedUpdate(App& app);

}  // namespace scf
