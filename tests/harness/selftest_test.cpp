#include "harness/selftest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/game_launch.h"
#include "app/launch_options.h"
#include "app/window.h"
#include "game/stand_in_game.h"
#include "platform/env.h"
#include "platform/executable_name.h"
#include "release/tr.h"
#include "support/test_support.h"

namespace scf {
namespace {

using testing::EnvGuard;
using testing::exists;
using testing::nativePath;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

// The text of each log line after its "[   elapsed] " prefix.
std::vector<std::string> logTexts(const std::string& log) {
  std::vector<std::string> texts;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    if (end == std::string::npos) end = log.size();
    const std::string line = log.substr(start, end - start);
    const size_t text = line.find("] ");
    texts.push_back(text == std::string::npos ? line : line.substr(text + 2));
    start = end + 1;
  }
  return texts;
}

// True when every expected line appears in texts, in this order (other lines may come between).
::testing::AssertionResult inOrder(const std::vector<std::string>& texts,
                                   const std::vector<std::string>& expected) {
  size_t at = 0;
  for (const std::string& want : expected) {
    while (at < texts.size() && texts[at] != want)
      ++at;
    if (at == texts.size())
      return ::testing::AssertionFailure() << "missing or out of order: " << want;
    ++at;
  }
  return ::testing::AssertionSuccess();
}

class SelftestTest : public ::testing::Test {
 protected:
  SelftestTest()
      : env_({"ZA2D_CAPTURE_WINDOW_DIR", "ZA2D_TEST_CRASH", "ZA2D_NO_DIALOGS", "SCF_DISC_PLACES"}) {
    env_.set("SCF_DISC_PLACES", "");
    env_.set("ZA2D_CAPTURE_WINDOW_DIR", "");
    env_.set("ZA2D_TEST_CRASH", "");
    env_.set("ZA2D_NO_DIALOGS", "");
    app.layout.releaseDir = temp / "release";
    app.layout.userDir = temp / "user";
    app.layout.videoIni = temp / "user/video.ini";
    app.layout.launcherIni = temp / "user/launcher.ini";
    app.layout.crashesDir = temp / "user/crashes";
    app.layout.pythonExe = temp / "no-python/python3";
    app.layout.gameDir = temp / "release/game";
    app.layout.gameExe = temp / ("release/game/" + executableName("scf"));
    app.layout.bootFile = temp / "release/game/SXUS_902.10";
    app.layout.discIso = temp / "release/game/disc.iso";
    options.selftestDisc = temp / "disc.iso";
    writeFile(options.selftestDisc, "not really a disc");
    std::filesystem::create_directories(app.layout.userDir);
  }
  ~SelftestTest() override { uiFrench = false; }

  // A self-test on the fake clock (or the monotonic one).
  std::unique_ptr<Selftest> make(bool realClock = false) {
    if (realClock) return std::make_unique<Selftest>(options, app);
    return std::make_unique<Selftest>(options, app, [this] { return clock; });
  }

  std::vector<std::string> names(const Selftest& selftest) {
    std::vector<std::string> list;
    for (const Selftest::Step& step : selftest.steps)
      list.push_back(step.name);
    return list;
  }

  std::vector<std::string> log(const Selftest& selftest) {
    return logTexts(readFile(selftest.shotsDir + "/selftest.log"));
  }

  // One frame-loop turn: the game's end, the tick, then the frame that saves a requested picture.
  void turn(Selftest& selftest, double seconds = 0.25) {
    clock += seconds;
    if (app.game.gameRunning) finishGame(app);
    selftest.tick(app);
    if (!app.screenshotRequest.empty()) requests.push_back(app.screenshotRequest);
    app.screenshotRequest.clear();
  }

  // Turns until the script is done or asks to quit; false when it needed more than turns.
  bool runToEnd(Selftest& selftest, int turns = 2000, double seconds = 0.25) {
    for (int i = 0; i < turns; ++i) {
      if (selftest.index >= selftest.steps.size() || app.quitConfirmed) return true;
      turn(selftest, seconds);
    }
    return false;
  }

  // A game that records its crash variables and capture folder, then behaves as told (the
  // stand-in game's commands).
  void writeGame(const std::vector<std::string>& behaviour) {
    std::vector<std::string> commands = {
        "append\t" + gameEnvFile() +
        "\t${ZA2D_TEST_CRASH}|${ZA2D_NO_DIALOGS}|${ZA2D_CAPTURE_WINDOW_DIR}"};
    commands.insert(commands.end(), behaviour.begin(), behaviour.end());
    ASSERT_TRUE(testing::standInGame(app.layout.gameExe, commands));
    writeFile(app.layout.bootFile, "boot");
    writeFile(app.layout.discIso, "iso");
  }
  std::string gameEnvFile() { return temp / "game-env.txt"; }

  TempFolder temp;
  EnvGuard env_;
  App app;
  LaunchOptions options;
  double clock = 1000;
  std::vector<std::string> requests;
};

TEST_F(SelftestTest, SetUpMakesTheDefaultFolderAndWritesTheFirstLines) {
  // Without a window there is no video driver; the scale is the one in use.
  uiScale = 1.25f;
  auto selftest = make();
  uiScale = 1.0f;
  EXPECT_EQ(nativePath(selftest->shotsDir), nativePath(temp / "release/selftest"));
  EXPECT_EQ(readFile(temp / "release/selftest/selftest.log"),
            "[     0.0] release " + (temp / "release") + ", user folder " + (temp / "user") +
                "\n[     0.0] video none, scale 1.250000\n");
}

TEST_F(SelftestTest, SetUpMakesTheNamedFolderWithParentsAndTruncatesTheLog) {
  options.shotsFolder = temp / "shots with spaces/é ü/out";
  writeFile(options.shotsFolder + "/selftest.log", "an older run's log that is much longer\n");
  auto selftest = make();
  EXPECT_EQ(selftest->shotsDir, options.shotsFolder);
  const auto lines = log(*selftest);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("release ", 0), 0u);
  EXPECT_EQ(lines[1].rfind("video ", 0), 0u);
}

TEST_F(SelftestTest, ALogThatCannotBeOpenedSilencesLinesAndTheRunGoesOn) {
  writeFile(temp / "a-file", "x");
  options.shotsFolder = temp / "a-file/shots";
  auto selftest = make();
  EXPECT_EQ(selftest->log, nullptr);
  selftest->logLine("nothing %s", "here");
  turn(*selftest, 0);
  turn(*selftest, 2.0);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(nativePath(requests[0]), nativePath(temp / "a-file/shots/01-welcome.png"));
}

struct ScenarioCase {
  const char* name;
  std::function<void(LaunchOptions&)> options;
  std::vector<std::string> steps;
};

void PrintTo(const ScenarioCase& c, std::ostream* os) {
  *os << c.name;
}

const std::vector<std::string> kFullSteps = {"shot 01-welcome",
                                             "french welcome",
                                             "shot 02-welcome-fr",
                                             "english",
                                             "check the disc",
                                             "shot 05-ready",
                                             "build",
                                             "shot 09-built",
                                             "settings",
                                             "shot 10-settings",
                                             "video change",
                                             "shot 11-settings-saved",
                                             "maintenance",
                                             "shot 12-maintenance",
                                             "french",
                                             "shot 13-play-fr",
                                             "french settings",
                                             "shot 14-settings-fr",
                                             "english",
                                             "play",
                                             "shot 15-after-play",
                                             "quit"};

const std::vector<std::string> kScreensSteps = {"wait for the update check",
                                                "shot s1-play",
                                                "settings",
                                                "shot s2-settings",
                                                "maintenance",
                                                "shot s3-maintenance",
                                                "french",
                                                "shot s4-play-fr",
                                                "french maintenance",
                                                "shot s5-maintenance-fr",
                                                "what's new",
                                                "shot s6-whats-new",
                                                "quit"};

// Driven by presses: the pad is connected and the focus shown first, both images are picked in
// the disc list, the tabs are switched and the game started by presses.
const std::vector<std::string> kDrivenSteps = {"connect",
                                               "start in english",
                                               "show the focus",
                                               "shot 01-welcome",
                                               "french welcome",
                                               "shot 02-welcome-fr",
                                               "english",
                                               "open the disc list",
                                               "wait for the disc list",
                                               "pick wrong.iso",
                                               "check wrong.iso",
                                               "shot 03-wrong-disc",
                                               "open the disc list",
                                               "wait for the disc list",
                                               "pick disc.iso",
                                               "check disc.iso",
                                               "shot 05-ready",
                                               "build",
                                               "shot 09-built",
                                               "settings",
                                               "shot 10-settings",
                                               "video change",
                                               "shot 11-settings-saved",
                                               "maintenance",
                                               "shot 12-maintenance",
                                               "french",
                                               "play tab",
                                               "shot 13-play-fr",
                                               "french settings",
                                               "shot 14-settings-fr",
                                               "english",
                                               "back to play",
                                               "press play",
                                               "play",
                                               "shot 15-after-play",
                                               "press play to crash",
                                               "crash",
                                               "shot 16-crash",
                                               "quit"};

std::vector<std::string> fullWith(std::vector<std::string> steps, size_t at,
                                  const std::vector<std::string>& added) {
  steps.insert(steps.begin() + static_cast<long>(at), added.begin(), added.end());
  return steps;
}

class ScenarioTest : public SelftestTest, public ::testing::WithParamInterface<ScenarioCase> {};

TEST_P(ScenarioTest, BuildsTheSteps) {
  GetParam().options(options);
  auto selftest = make();
  EXPECT_EQ(names(*selftest), GetParam().steps);
}

INSTANTIATE_TEST_SUITE_P(
    Options, ScenarioTest,
    ::testing::Values(
        ScenarioCase{"Plain", [](LaunchOptions&) {}, kFullSteps},
        ScenarioCase{"WrongDisc", [](LaunchOptions& o) { o.wrongDisc = "/x/wrong.iso"; },
                     fullWith(kFullSteps, 4, {"check the wrong disc", "shot 03-wrong-disc"})},
        ScenarioCase{"ErrorDemo", [](LaunchOptions& o) { o.errorDemo = true; },
                     fullWith(kFullSteps, 4,
                              {"check a disc that then vanishes", "wait for the error",
                               "shot 04-build-error"})},
        ScenarioCase{"Crash", [](LaunchOptions& o) { o.crashSeconds = 0.5; },
                     fullWith(kFullSteps, 21, {"crash", "shot 16-crash"})},
        ScenarioCase{"CrashZero", [](LaunchOptions& o) { o.crashSeconds = 0; }, kFullSteps},
        ScenarioCase{"CancelAddsNoStep", [](LaunchOptions& o) { o.cancel = true; }, kFullSteps},
        ScenarioCase{"Everything",
                     [](LaunchOptions& o) {
                       o.wrongDisc = "/x/wrong.iso";
                       o.errorDemo = true;
                       o.crashSeconds = 2;
                     },
                     fullWith(fullWith(fullWith(kFullSteps, 21, {"crash", "shot 16-crash"}), 4,
                                       {"check a disc that then vanishes", "wait for the error",
                                        "shot 04-build-error"}),
                              4, {"check the wrong disc", "shot 03-wrong-disc"})},
        ScenarioCase{"Gamepad",
                     [](LaunchOptions& o) {
                       o.gamepad = true;
                       o.wrongDisc = "/x/wrong.iso";
                       o.crashSeconds = 2;
                     },
                     kDrivenSteps},
        ScenarioCase{"Keyboard",
                     [](LaunchOptions& o) {
                       o.keyboard = true;
                       o.wrongDisc = "/x/wrong.iso";
                       o.crashSeconds = 2;
                     },
                     kDrivenSteps},
        ScenarioCase{"ScreensWinsOverGamepad",
                     [](LaunchOptions& o) {
                       o.screens = true;
                       o.gamepad = true;
                     },
                     kScreensSteps},
        ScenarioCase{"Screens", [](LaunchOptions& o) { o.screens = true; }, kScreensSteps},
        ScenarioCase{"ScreensWinsOverEnhance",
                     [](LaunchOptions& o) {
                       o.screens = true;
                       o.enhance = true;
                     },
                     kScreensSteps},
        ScenarioCase{"Enhance",
                     [](LaunchOptions& o) { o.enhance = true; },
                     {"settings", "shot e1-settings", "make", "dumping", "shot e2-dumping",
                      "upscaling", "shot e3-upscaling", "finished", "shot e4-done", "quit"}}),
    [](const ::testing::TestParamInfo<ScenarioCase>& info) {
      return std::string(info.param.name);
    });

// The disc list of a driven run searches the disc's own folder unless told where to look.
TEST_F(SelftestTest, DrivenRunSearchesTheDiscsFolderUnlessToldOtherwise) {
  options.keyboard = true;
  make();
  EXPECT_EQ(getEnv("SCF_DISC_PLACES"), temp.path());
  env_.set("SCF_DISC_PLACES", "/elsewhere");
  make();
  EXPECT_EQ(getEnv("SCF_DISC_PLACES"), "/elsewhere");
}

TEST_F(SelftestTest, TickPassesZeroOnAStepsFirstCallAndRaisesTinyTimes) {
  auto selftest = make();
  std::vector<double> seen;
  selftest->steps = {{"watch",
                      [&seen](App&, double t) {
                        seen.push_back(t);
                        return seen.size() == 5;
                      }},
                     {"next", [&seen](App&, double t) {
                        seen.push_back(t);
                        return true;
                      }}};
  selftest->tick(app);  // first call: 0
  selftest->tick(app);  // the clock has not moved: 0 again
  clock += 0.5;
  selftest->tick(app);
  clock += 1e-9;
  selftest->tick(app);  // 0.500000001, not raised
  EXPECT_EQ(selftest->index, 0u);
  clock = 1000;  // back at the step's start: exactly 0 again
  selftest->tick(app);
  EXPECT_EQ(selftest->index, 1u);  // one step per turn: "next" has not run yet
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0], 0.0);
  EXPECT_EQ(seen[1], 0.0);
  EXPECT_DOUBLE_EQ(seen[2], 0.5);
  EXPECT_EQ(seen[4], 0.0);
  clock += 1e-9;
  selftest->tick(app);  // a new step starts at 0 on its first call
  EXPECT_EQ(seen[5], 0.0);
  EXPECT_TRUE(selftest->passed());
  selftest->tick(app);  // past the end: nothing runs
  EXPECT_EQ(seen.size(), 6u);
}

TEST_F(SelftestTest, TickRaisesATimeOtherThanZeroToAMicrosecond) {
  auto selftest = make();
  std::vector<double> seen;
  selftest->steps = {{"watch", [&seen](App&, double t) {
                        seen.push_back(t);
                        return false;
                      }}};
  selftest->tick(app);
  clock += 1e-9;
  selftest->tick(app);
  clock -= 2e-9;  // a clock that steps back still gives a positive time
  selftest->tick(app);
  EXPECT_EQ(seen, (std::vector<double>{0.0, 0.000001, 0.000001}));
}

TEST_F(SelftestTest, ShotWaitsForItsDelayAndTheDrawnFrame) {
  auto selftest = make();
  selftest->steps = {selftest->shot("x-name", 1.0)};
  EXPECT_EQ(selftest->steps[0].name, "shot x-name");
  selftest->tick(app);
  clock += 0.9;
  selftest->tick(app);
  EXPECT_TRUE(app.screenshotRequest.empty());
  clock += 0.2;
  selftest->tick(app);
  EXPECT_EQ(nativePath(app.screenshotRequest), nativePath(selftest->shotsDir + "/x-name.png"));
  selftest->tick(app);  // the frame has not been drawn yet
  selftest->tick(app);
  EXPECT_EQ(selftest->index, 0u);
  app.screenshotRequest.clear();
  selftest->tick(app);
  EXPECT_EQ(selftest->index, 1u);
  EXPECT_EQ(log(*selftest).back(), "screenshot x-name");
}

TEST_F(SelftestTest, DefaultShotDelayIsEightTenths) {
  auto selftest = make();
  selftest->steps = {selftest->shot("d")};
  selftest->tick(app);
  clock += 0.79;
  selftest->tick(app);
  EXPECT_TRUE(app.screenshotRequest.empty());
  clock += 0.02;
  selftest->tick(app);
  EXPECT_FALSE(app.screenshotRequest.empty());
}

// Records the language and tab after each completed step.
void watchSteps(Selftest& selftest, std::vector<std::string>& seen) {
  for (Selftest::Step& step : selftest.steps) {
    step.action = [action = step.action, name = step.name, &seen](App& app, double t) {
      const bool done = action(app, t);
      if (done)
        seen.push_back(name + (uiFrench ? " fr " : " en ") + std::to_string(app.currentTab));
      return done;
    };
  }
}

// Without an update check running, the screens scenario waits half a second, photographs each
// tab in both languages and the what's-new dialog, and logs what the check and the release say.
TEST_F(SelftestTest, ScreensScenarioPhotographsEveryTab) {
  options.screens = true;
  app.identity.releaseCommit = std::string(40, 'c');
  app.identity.changelogText = "- One thing.";
  auto selftest = make();
  std::vector<std::string> seen;
  watchSteps(*selftest, seen);
  ASSERT_TRUE(runToEnd(*selftest));
  EXPECT_EQ(selftest->exitCode(), 0);
  EXPECT_TRUE(app.quitConfirmed);
  EXPECT_TRUE(app.showWhatsNew);
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "wait for the update check en 0", "shot s1-play en 0", "settings en 1",
                      "shot s2-settings en 1", "maintenance en 2", "shot s3-maintenance en 2",
                      "french fr 0", "shot s4-play-fr fr 0", "french maintenance fr 2",
                      "shot s5-maintenance-fr fr 2", "what's new en 0", "shot s6-whats-new en 0",
                      "quit en 0"}));
  const auto lines = log(*selftest);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
            (std::vector<std::string>{"update check: state 0,   ",
                                      "source " + std::string(40, 'c') + ", built from ",
                                      "screens done"}));
  EXPECT_EQ(requests.size(), 6u);
}

TEST_F(SelftestTest, ScreensScenarioWaitsForTheUpdateCheckAtMostSixSeconds) {
  options.screens = true;
  auto selftest = make();
  turn(*selftest, 0);
  turn(*selftest, 0.4);
  EXPECT_EQ(selftest->index, 0u);  // never before half a second
  turn(*selftest, 0.2);
  EXPECT_EQ(selftest->index, 1u);  // an idle check is not "checking"
}

TEST_F(SelftestTest, WhatsNewStaysClosedWithoutAChangeLog) {
  options.screens = true;
  app.showWhatsNew = true;
  auto selftest = make();
  ASSERT_TRUE(runToEnd(*selftest));
  EXPECT_FALSE(app.showWhatsNew);
}

// With nothing to check, build or play, the error demo still walks every step: its game and
// build failures are tolerated.
TEST_F(SelftestTest, ErrorDemoWalksEveryStepWithoutAKit) {
  options.errorDemo = true;
  options.crashSeconds = 1;
  auto selftest = make();
  std::vector<std::string> seen;
  watchSteps(*selftest, seen);
  ASSERT_TRUE(runToEnd(*selftest));
  EXPECT_TRUE(app.quitConfirmed);
  EXPECT_EQ(selftest->index, selftest->steps.size());
  EXPECT_EQ(selftest->exitCode(), 0);
  EXPECT_TRUE(inOrder(seen, {"french welcome fr 0", "english en 0", "settings en 1",
                             "video change en 1", "maintenance en 2", "french fr 0",
                             "french settings fr 1", "english en 0", "quit en 0"}));
  const auto lines = log(*selftest);
  EXPECT_TRUE(inOrder(lines, {"screenshot 01-welcome",
                              "screenshot 02-welcome-fr",
                              "disc check: The disc could not be checked.",
                              "screenshot 04-build-error",
                              "disc check: The disc could not be checked.",
                              "screenshot 05-ready",
                              "build started",
                              "screenshot 09-built",
                              "screenshot 10-settings",
                              "screenshot 11-settings-saved",
                              "screenshot 12-maintenance",
                              "screenshot 13-play-fr",
                              "screenshot 14-settings-fr",
                              "game started (pid 0)",
                              "game exited, code 0, crash report: none",
                              "screenshot 15-after-play",
                              "game started to crash (pid 0)",
                              "game exited, code 0, crash report: none",
                              "screenshot 16-crash",
                              "selftest done"}));
  // The vanishing copy is gone before the build starts.
  EXPECT_FALSE(exists(selftest->shotsDir + "/vanishing-disc.iso"));
  VideoSettings saved;
  ASSERT_TRUE(saved.load(app.layout.videoIni));
  EXPECT_EQ(saved.width, 1280);
  EXPECT_EQ(saved.height, 960);
  EXPECT_EQ(saved.mode, "windowed");
  EXPECT_TRUE(app.video.loaded);
}

TEST_F(SelftestTest, ABuildWithoutAPlayableGameEndsTheRun) {
  auto selftest = make();
  ASSERT_TRUE(runToEnd(*selftest));
  EXPECT_TRUE(app.quitConfirmed);
  EXPECT_TRUE(selftest->failed);
  EXPECT_EQ(selftest->exitCode(), 1);
  const auto lines = log(*selftest);
  EXPECT_TRUE(inOrder(lines, {"screenshot 01-welcome", "screenshot 02-welcome-fr",
                              "disc check: The disc could not be checked.", "screenshot 05-ready",
                              "build started", "FAIL build did not produce a playable game"}));
  EXPECT_EQ(lines.back(), "FAIL build did not produce a playable game");
}

TEST_F(SelftestTest, WrongDiscIsCheckedAndPhotographed) {
  options.wrongDisc = temp / "wrong.iso";
  auto selftest = make();
  ASSERT_TRUE(runToEnd(*selftest));
  EXPECT_TRUE(inOrder(log(*selftest), {"screenshot 02-welcome-fr", "screenshot 03-wrong-disc",
                                       "disc check: The disc could not be checked."}));
  EXPECT_EQ(app.discCheck.discVerdict, "The disc could not be checked.");
}

// The build step, driven through App's fields as the frame loop and the kit would move them.
class BuildStepTest : public SelftestTest {
 protected:
  BuildStepTest() {
    selftest = make();
    selftest->steps = {selftest->buildStep()};
  }
  void stages(int runningIndex, int percent, double started) {
    static const char* keys[] = {"verify",    "extract", "configure", "tools",
                                 "recompile", "packs",   "compile",   "stage"};
    app.progress.stages.clear();
    for (int i = 0; i < 8; ++i) {
      Stage stage;
      stage.key = keys[i];
      stage.state = i < runningIndex    ? kStageDone
                    : i == runningIndex ? kStageRunning
                                        : kStagePending;
      stage.seconds = i < runningIndex ? 0.5 * (i + 1) : 0;
      if (i == runningIndex) {
        stage.percent = percent;
        stage.started = started;
      }
      app.progress.stages.push_back(stage);
    }
    app.progress.stages[1].state = kStageSkipped;
  }
  void ended(int screen) {
    app.build.building = false;
    app.screen = screen;
  }
  void playable() {
    writeFile(app.layout.gameExe, "#!/bin/sh\n");
    writeFile(app.layout.bootFile, "boot");
  }
  std::string shot(const std::string& name) { return nativePath(selftest->shotsDir + "/" + name); }
  std::vector<std::string> nativeRequests() const {
    std::vector<std::string> list;
    for (const std::string& request : requests)
      list.push_back(nativePath(request));
    return list;
  }

  std::unique_ptr<Selftest> selftest;
};

TEST_F(BuildStepTest, CancelStopsAtCompilePhotographsAndResumes) {
  options.cancel = true;
  selftest = make();
  selftest->steps = {selftest->buildStep()};
  turn(*selftest, 0);
  app.build.building = true;  // as BuildRun::start would
  stages(2, 10, clock);
  turn(*selftest, 0.5);  // configure has run for half a second: no picture yet
  turn(*selftest, 0.6);
  stages(6, 20, clock);
  turn(*selftest, 0.5);
  turn(*selftest, 0.6);  // compile at 20 %, for more than a second
  stages(6, 39, clock - 2);
  turn(*selftest);
  EXPECT_FALSE(app.build.stopRequested);
  stages(6, 41, clock - 3);
  turn(*selftest);
  EXPECT_TRUE(app.build.stopRequested);
  ended(kScreenMain);
  turn(*selftest);  // the stopped screen is photographed
  turn(*selftest);  // then the build resumes
  app.build.building = true;
  app.build.stopRequested = false;
  stages(6, 45, clock);
  turn(*selftest, 2.0);  // compile was photographed in the first run: no second picture
  stages(6, 50, clock - 2);
  turn(*selftest);
  stages(6, 80, clock - 3);
  turn(*selftest);
  playable();
  app.build.statusText = "The game is ready. Prepared in 0:42.";
  app.settings.lastBuildSeconds = 42.5;
  stages(8, 0, 0);
  ended(kScreenMain);
  turn(*selftest);
  EXPECT_EQ(selftest->index, 1u);
  EXPECT_FALSE(selftest->failed);
  EXPECT_EQ(nativeRequests(), (std::vector<std::string>{
                                  shot("06-build-3-configure.png"), shot("06-build-7-compile.png"),
                                  shot("08-stopped.png"), shot("07-build-compile-half.png")}));
  const auto lines = log(*selftest);
  const std::string notice =
      "notice: The game is ready. Prepared in 0:42. (launcher.ini last_build_seconds 42.500000)";
  EXPECT_TRUE(
      inOrder(lines, {"build started", "step configure", "step compile", "stop at compile 41 %",
                      "build resumed", "  verify 0.500000 s", "  extract skipped",
                      "  configure 1.500000 s", "  stage 4.000000 s", notice}));
  bool endLine = false;
  for (const std::string& line : lines)
    endLine = endLine || (line.rfind("build ended after ", 0) == 0 &&
                          line.find(" s: ready") != std::string::npos);
  EXPECT_TRUE(endLine);
}

// A stage first photographed in the same turn as the half-way point keeps its picture; the
// half-way picture follows on a later turn.
TEST_F(BuildStepTest, HalfWayPictureDoesNotReplaceAStagePicture) {
  turn(*selftest, 0);
  app.build.building = true;
  stages(6, 60, clock - 5);
  turn(*selftest);
  turn(*selftest);
  EXPECT_EQ(nativeRequests(), (std::vector<std::string>{shot("06-build-7-compile.png"),
                                                        shot("07-build-compile-half.png")}));
  EXPECT_FALSE(app.build.stopRequested);  // no --cancel
}

struct EndCase {
  const char* name;
  bool errorDemo;
  int screen;
  bool playable;
  bool failed;
  const char* result;
};

void PrintTo(const EndCase& c, std::ostream* os) {
  *os << c.name;
}

class BuildEndTest : public BuildStepTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(BuildEndTest, DecidesTheRun) {
  const EndCase& c = GetParam();
  options.errorDemo = c.errorDemo;
  selftest = make();
  selftest->steps = {selftest->buildStep()};
  turn(*selftest, 0);
  if (c.playable) playable();
  app.progress.failureText = "the disc vanished";
  ended(c.screen);
  turn(*selftest, 3.0);
  EXPECT_EQ(selftest->index, 1u);
  EXPECT_EQ(selftest->failed, c.failed);
  EXPECT_EQ(app.quitConfirmed, c.failed);
  const auto lines = log(*selftest);
  EXPECT_TRUE(
      inOrder(lines, {"build started", std::string("build ended after 3.000000 s: ") + c.result,
                      "notice:  (launcher.ini last_build_seconds 0.000000)"}));
  EXPECT_EQ(lines.back() == "FAIL build did not produce a playable game", c.failed);
}

INSTANTIATE_TEST_SUITE_P(
    Ends, BuildEndTest,
    ::testing::Values(EndCase{"Ready", false, kScreenMain, true, false, "ready"},
                      EndCase{"ReadyButNoGame", false, kScreenMain, false, true, "ready"},
                      EndCase{"Failed", false, kScreenStopped, true, true,
                              "failed: the disc vanished"},
                      EndCase{"FailedInErrorDemo", true, kScreenStopped, false, false,
                              "failed: the disc vanished"}),
    [](const ::testing::TestParamInfo<EndCase>& info) { return std::string(info.param.name); });

// The play and crash steps with the stand-in game, on the real clock.
constexpr int kClosesWhenAsked = -1;

struct GameCase {
  const char* name;
  bool crash;
  bool errorDemo;
  int code;  // the game's exit code, or kClosesWhenAsked: it runs until asked to close
  bool failed;
  bool report;  // the game writes a crash report, and the exit line names it
};

void PrintTo(const GameCase& c, std::ostream* os) {
  *os << c.name;
}

class GameStepTest : public SelftestTest, public ::testing::WithParamInterface<GameCase> {};

TEST_P(GameStepTest, RunsTheGameAndJudgesItsEnd) {
  const GameCase& c = GetParam();
  options.errorDemo = c.errorDemo;
  options.crashSeconds = 2.9;
  options.playSeconds = 0.3;
  env_.set("ZA2D_CAPTURE_WINDOW_DIR", temp / "captures");
  const std::string report = app.layout.crashesDir + "/crash-new.txt";
  writeFile(app.layout.crashesDir + "/crash-old.txt", "old");
  std::vector<std::string> behaviour;
  if (c.report) behaviour.push_back("write\t" + report + "\tcrash");
  behaviour.push_back(c.code == kClosesWhenAsked ? std::string("close\t0")
                                                 : "exit\t" + std::to_string(c.code));
  writeGame(behaviour);
  auto selftest = make(true);
  selftest->steps = {c.crash ? selftest->crashStep() : selftest->playStep()};
  for (int i = 0; i < 500 && selftest->index == 0; ++i) {
    turn(*selftest, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ASSERT_EQ(selftest->index, 1u) << "the step did not end within 10 s";
  if (c.code == kClosesWhenAsked && app.game.gameExitCode == testing::kStandInNoWindow)
    GTEST_SKIP() << testing::kNoWindowHere;
  EXPECT_EQ(selftest->failed, c.failed);
  EXPECT_FALSE(app.quitConfirmed);
  // The crash variables reach only the crash launch, and are gone from the launcher after it.
  const std::string capture = temp / (c.crash ? "captures/crash" : "captures/play");
  EXPECT_EQ(readFile(gameEnvFile()),
            (c.crash ? "2|1|" : "||") + getEnv("ZA2D_CAPTURE_WINDOW_DIR") + "\n");
  EXPECT_TRUE(exists(capture));
  EXPECT_EQ(getEnv("ZA2D_TEST_CRASH"), "");
  EXPECT_EQ(getEnv("ZA2D_NO_DIALOGS"), "");
  EXPECT_EQ(nativePath(getEnv("ZA2D_CAPTURE_WINDOW_DIR")), nativePath(capture));
  const auto lines = log(*selftest);
  const std::string started = c.crash ? "game started to crash (pid " : "game started (pid ";
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[2], started + std::to_string(app.game.process.processId()) + ")");
  EXPECT_NE(app.game.process.processId(), 0u);
  const std::string exited =
      "game exited, code " + std::to_string(app.game.gameExitCode) + ", crash report: ";
  ASSERT_EQ(lines.back().substr(0, exited.size()), exited);
  const std::string named = lines.back().substr(exited.size());
  EXPECT_EQ(c.report ? nativePath(named) : named, c.report ? nativePath(report) : "none");
}

INSTANTIATE_TEST_SUITE_P(
    Games, GameStepTest,
    ::testing::Values(GameCase{"PlayClosesWhenAsked", false, false, kClosesWhenAsked, false, false},
                      GameCase{"PlayEndsWithAnError", false, false, 5, true, false},
                      GameCase{"PlayErrorToleratedInErrorDemo", false, true, 5, false, false},
                      GameCase{"CrashWithReport", true, false, 3, false, true},
                      GameCase{"CrashWithoutReport", true, false, 3, true, false},
                      GameCase{"CrashCodeZeroWithReport", true, false, 0, true, true},
                      GameCase{"CrashToleratedInErrorDemo", true, true, 0, false, false}),
    [](const ::testing::TestParamInfo<GameCase>& info) { return std::string(info.param.name); });

TEST_F(SelftestTest, AskingTheGameToCloseIsLoggedOnce) {
  options.playSeconds = 0.2;
  writeGame({"close\t0"});
  auto selftest = make(true);
  selftest->steps = {selftest->playStep()};
  for (int i = 0; i < 500 && selftest->index == 0; ++i) {
    turn(*selftest, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(selftest->index, 1u);
  if (app.game.gameExitCode == testing::kStandInNoWindow) GTEST_SKIP() << testing::kNoWindowHere;
  int asked = 0;
  for (const std::string& line : log(*selftest))
    asked += line == "asking the game to close";
  EXPECT_EQ(asked, 1);
}

struct NoGameCase {
  const char* name;
  bool crash;
  const char* line;
};

void PrintTo(const NoGameCase& c, std::ostream* os) {
  *os << c.name;
}

class NoGameTest : public SelftestTest, public ::testing::WithParamInterface<NoGameCase> {};

TEST_P(NoGameTest, AGameThatDoesNotStartEndsTheRun) {
  auto selftest = make();
  selftest->steps = {GetParam().crash ? selftest->crashStep() : selftest->playStep()};
  turn(*selftest, 0);
  EXPECT_TRUE(selftest->failed);
  EXPECT_TRUE(app.quitConfirmed);
  EXPECT_EQ(log(*selftest).back(), GetParam().line);
  // Without a capture base, the launcher's environment is left alone.
  EXPECT_EQ(getEnv("ZA2D_CAPTURE_WINDOW_DIR"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Steps, NoGameTest,
    ::testing::Values(NoGameCase{"Play", false, "FAIL game did not start"},
                      NoGameCase{"Crash", true, "FAIL crash-test game did not start"}),
    [](const ::testing::TestParamInfo<NoGameCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scf
