#include "harness/selftest.h"

#include <SDL3/SDL_video.h>

#include <algorithm>
#include <filesystem>

#include "app/app.h"
#include "app/disc_actions.h"
#include "app/enhance_actions.h"
#include "app/launch_options.h"
#include "app/window.h"
#include "enhance/enhance_run.h"
#include "game/game_contract.h"
#include "harness/log_line.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "platform/file_open.h"
#include "platform/utf8_path.h"
#include "release/tr.h"

namespace scf {

namespace {

namespace fs = std::filesystem;

std::string joinPath(const std::string& folder, const std::string& name) {
  return utf8String(utf8Path(folder) / utf8Path(name));
}

// A step that changes App once and completes at once.
Selftest::Step instant(const std::string& name, std::function<void(App&)> change) {
  return {name, [change = std::move(change)](App& app, double) {
            change(app);
            return true;
          }};
}

}  // namespace

Selftest::Selftest(const LaunchOptions& options, const App& app, Clock clock)
    : disc(options.selftestDisc),
      shotsDir(options.shotsFolder),
      wrongDisc(options.wrongDisc),
      errorDemo(options.errorDemo),
      cancel(options.cancel),
      screens(options.screens),
      enhance(options.enhance),
      playSeconds(options.playSeconds),
      crashSeconds(options.crashSeconds),
      clock_(std::move(clock)) {
  if (options.gamepad) {
    input = InputMode::gamepad;
  } else if (options.keyboard) {
    input = InputMode::keyboard;
  }
  swallowPress = getEnv(kSwallowPressVariable);
  if (shotsDir.empty()) shotsDir = joinPath(app.layout.releaseDir, "selftest");
  std::error_code error;
  fs::create_directories(utf8Path(shotsDir), error);
  log = openFile(shotPath("selftest.log"), "wb");  // the same bytes on every system
  runStart = now();
  logLine("release %s, user folder %s", app.layout.releaseDir, app.layout.userDir);
  const char* driver = SDL_GetCurrentVideoDriver();
  logLine("video %s, scale %s", driver ? driver : "none", fixedSix(uiScale));
  build();
}

Selftest::~Selftest() {
  closeLog();
}

void Selftest::closeLog() {
  if (log) std::fclose(log);
  log = nullptr;
}

double Selftest::now() const {
  return clock_ ? clock_() : nowSeconds();
}

std::string Selftest::shotPath(const std::string& fileName) const {
  return joinPath(shotsDir, fileName);
}

void Selftest::tick(App& app) {
  if (index >= steps.size()) return;
  if (input != InputMode::none) watchNav(app);
  const double current = now();
  if (stepStart == 0) stepStart = current;
  double t = current - stepStart;
  // Only a step's first call sees exactly 0, which steps use for their one-time start.
  if (t != 0) t = std::max(t, 0.000001);
  if (steps[index].action(app, t)) {
    ++index;
    stepStart = 0;
  }
}

void Selftest::logLine(const std::string& format, const std::string& a, const std::string& b) {
  if (!log) return;
  const std::string line = logLineText(now() - runStart, format, a, b) + "\n";
  std::fwrite(line.data(), 1, line.size(), log);
  std::fflush(log);
}

void Selftest::prepareCaptureDir(const std::string& name) {
  if (captureBase.empty()) captureBase = getEnv(envCaptureWindowDir);
  if (captureBase.empty()) return;
  const std::string folder = joinPath(captureBase, name);
  std::error_code error;
  fs::create_directories(utf8Path(folder), error);
  setEnv(envCaptureWindowDir, folder);
}

void Selftest::failAndQuit(App& app, const std::string& line) {
  logLine("%s", line);
  failed = true;
  app.quitConfirmed = true;
}

Selftest::Step Selftest::shot(const std::string& name, double delay) {
  return {"shot " + name, [this, name, delay, taken = false](App& app, double t) mutable {
            if (t < delay) return false;
            if (!taken) {
              app.screenshotRequest = shotPath(name + ".png");
              taken = true;
              return false;
            }
            // The frame loop empties the request once the frame has been drawn and saved.
            if (!app.screenshotRequest.empty()) return false;
            logLine("screenshot %s", name);
            return true;
          }};
}

void Selftest::build() {
  if (screens) {
    buildScreens();
  } else if (enhance) {
    buildEnhance();
  } else if (input != InputMode::none) {
    buildDriven();
  } else {
    buildFull();
  }
}

void Selftest::buildFull() {
  auto french = [](bool on) { return [on](App&) { uiFrench = on; }; };
  auto tab = [](int which) { return [which](App& app) { app.currentTab = which; }; };
  steps.push_back(shot("01-welcome", 1.5));
  steps.push_back(instant("french welcome", french(true)));
  steps.push_back(shot("02-welcome-fr"));
  steps.push_back(instant("english", french(false)));
  if (!wrongDisc.empty()) {
    steps.push_back({"check the wrong disc", [this](App& app, double t) {
                       if (t == 0) startDiscCheck(app, wrongDisc);
                       return t > 0.2 && !app.discCheck.discChecking;
                     }});
    steps.push_back(shot("03-wrong-disc"));
  }
  if (errorDemo) {
    steps.push_back(vanishingDiscStep());
    steps.push_back({"wait for the error", [](App& app, double) { return !app.build.building; }});
    steps.push_back(shot("04-build-error"));
  }
  steps.push_back(discCheckStep());
  steps.push_back(shot("05-ready"));
  steps.push_back(buildStep());
  steps.push_back(shot("09-built", 1.0));
  steps.push_back(instant("settings", tab(kTabSettings)));
  steps.push_back(shot("10-settings"));
  steps.push_back(instant("video change", [](App& app) {
    app.video.mode = "windowed";
    app.video.width = 1280;
    app.video.height = 960;
    app.video.save(app.layout.videoIni);
    app.video.loaded = true;
    app.videoSaved = true;
  }));
  steps.push_back(shot("11-settings-saved"));
  steps.push_back(instant("maintenance", tab(kTabMaintenance)));
  steps.push_back(shot("12-maintenance"));
  steps.push_back(instant("french", [](App& app) {
    uiFrench = true;
    app.currentTab = kTabPlay;
  }));
  steps.push_back(shot("13-play-fr"));
  steps.push_back(instant("french settings", tab(kTabSettings)));
  steps.push_back(shot("14-settings-fr"));
  steps.push_back(instant("english", [](App& app) {
    uiFrench = false;
    app.currentTab = kTabPlay;
  }));
  steps.push_back(playStep());
  steps.push_back(shot("15-after-play", 1.5));
  if (crashSeconds > 0) {
    steps.push_back(crashStep());
    steps.push_back(shot("16-crash", 1.5));
  }
  steps.push_back(instant("quit", [this](App& app) {
    logLine("selftest done");
    app.quitConfirmed = true;
  }));
}

// How long the screens scenario lets an install started by --update-now run first.
constexpr double kUpdateNowWaitSeconds = 120;

void Selftest::buildScreens() {
  steps.push_back({"wait for the update check", [](App& app, double t) {
                     // With --update-now an install that has begun goes first: its restart
                     // ends this run, and quitting under it would waste the download.
                     const int install = app.updateInstall.installState;
                     if ((install == kInstallDownloading || install == kInstallInstalling) &&
                         t < kUpdateNowWaitSeconds) {
                       return false;
                     }
                     return t > 6 || (t > 0.5 && app.updateCheck.view().state != kUpdateChecking);
                   }});
  steps.push_back(shot("s1-play", 0.5));
  steps.push_back(instant("settings", [](App& app) { app.currentTab = kTabSettings; }));
  steps.push_back(shot("s2-settings"));
  steps.push_back(instant("maintenance", [](App& app) { app.currentTab = kTabMaintenance; }));
  steps.push_back(shot("s3-maintenance"));
  steps.push_back(instant("french", [](App& app) {
    uiFrench = true;
    app.currentTab = kTabPlay;
  }));
  steps.push_back(shot("s4-play-fr"));
  steps.push_back(
      instant("french maintenance", [](App& app) { app.currentTab = kTabMaintenance; }));
  steps.push_back(shot("s5-maintenance-fr"));
  steps.push_back(instant("what's new", [](App& app) {
    uiFrench = false;
    app.currentTab = kTabPlay;
    app.showWhatsNew = !app.identity.changelogText.empty();
  }));
  steps.push_back(shot("s6-whats-new"));
  steps.push_back(instant("quit", [this](App& app) {
    const UpdateCheckView update = app.updateCheck.view();
    logLine("update check: state %s, %s", std::to_string(update.state),
            update.latestVersion + " " + update.releasePageUrl + " " + update.errorText);
    logLine("source %s, built from %s", app.identity.releaseCommit, app.identity.builtFromCommit);
    logLine("screens done");
    app.quitConfirmed = true;
  }));
}

void Selftest::buildEnhance() {
  steps.push_back(instant("settings", [](App& app) { app.currentTab = kTabSettings; }));
  steps.push_back(shot("e1-settings", 0.5));
  steps.push_back(instant("make", [this](App& app) {
    startEnhance(app, false);
    logLine("enhance started: %s", app.enhance.running ? "yes" : app.enhance.runError);
  }));
  steps.push_back({"dumping", [](App& app, double t) {
                     const EnhanceRun& run = app.enhance;
                     return (run.stage == "dump" && run.progressDone != 0) || !run.running ||
                            t > 600;
                   }});
  steps.push_back(shot("e2-dumping"));
  steps.push_back({"upscaling", [](App& app, double t) {
                     return app.enhance.stage == "upscale" || !app.enhance.running || t > 3600;
                   }});
  steps.push_back(shot("e3-upscaling", 3.0));
  steps.push_back(
      {"finished", [](App& app, double t) { return !app.enhance.running || t > 3600; }});
  steps.push_back(shot("e4-done", 0.5));
  steps.push_back(instant("quit", [this](App& app) {
    const EnhanceRun& run = app.enhance;
    logLine("enhance: %s textures, %s", std::to_string(run.textureCount),
            run.runError.empty() ? "ok: " + run.runResult : "error: " + run.runError);
    app.quitConfirmed = true;
  }));
}

}  // namespace scf
