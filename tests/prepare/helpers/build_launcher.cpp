// Stands in for the launcher during a build: resolves the release given as its argument, starts
// the build the way "Prepare the game" does, and drives it each turn until it ends or the test
// kills this process. Exit code: 0 when the build succeeded, 1 otherwise, 2 for bad arguments.
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/app.h"
#include "app/build_actions.h"
#include "app/resolve_layout.h"
#include "prepare/build_run.h"
#include "release/release_layout.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  scf::App app;
  scf::resolveLayout(app, argv[1]);
  scf::startBuild(app);
  if (!app.build.building) {
    std::fprintf(stderr, "%s\n", app.progress.failureText.c_str());
    return 1;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (app.build.building && std::chrono::steady_clock::now() < deadline) {
    scf::finishBuild(app);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return app.settings.built ? 0 : 1;
}
