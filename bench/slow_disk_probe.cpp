// The launcher's GUI mode (the same code as scf-launcher, with a tick of its own) walked through
// its screens: the welcome screen, a disc check, the Play tab before and after a build, the
// preparing screen during the build, Settings, Maintenance and the stopped screen. It prints the
// time of every turn and one line per screen with the span of time it was shown (CLOCK_MONOTONIC,
// the clock of the file shim's lines), so that bench/slow_disk can take the shim's waits out of
// each turn and find the longest frame of each screen. The window is made small so that software
// OpenGL's drawing does not hide what the disk costs.
//
// usage: bench_slow_disk_probe --release <release folder> <disc image> [launcher options]
#include <SDL3/SDL.h>
#include <time.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/build_actions.h"
#include "app/disc_actions.h"
#include "app/gui_mode.h"
#include "app/launch_options.h"
#include "app/window.h"
#include "platform/exe_path.h"
#include "prepare/build_run.h"
#include "prepare/disc_check.h"

namespace {

double monotonic() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// One screen of the walk: entered once, then shown until done says so (or for a while).
struct Phase {
  const char* name;
  std::function<void(scf::App&)> enter;
  std::function<bool(const scf::App&)> done;
};

constexpr double kShownSeconds = 1.5;
constexpr double kLongestPhaseSeconds = 60.0;

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_slow_disk_probe --release <folder> <disc> [options]\n");
    return 2;
  }
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string disc;
  for (auto at = args.begin(); at != args.end(); ++at) {
    if (*at == "--release" && at + 1 != args.end()) {
      ++at;
    } else if (!at->starts_with("--")) {
      disc = *at;
      args.erase(at);
      break;
    }
  }
  const scf::LaunchOptions options = scf::parseLaunchOptions(args);
  const std::string release =
      options.releaseFolder.empty() ? scf::exeFolder() : options.releaseFolder;
  // A screen without its own end is shown for kShownSeconds.
  const std::function<bool(const scf::App&)> shown;
  const std::vector<Phase> phases = {
      {"welcome", [](scf::App&) {}, shown},
      {"disc check", [&](scf::App& app) { scf::startDiscCheck(app, disc); },
       [](const scf::App& app) { return !app.discCheck.discChecking; }},
      {"play, not built", [](scf::App&) {}, shown},
      {"preparing", [](scf::App& app) { scf::startBuild(app); },
       [](const scf::App& app) { return !app.build.building; }},
      {"play, ready", [](scf::App&) {}, shown},
      {"settings", [](scf::App& app) { app.currentTab = scf::kTabSettings; }, shown},
      {"maintenance", [](scf::App& app) { app.currentTab = scf::kTabMaintenance; }, shown},
      {"stopped",
       [](scf::App& app) {
         app.currentTab = scf::kTabPlay;
         scf::startBuild(app);
         scf::stopBuild(app);
       },
       shown},
  };
  std::size_t phase = 0;
  double phaseStart = 0;
  bool entered = false;
  int turns = 0;
  return scf::runGuiMode(options, release, [&](scf::App& app) {
    // The first turns settle the window; then it is made small.
    if (++turns == 2) {
      SDL_SetWindowMinimumSize(scf::sdlWindow(), 0, 0);
      SDL_SetWindowSize(scf::sdlWindow(), 480, 320);
    }
    const double now = monotonic();
    std::printf("turn %.6f\n", now);
    if (turns < 10) return;
    if (!entered) {
      phases[phase].enter(app);
      phaseStart = now;
      entered = true;
      return;
    }
    const double shownFor = now - phaseStart;
    const Phase& current = phases[phase];
    const bool over =
        current.done ? current.done(app) && shownFor >= 0.5 : shownFor >= kShownSeconds;
    if (!over && shownFor < kLongestPhaseSeconds) return;
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(scf::sdlWindow(), &width, &height);
    std::printf("phase %.6f %.6f %dx%d %s\n", phaseStart, now, width, height, phases[phase].name);
    std::fflush(stdout);
    entered = false;
    if (++phase == phases.size()) app.quitConfirmed = true;
  });
}
