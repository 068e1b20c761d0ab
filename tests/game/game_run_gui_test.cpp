// The real demo game started by Play under an X server (Xvfb in ./test.sh): the launcher's
// window hidden while it runs, shown again after, and its crash report found.

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

#include "app/app.h"
#include "app/frame_loop.h"
#include "app/game_launch.h"
#include "app/window.h"
#include "game/game_contract.h"
#include "game/game_failure.h"
#include "game/game_run.h"
#include "game_release.h"
#include "imgui.h"
#include "platform/utf8_path.h"
#include "release/tr.h"
#include "support/test_support.h"
#include "ui/look_and_feel.h"

namespace scf {
namespace {

namespace fs = std::filesystem;
using testing::GameRelease;
using testing::nativePath;
using testing::playToEnd;
using testing::TempFolder;

bool windowHidden() {
  return (SDL_GetWindowFlags(sdlWindow()) & SDL_WINDOW_HIDDEN) != 0;
}

const char kOldReport[] = "crash-20000101-000000.txt";

// The demo game's test crash ends it through abort: death by SIGABRT on Linux, abort's exit code
// 3 on Windows, which has no signals.
#ifdef _WIN32
constexpr int kCrashExitCode = 3;
#else
constexpr int kCrashExitCode = 128 + SIGABRT;
#endif

// Folder names: plain, and with spaces and letters beyond ASCII.
struct Folders {
  const char* name;
  const char* release;
  const char* user;
};

void PrintTo(const Folders& c, std::ostream* os) {
  *os << c.name;
}

const Folders kFolders[] = {
    {"Plain", "release", "user"},
    {"SpacesAndAccents", "réle ase ü", "us er é"},
};

class DemoGame : public ::testing::TestWithParam<Folders> {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no X display (run under xvfb-run)";
    ASSERT_FALSE(temp.path().empty());
    release = std::make_unique<GameRelease>(app, temp.path(), GetParam().release, GetParam().user);
    release->env().set("LIBGL_ALWAYS_SOFTWARE", "1");
    release->env().set(envTestCrash, "");
    std::error_code error;
    ASSERT_TRUE(fs::copy_file(SCF_DEMO_GAME, utf8Path(app.layout.gameExe), error))
        << error.message();
    release->report(kOldReport);

    std::string problem;
    ASSERT_TRUE(openWindow("SCF Launcher", 1120, 760, 1.0f, problem)) << problem;
    ImGui::StyleColorsDark();
    applyLookAndFeel();
    opened = true;
  }
  void TearDown() override {
    if (app.game.gameRunning) app.game.process.kill();
    if (opened) closeWindow();
  }

  // Waits until the game has its window up (its log names the renderer) or has ended.
  bool gameWindowUp() {
    const std::string log = app.layout.userLogsDir + "/scf.log";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline && app.game.process.running()) {
      if (testing::readFile(log).find("renderer:") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  TempFolder temp;
  App app;
  std::unique_ptr<GameRelease> release;
  bool opened = false;
};

TEST_P(DemoGame, ClosedNormallyShowsNothing) {
  launchGame(app);
  ASSERT_TRUE(app.game.gameRunning) << app.game.startError;
  EXPECT_TRUE(app.game.windowHiddenForGame);
  EXPECT_TRUE(windowHidden());
  ASSERT_TRUE(gameWindowUp());
  finishGame(app);
  EXPECT_TRUE(app.game.gameRunning);
  EXPECT_TRUE(windowHidden());

  app.game.process.askToClose();
  ASSERT_TRUE(playToEnd(app, gameCloseTimeoutSeconds));
  EXPECT_EQ(app.game.gameExitCode, 0);
  EXPECT_EQ(app.game.crashReport, "");
  EXPECT_FALSE(app.game.closedUnexpectedly);
  EXPECT_FALSE(gameFailureShown(app.game));
  EXPECT_FALSE(app.game.windowHiddenForGame);
  EXPECT_FALSE(windowHidden());
}

// Through the frame loop: nothing is drawn while the game runs, and the turn that sees its
// end shows the window and draws (the pending screenshot is taken on that turn).
TEST_P(DemoGame, CrashShowsTheNewReportThroughTheFrameLoop) {
  release->env().set(envTestCrash, "1");
  const std::string shot = temp / "after game.png";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int turn = 0;
  int endTurn = -1;
  bool drawnWhileHidden = false;
  bool shotTakenAtEnd = false;
  runFrameLoop(app, [&](App& a) {
    ++turn;
    if (turn == 1) {
      launchGame(a);
      if (!a.game.gameRunning) a.quitConfirmed = true;
      a.screenshotRequest = shot;
      return;
    }
    if (a.game.gameRunning) {
      if (a.screenshotRequest.empty()) drawnWhileHidden = true;
      a.screenshotRequest = shot;
    } else if (endTurn < 0) {
      endTurn = turn;
    } else {
      shotTakenAtEnd = a.screenshotRequest.empty() && fs::exists(shot);
      a.quitConfirmed = true;
    }
    if (std::chrono::steady_clock::now() > deadline) a.quitConfirmed = true;
  });
  ASSERT_EQ(app.game.startError, "");
  ASSERT_GT(endTurn, 0) << "the game did not end in time";
  EXPECT_FALSE(drawnWhileHidden);
  EXPECT_TRUE(shotTakenAtEnd);
  EXPECT_FALSE(windowHidden());

  EXPECT_EQ(app.game.gameExitCode, kCrashExitCode);
  const fs::path report = utf8Path(app.game.crashReport);
  EXPECT_EQ(nativePath(utf8String(report.parent_path())), nativePath(app.layout.crashesDir));
  EXPECT_EQ(report.extension(), ".txt");
  EXPECT_NE(report.filename(), kOldReport);
  EXPECT_TRUE(fs::is_regular_file(report));
  EXPECT_FALSE(app.game.closedUnexpectedly);
  uiFrench = false;
  EXPECT_EQ(gameFailureTitle(app.game), "The game closed unexpectedly.");
  EXPECT_EQ(gameFailureDetail(app.game), app.game.crashReport);
}

INSTANTIATE_TEST_SUITE_P(Folders, DemoGame, ::testing::ValuesIn(kFolders),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scf
