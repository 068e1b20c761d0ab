#pragma once

#include <string>

namespace scf {

struct LaunchOptions;

// The window's whole life: App, layout, window, frame loop, teardown. Returns the exit code.
int runGuiMode(const LaunchOptions& options, const std::string& releaseFolder);

}  // namespace scf
