// The self-test's longer steps: the disc checks, the build, and the game's play and crash runs.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <string>

#include "app/app.h"
#include "app/build_actions.h"
#include "app/disc_actions.h"
#include "app/game_launch.h"
#include "game/game_contract.h"
#include "harness/log_line.h"
#include "harness/selftest.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/utf8_path.h"
#include "release/rebuild_check.h"
#include "release/tr.h"

namespace scf {

namespace {

namespace fs = std::filesystem;

std::string verdictOrOk(const App& app) {
  return app.discCheck.discVerdict.empty() ? "ok" : app.discCheck.discVerdict;
}

// A stage's line in the build summary: its key, then "skipped" or its seconds.
std::string stageSummary(const Stage& stage) {
  return stage.key + " " +
         (stage.state == kStageSkipped ? "skipped" : fixedSix(stage.seconds) + " s");
}

// The crash delay handed to the game: whole seconds.
std::string wholeSeconds(double seconds) {
  char text[400];
  std::snprintf(text, sizeof text, "%.0f", std::trunc(seconds));
  return text;
}

}  // namespace

Selftest::Step Selftest::discCheckStep() {
  return {"check the disc", [this](App& app, double t) {
            if (t == 0) {
              startDiscCheck(app, disc);
              return false;
            }
            if (t < 0.2 || app.discCheck.discChecking) return false;
            logLine("disc check: %s", verdictOrOk(app));
            return true;
          }};
}

// The disc is checked through a copy that is deleted before the build starts, so the build
// fails the way a disc unplugged meanwhile would.
Selftest::Step Selftest::vanishingDiscStep() {
  const std::string copy = shotPath("vanishing-disc.iso");
  return {"check a disc that then vanishes", [this, copy](App& app, double t) {
            std::error_code error;
            if (t == 0) {
              fs::remove(utf8Path(copy), error);
              fs::copy_file(utf8Path(disc), utf8Path(copy), error);
              startDiscCheck(app, copy);
              return false;
            }
            if (t < 0.2 || app.discCheck.discChecking) return false;
            fs::remove(utf8Path(copy), error);
            logLine("disc check: %s", verdictOrOk(app));
            startBuild(app);
            return true;
          }};
}

namespace {

// The presses that reach a control of the page and activate it; place: where it leads.
std::vector<WalkGoal> reachAndPress(const std::string& label, const std::string& place = {}) {
  return {WalkGoals::focus(NavButton::next, label),
          WalkGoals::activate(NavButton::activate, label, place)};
}

}  // namespace

Selftest::Step Selftest::buildStep(bool driven) {
  struct State {
    std::set<std::string> photographed;
    bool stopIssued = false;
    bool halfShotTaken = false;
    int resume = 0;  // 1: stopped and photographed, resume next turn; 2: resumed
    // Driven: the walk under way and the line logged once it has succeeded.
    std::shared_ptr<PressWalker> walk;
    std::string walkLine;
  };
  auto names = [this](NavButton button) { return InputDriver::buttonName(input, button); };
  auto walkTo = [names](State& s, std::vector<WalkGoal> goals, std::string line) {
    s.walk = std::make_shared<PressWalker>(std::move(goals), names);
    s.walkLine = std::move(line);
  };
  return {"build", [this, driven, walkTo, s = State()](App& app, double t) mutable {
            if (s.walk) {
              if (!runWalk(app, *s.walk)) return false;
              s.walk.reset();
              if (failed) return true;
              if (!s.walkLine.empty()) logLine("%s", s.walkLine);
              return false;
            }
            if (t == 0) {
              buildStart = now();
              if (driven) {
                walkTo(s,
                       reachAndPress(tr("Prepare the game", "Préparer le jeu"), "preparing screen"),
                       "build started");
                return false;
              }
              startBuild(app);
              logLine("build started");
              return false;
            }
            if (!app.screenshotRequest.empty()) return false;
            if (s.resume == 1) {
              s.resume = 2;
              if (driven) {
                walkTo(s,
                       reachAndPress(tr("Continue preparing", "Reprendre la préparation"),
                                     "preparing screen"),
                       "build resumed");
                return false;
              }
              logLine("build resumed");
              startBuild(app);
              return false;
            }
            if (!app.build.building) {
              if (app.screen == kScreenMain && s.stopIssued && s.resume == 0) {
                app.screenshotRequest = shotPath("08-stopped.png");
                s.resume = 1;
                return false;
              }
              const std::string result = app.screen == kScreenMain
                                             ? std::string("ready")
                                             : "failed: " + app.progress.failureText;
              for (const Stage& stage : app.progress.stages)
                logLine("  %s", stageSummary(stage));
              logLine("build ended after %s s: %s", fixedSix(now() - buildStart), result);
              logLine("notice: %s (launcher.ini last_build_seconds %s)", app.build.statusText,
                      fixedSix(app.settings.lastBuildSeconds));
              if (errorDemo) return true;
              if (app.screen == kScreenMain && gameIsBuilt(app.layout)) return true;
              failAndQuit(app, "FAIL build did not produce a playable game");
              return true;
            }
            const int index = app.progress.runningStage();
            if (index < 0) return false;
            const Stage& stage = app.progress.stages[static_cast<size_t>(index)];
            if (!s.photographed.count(stage.key) && now() - stage.started > 1) {
              s.photographed.insert(stage.key);
              logLine("step %s", stage.key);
              app.screenshotRequest =
                  shotPath("06-build-" + std::to_string(index + 1) + "-" + stage.key + ".png");
            }
            if (stage.key != "compile") return false;
            const int percent = stage.percent;
            if (cancel && !s.stopIssued) {
              if (percent < 40) return false;
              s.stopIssued = true;
              logLine("stop at compile %s %%", std::to_string(percent));
              if (driven) {
                walkTo(s, reachAndPress(tr("Stop", "Arrêter")), "");
                return false;
              }
              if (app.build.building) stopBuild(app);
            }
            // A picture requested above in this same turn is not replaced: it waits its frame.
            if (!s.halfShotTaken && percent > 49 && app.screenshotRequest.empty()) {
              s.halfShotTaken = true;
              app.screenshotRequest = shotPath("07-build-compile-half.png");
            }
            return false;
          }};
}

void Selftest::logGameExit(const App& app) {
  logLine("game exited, code %s, crash report: %s", std::to_string(app.game.gameExitCode),
          app.game.crashReport.empty() ? std::string("none") : app.game.crashReport);
}

Selftest::Step Selftest::playStep(bool started) {
  return {"play", [this, started, asked = false, killed = false](App& app, double t) mutable {
            if (t == 0) {
              if (!started) {
                prepareCaptureDir("play");
                launchGame(app);
                logLine("game started (pid %s)", std::to_string(app.game.process.processId()));
              }
              if (!errorDemo && !app.game.gameRunning) failAndQuit(app, "FAIL game did not start");
              return false;
            }
            if (app.game.gameRunning) {
              if (t >= playSeconds) {
                app.game.process.askToClose();
                // Once: turns while the window is hidden are up to 100 ms apart, so a line per
                // turn in the first tenth of a second could come zero times or several.
                if (!asked) logLine("asking the game to close");
                asked = true;
              }
              if (t >= playSeconds + gameCloseTimeoutSeconds && !killed) {
                killed = true;
                logLine("the game did not close: ending it");
                app.game.process.kill();
              }
              return false;
            }
            logGameExit(app);
            if (!errorDemo && app.game.gameExitCode != 0) failed = true;
            return true;
          }};
}

Selftest::Step Selftest::crashStep(bool started) {
  return {"crash", [this, started, killed = false](App& app, double t) mutable {
            if (t == 0) {
              if (!started) {
                prepareCaptureDir("crash");
                setEnv(envTestCrash, wholeSeconds(crashSeconds));
                setEnv(envNoDialogs, envNoDialogsValue);
                launchGame(app);
                setEnv(envTestCrash, "");
                setEnv(envNoDialogs, "");
                logLine("game started to crash (pid %s)",
                        std::to_string(app.game.process.processId()));
              }
              if (!errorDemo && !app.game.gameRunning)
                failAndQuit(app, "FAIL crash-test game did not start");
              return false;
            }
            if (app.game.gameRunning) {
              if (t > 90 + crashSeconds && !killed) {
                killed = true;
                app.game.process.kill();
              }
              return false;
            }
            logGameExit(app);
            if (!errorDemo && (app.game.gameExitCode == 0 || app.game.crashReport.empty()))
              failed = true;
            return true;
          }};
}

}  // namespace scf
