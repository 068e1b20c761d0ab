// The welcome, Play tab, preparing and stopped screens through the real window host under an X
// server; the screenshots stay in the build folder's artifacts/ui/ for a person to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "app/app.h"
#include "app/clock.h"
#include "app/frame_loop.h"
#include "app/window.h"
#include "imgui.h"
#include "png_picture.h"
#include "support/test_support.h"
#include "ui/look_and_feel.h"
#include "ui/palette.h"
#include "ui/tr.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

class PlayScreens : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no X display";
    uiFrench = false;
    fs::create_directories(folder());
    std::string error;
    ASSERT_TRUE(openWindow("SCF Launcher", 1120, 760, 1.0f, error)) << error;
    ImGui::StyleColorsDark();
    applyLookAndFeel();
    opened_ = true;

    ReleaseLayout& layout = app.layout;
    layout.releaseDir = dir.path();
    layout.launcherIni = dir / "user/launcher.ini";
    layout.userLogsDir = dir / "user/logs";
    layout.crashesDir = dir / "user/crashes";
    layout.buildDir = dir / "build";
    layout.buildLogsDir = dir / "build/logs";
    layout.gameDir = dir / "game";
    layout.gameExe = dir / "game/scf.exe";
    layout.bootFile = dir / "game/boot.elf";
    app.settings.disc = dir / "discs/Scrapfury (USA).iso";
    testing::writeFile(app.settings.disc, "disc");
    app.identity.displayVersion = "0.8.0";
  }
  void TearDown() override {
    uiFrench = false;
    if (opened_) closeWindow();
  }

  static fs::path folder() { return fs::path(SCF_BINARY_DIR) / "artifacts" / "ui"; }

  void buildGame() {
    testing::writeFile(app.layout.gameExe, "game");
    testing::writeFile(app.layout.bootFile, "boot");
  }

  // Runs a few turns of the real frame loop and saves the third frame as name.png; checks that
  // the picture has the window's pixel size, is not blank and shows the screen's own colour
  // (a text or mark that only this screen draws in it).
  void shoot(const char* name, std::uint32_t screenColour) {
    const fs::path path = folder() / (std::string(name) + ".png");
    fs::remove(path);
    app.quitConfirmed = false;
    int turn = 0;
    runFrameLoop(app, [&](App& a) {
      ++turn;
      if (turn == 3) a.screenshotRequest = path.string();
      if (turn > 4) a.quitConfirmed = true;
    });
    const Picture picture = readPicture(path);
    EXPECT_EQ(picture.width, static_cast<std::uint32_t>(windowPixelWidth())) << name;
    EXPECT_EQ(picture.height, static_cast<std::uint32_t>(windowPixelHeight())) << name;
    ASSERT_EQ(picture.rgb.size(), std::size_t{picture.width} * picture.height * 3) << name;
    EXPECT_GT(distinctColours(picture), 200u) << name << " looks blank";
    EXPECT_GT(pixelsNear(picture, screenColour, 16), 40u) << name << " lacks its own colour";
  }

  testing::TempFolder dir;
  App app;
  bool opened_ = false;
};

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
