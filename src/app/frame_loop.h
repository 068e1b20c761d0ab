#pragma once

#include <functional>

namespace scf {

struct App;

// Called once per turn at the self-test's place in the turn order.
using TickFn = std::function<void(App&)>;

// Runs the GUI mode's main loop until the user or a script quits.
void runFrameLoop(App& app, const TickFn& tick = {});

}  // namespace scf
