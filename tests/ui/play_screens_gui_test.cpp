// The welcome, Play tab, preparing and stopped screens through the real window host under an X
// server; the screenshots stay in the build folder's artifacts/ui/ for a person to look at.
#include "platform/clock.h"
#include "ui/palette.h"
#include "window_screens.h"

namespace scf {
namespace {

class PlayScreens : public WindowScreens {};

TEST_F(PlayScreens, WelcomeWithARefusedDisc) {
  app.screen = kScreenWelcome;
  app.discCheck.checkedImage = dir / "discs/Scrapfury (Europe).iso";
  app.discCheck.discVerdict =
      "This is the European disc. Only the USA disc (SXUS-90210) is supported.";
  app.discCheck.discDetail = "this is the European release (SXES-90211)";
  shoot("welcome-refused-disc", colBad);
}

TEST_F(PlayScreens, PreparingMidBuild) {
  app.screen = kScreenPreparing;
  const double now = nowSeconds();
  BuildProgress& progress = app.progress;
  progress.reset(now - 200.0);
  for (const char* line :
       {"PROGRESS verify", "DONE verify in 0.6", "SKIP extract", "PROGRESS configure",
        "DONE configure in 74.2", "PROGRESS tools", "DONE tools in 9.8", "PROGRESS recompile",
        "DONE recompile in 3", "PROGRESS packs", "PERCENT packs 40"}) {
    progress.feed(line, now - 60.0);
  }
  shoot("preparing-mid-build", colGood);  // the done stages' ticks
}

TEST_F(PlayScreens, PlayTabReadyWithItsStatusLine) {
  app.screen = kScreenMain;
  buildGame();
  app.build.statusText = "The game is ready. Prepared in 12:34.";
  app.build.statusColour = colGood;
  shoot("play-ready", colGood);
}

TEST_F(PlayScreens, PlayTabAfterAStop) {
  app.screen = kScreenMain;
  buildGame();
  app.settings.buildPending = true;
  app.build.statusText = "Stopped. Preparing continues from there next time.";
  app.build.statusColour = colWarn;
  shoot("play-continue", colWarn);
}

TEST_F(PlayScreens, StoppedScreen) {
  app.screen = kScreenStopped;
  app.settings.buildPending = true;
  app.progress.reset(nowSeconds());
  app.progress.failedStage = "compile";
  app.progress.failureText = "cc1plus: fatal error: Killed signal terminated program";
  shoot("stopped", colBad);
}

TEST_F(PlayScreens, GameFailureCard) {
  app.screen = kScreenMain;
  buildGame();
  app.game.crashReport = dir / "user/crashes/crash-2024-05-01.txt";
  app.game.gameExitCode = 3;
  shoot("game-crashed", colBad);
  app.game.crashReport.clear();
  app.game.closedUnexpectedly = true;
  uiFrench = true;
  shoot("game-closed-fr", colBad);
}

}  // namespace
}  // namespace scf
