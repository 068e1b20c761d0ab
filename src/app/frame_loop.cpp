#include "app/frame_loop.h"

#include "app/app.h"
#include "app/build_actions.h"
#include "app/disc_actions.h"
#include "app/file_facts.h"
#include "app/game_launch.h"
#include "app/task_table.h"
#include "app/update_now.h"
#include "app/update_start.h"
#include "app/window.h"
#include "enhance/enhance_run.h"
#include "game/game_run.h"
#include "platform/clock.h"
#include "prepare/build_run.h"
#include "prepare/disc_check.h"
#include "prepare/disc_list.h"
#include "ui/main_window.h"
#include "ui/widgets/background.h"
#include "update/update_check.h"
#include "update/update_install.h"

namespace scf {
namespace {

// How long a turn that changed nothing on screen waits for an event before it looks again (at
// timers such as "Copied" going back, and at workers that did not wake it).
constexpr double kIdleWaitSeconds = 0.25;
// The background's frame rate while the window does not have the focus, and the most of one
// processor it may use then: where frames are dear, the rate drops below 15.
constexpr int kUnfocusedFrameRate = 15;
constexpr double kUnfocusedBusyShare = 0.1;
// How long the launcher lets its last settings reach the disk when the session ends.
constexpr double kExitFlushSeconds = 1.0;

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

bool anyTaskRunning(const App& app) {
  for (int task = 0; task < kTaskCount; ++task) {
    if (taskRunning(app, static_cast<Task>(task))) return true;
  }
  return false;
}

// The file facts follow the disc setting, and are looked at again as soon as a task ends.
void followFileFacts(App& app, bool& wasRunning) {
  app.filesWatcher.watch(fileFactsQuery(app));
  const bool running = anyTaskRunning(app);
  if (wasRunning && !running) app.filesWatcher.refresh();
  wasRunning = running;
  FileFacts facts;
  if (app.filesWatcher.takeNew(facts)) takeFileFacts(app, facts);
}

// The tasks' steps of one turn, in their fixed order.
void advanceTasks(App& app) {
  pollDiscCheck(app);
  app.discList.poll();
  if (app.build.building) finishBuild(app);
  pollUpdate(app);
  app.enhance.poll(app.layout);
  followUpdateNow(app);
  if (app.game.gameRunning) finishGame(app);
  expireRefusal(app);
}

// The system ends the session: a running build is stopped (its time banked) without asking
// anyone, and what is to be saved is saved.
void endSession(App& app) {
  if (app.build.building) stopBuild(app);
  if (app.discCheck.discChecking) app.discCheck.cancel();
  app.settingsWriter.flush(kExitFlushSeconds);
}

}  // namespace

void runFrameLoop(App& app, const TickFn& tick) {
  const double t0 = nowSeconds();
  // The first facts are looked at here, before the first frame; later ones on the worker.
  lookAtFilesNow(app);
  app.settingsWriter.start();
  bool wasRunning = anyTaskRunning(app);
  bool lastPresented = true;
  for (;;) {
    if (app.quitConfirmed) {
      if (app.build.building) stopBuild(app);
      // Ending the installer midway would leave a half-installed release: it finishes first.
      if (app.updateInstall.installState != kInstallInstalling) break;
    }
    const WindowEvents events = pollEvents();
    if (events.sessionEnd) {
      endSession(app);
      break;
    }
    if (events.closeRequested && handleQuitRequest(app)) break;
    if (events.lastInput != InputKind::none) app.lastInput = events.lastInput;
    app.animTime = nowSeconds() - t0;
    advanceTasks(app);
    followFileFacts(app, wasRunning);
    if (tick) tick(app);

    // Nothing is drawn while the game has the screen, or while the window cannot be seen
    // (a screenshot still gets its frame); such a turn waits up to 100 ms for events instead.
    if (app.game.windowHiddenForGame || (windowIdle() && app.screenshotRequest.empty())) {
      waitForEvents(0.1);
      continue;
    }
    // A frame that would look like the one on screen is not presented, and the loop then sleeps
    // until an event or a short timer; the moving background keeps its rate only while the
    // window has the focus.
    // The self-test's turns are its steps: they keep the focused pace whatever the focus.
    if (windowFocused() || app.everyTurnDraws) {
      setFrameRateLimit(60);
    } else {
      setFrameRateLimit(kUnfocusedFrameRate, kUnfocusedBusyShare);
    }
    beginFrame();
    drawBackground(app.animTime, app.settings.motion);
    drawMainWindow(app);
    const bool presented = endFrame(app.screenshotRequest, !events.any && !app.everyTurnDraws);
    app.screenshotRequest.clear();
    // After a presented frame the next turn comes at once: the GUI may need one more frame to
    // settle (a hover, a popup opening). Only a frame that changed nothing lets the loop sleep.
    if (!presented && !lastPresented) {
      waitForEvents(anyTaskRunning(app) ? 1.0 / 60.0 : kIdleWaitSeconds);
    }
    lastPresented = presented;
  }
  app.settingsWriter.flush(kExitFlushSeconds);
}

}  // namespace scf
