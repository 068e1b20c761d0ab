#pragma once

#include <string>
#include <vector>

namespace scf {

// The parsed command line.
struct LaunchOptions {
  std::string releaseFolder;
  std::string selftestDisc;
  std::string shotsFolder;
  std::string wrongDisc;
  bool errorDemo = false;
  bool cancel = false;
  double playSeconds = 40.0;
  double crashSeconds = 0.0;
  bool screens = false;
  bool enhance = false;
  // Self-test: the full scenario driven by a virtual gamepad's buttons or by keys only.
  bool gamepad = false;
  bool keyboard = false;
  float uiScale = 0.0f;
  std::string updateUrl;
  std::string downloadPrefix;
  bool updateNow = false;
  std::string selfCheckFile;
  std::string reportFile;
  bool version = false;
  std::vector<std::string> launchArgs;

  // Text mode prints version lines (and runs the self-check); otherwise the window opens.
  bool textMode() const { return version || !selfCheckFile.empty(); }
};

// One left-to-right pass over the arguments after the program name. Value options take the
// next argument whatever it looks like; unknown arguments are ignored.
LaunchOptions parseLaunchOptions(const std::vector<std::string>& args);

}  // namespace scf
