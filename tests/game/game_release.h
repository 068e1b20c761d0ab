#pragma once

// A release folder with a built game for the game-run tests: the boot file and disc beside a
// game executable that is either the stand-in game (stand_in_game.h) or a copy of the demo game.

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "app/app.h"
#include "app/game_launch.h"
#include "app/resolve_layout.h"
#include "game/game_run.h"
#include "platform/utf8_path.h"
#include "release/release_layout.h"
#include "support/test_support.h"

namespace scf::testing {

class GameRelease {
 public:
  // Lays the release and user folders out under root (their names may hold spaces and
  // non-ASCII letters) and resolves app's layout from them.
  GameRelease(App& app, const std::string& root, const std::string& releaseName = "release",
              const std::string& userName = "user")
      : app_(app) {
    env_.set("ZA2D_USER_DIR", root + "/" + userName);
    env_.set("ZA2D_NO_DIALOGS", "1");
    std::filesystem::create_directories(utf8Path(root + "/" + releaseName + "/game"));
    resolveLayout(app, root + "/" + releaseName);
    writeFile(app.layout.bootFile, "boot");
    writeFile(app.layout.discIso, "disc");
  }

  // A crash report already in the crash folder.
  void report(const std::string& name, const std::string& text = "report") const {
    writeFile(app_.layout.crashesDir + "/" + name, text);
  }

  EnvGuard& env() { return env_; }

 private:
  App& app_;
  EnvGuard env_;
};

// Calls GameRun::finish every 10 ms, as the frame loop does, until the game has been seen to
// end or the time is up; true when it ended.
inline bool playToEnd(App& app, double seconds = 30) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (app.game.gameRunning && std::chrono::steady_clock::now() < deadline) {
    finishGame(app);
    if (app.game.gameRunning) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !app.game.gameRunning;
}

}  // namespace scf::testing
