#include "app/launch_options.h"

#include <cstdlib>
#include <string_view>

namespace scf {
namespace {

struct StringOption {
  std::string_view name;
  std::string LaunchOptions::*field;
};

struct FlagOption {
  std::string_view name;
  bool LaunchOptions::*field;
};

constexpr StringOption kStringOptions[] = {
    {"--release", &LaunchOptions::releaseFolder},
    {"--selftest", &LaunchOptions::selftestDisc},
    {"--shots", &LaunchOptions::shotsFolder},
    {"--wrong", &LaunchOptions::wrongDisc},
    {"--update-url", &LaunchOptions::updateUrl},
    {"--download-prefix", &LaunchOptions::downloadPrefix},
    {"--self-check", &LaunchOptions::selfCheckFile},
    {"--report", &LaunchOptions::reportFile},
};

constexpr FlagOption kFlagOptions[] = {
    {"--error-demo", &LaunchOptions::errorDemo}, {"--cancel", &LaunchOptions::cancel},
    {"--screens", &LaunchOptions::screens},      {"--enhance", &LaunchOptions::enhance},
    {"--update-now", &LaunchOptions::updateNow}, {"--version", &LaunchOptions::version},
    {"--gamepad", &LaunchOptions::gamepad},      {"--keyboard", &LaunchOptions::keyboard},
};

}  // namespace

LaunchOptions parseLaunchOptions(const std::vector<std::string>& args) {
  LaunchOptions options;
  options.launchArgs = args;
  const size_t count = args.size();
  // The value of an option that ends the list is empty (and reads as 0).
  auto valueAt = [&](size_t& i) -> std::string {
    ++i;
    return i < count ? args[i] : std::string();
  };
  for (size_t i = 0; i < count; ++i) {
    const std::string& arg = args[i];
    bool matched = false;
    for (const auto& option : kStringOptions) {
      if (arg == option.name) {
        options.*option.field = valueAt(i);
        matched = true;
        break;
      }
    }
    if (matched) continue;
    for (const auto& option : kFlagOptions) {
      if (arg == option.name) {
        options.*option.field = true;
        matched = true;
        break;
      }
    }
    if (matched) continue;
    if (arg == "--play-seconds") {
      options.playSeconds = std::atof(valueAt(i).c_str());
    } else if (arg == "--crash-seconds") {
      options.crashSeconds = std::atof(valueAt(i).c_str());
    } else if (arg == "--ui-scale") {
      options.uiScale = static_cast<float>(std::atof(valueAt(i).c_str()));
    }
  }
  return options;
}

}  // namespace scf
