#pragma once

#include <string>

namespace scf {

struct LaunchOptions;

// The two lines every text-mode run starts with.
std::string versionLines();

// Text mode: version lines (and the release self-check), to standard output or the report file.
// Returns the exit code.
int runTextMode(const LaunchOptions& options, const std::string& releaseFolder);

}  // namespace scf
