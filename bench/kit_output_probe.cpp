// The launcher's GUI mode (the same code as scf-launcher, with a tick of its own) running one
// build of the game: it starts the kit's build on its first turn and, once the build has ended,
// prints how many lines the kit printed, how the build ended and the process's peak resident
// memory (VmHWM), then quits. bench/kit_output_memory runs it against kits printing more or
// fewer lines.
//
// usage: bench_kit_output_probe --release <release folder> [launcher options]
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/build_actions.h"
#include "app/gui_mode.h"
#include "app/launch_options.h"
#include "platform/exe_path.h"
#include "prepare/build_run.h"

namespace {

// The process's peak resident memory in KiB, or -1.
long peakResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const scf::LaunchOptions options = scf::parseLaunchOptions(args);
  const std::string release =
      options.releaseFolder.empty() ? scf::exeFolder() : options.releaseFolder;
  bool started = false;
  return scf::runGuiMode(options, release, [&](scf::App& app) {
    if (!started) {
      started = true;
      scf::startBuild(app);
      if (!app.build.building) {
        std::printf("result the build did not start: %s\n", app.progress.failureText.c_str());
        app.quitConfirmed = true;
      }
      return;
    }
    if (app.build.building || app.quitConfirmed) return;
    std::printf("kit-lines %llu\n", static_cast<unsigned long long>(app.progress.outputLineCount));
    std::printf("result %s\n", app.screen == scf::kScreenMain && app.settings.built
                                   ? "ready"
                                   : app.progress.failureText.c_str());
    std::printf("peak-kib %ld\n", peakResidentKiB());
    std::fflush(stdout);
    app.quitConfirmed = true;
  });
}
