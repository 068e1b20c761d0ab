#include "app/frame_loop.h"

#include "app/app.h"
#include "app/clock.h"
#include "app/window.h"
#include "game/game_run.h"
#include "prepare/build_run.h"
#include "prepare/disc_check.h"
#include "ui/background.h"
#include "ui/main_window.h"

namespace scf {
namespace {

// A quit request from the window: during a build the user decides in the quit dialog.
// Returns true when the loop should end.
bool handleQuitRequest(App& app) {
  if (app.build.building) {
    app.quitAsked = true;
    return false;
  }
  return true;
}

// The tasks' steps of one turn, in their fixed order.
void advanceTasks(App& app) {
  DiscCheck::poll(app);
  if (app.build.building) BuildRun::finish(app);
  if (app.game.gameRunning) GameRun::finish(app);
}

}  // namespace

void runFrameLoop(App& app, const TickFn& tick) {
  const double t0 = nowSeconds();
  for (;;) {
    if (app.quitConfirmed) {
      if (app.build.building) BuildRun::stop(app);
      break;
    }
    if (pollEvents() && handleQuitRequest(app)) break;
    app.animTime = nowSeconds() - t0;
    advanceTasks(app);
    if (tick) tick(app);

    if (app.game.windowHiddenForGame) {
      waitForEvents(0.1);
      continue;
    }
    beginFrame();
    drawBackground(app.animTime, app.settings.motion);
    drawMainWindow(app);
    endFrame(app.screenshotRequest);
    app.screenshotRequest.clear();
  }
}

}  // namespace scf
