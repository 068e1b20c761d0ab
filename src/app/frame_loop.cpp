#include "app/frame_loop.h"

#include "app/app.h"
#include "app/clock.h"
#include "app/window.h"
#include "enhance/enhance_run.h"
#include "game/game_run.h"
#include "prepare/build_run.h"
#include "prepare/disc_check.h"
#include "ui/background.h"
#include "ui/main_window.h"
#include "update/update_check.h"
#include "update/update_install.h"

namespace scf {
namespace {

// A quit request from the window: during a build the user decides in the quit dialog.
// Returns true when the loop should end.
bool handleQuitRequest(App& app) {
  if (app.build.building) {
    app.quitAsked = true;
    return false;
  }
  // A half-installed release helps nobody: the installer finishes first.
  return app.updateInstall.installState != kInstallInstalling;
}

// --update-now: starts the install once the check has found a newer release.
void updateNowIfAvailable(App& app) {
  if (!app.updateNow || app.updateInstall.installState != kInstallIdle) return;
  const UpdateCheckView check = app.updateCheck.view();
  if (check.state != kUpdateAvailable) return;
  app.startUpdate(check.releaseTag, check.latestVersion);
  app.updateNow = false;
}

// The tasks' steps of one turn, in their fixed order.
void advanceTasks(App& app) {
  DiscCheck::poll(app);
  if (app.build.building) BuildRun::finish(app);
  UpdateInstall::poll(app);
  EnhanceRun::poll(app);
  updateNowIfAvailable(app);
  if (app.game.gameRunning) GameRun::finish(app);
}

}  // namespace

void runFrameLoop(App& app, const TickFn& tick) {
  const double t0 = nowSeconds();
  for (;;) {
    if (app.quitConfirmed) {
      if (app.build.building) BuildRun::stop(app);
      // Ending the installer midway would leave a half-installed release: it finishes first.
      if (app.updateInstall.installState != kInstallInstalling) break;
    }
    if (pollEvents() && handleQuitRequest(app)) break;
    app.animTime = nowSeconds() - t0;
    advanceTasks(app);
    if (tick) tick(app);

    // Nothing is drawn while the game has the screen, or while the window cannot be seen
    // (a screenshot still gets its frame); such a turn waits up to 100 ms for events instead.
    if (app.game.windowHiddenForGame || (windowIdle() && app.screenshotRequest.empty())) {
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
