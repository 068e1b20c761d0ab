#pragma once

#include <string>

#include "app/frame_loop.h"

namespace scf {

struct LaunchOptions;

// The window's whole life: App, layout, window, frame loop, teardown. The tick, when given, runs
// once per turn at the scripted driver's place. Returns the exit code.
int runGuiMode(const LaunchOptions& options, const std::string& releaseFolder,
               const TickFn& tick = {});

}  // namespace scf
