// The build runner on the demo kit, with the launcher's settings bookkeeping across new builds,
// stops, failures, kits that cannot start and a launcher that dies mid-build. The runner takes
// its clock readings from the test, so the banked times are exact.

#include "prepare/build_run.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/build_actions.h"
#include "app/file_facts.h"
#include "platform/file_status.h"
#include "prepare/build_failure.h"
#include "prepare/failure_record.h"
#include "prepare_kit.h"
#include "release/launcher_settings.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace scf::prepare_test {
namespace {

constexpr std::uint32_t kGood = 0x4FE0A3;
constexpr std::uint32_t kAmber = 0xFFC35C;
constexpr const char* kStoppedText = "Stopped. Preparing continues from there next time.";

// A resumed build's kit skips what an earlier run did (its SKIP lines may be older than the
// last output lines kept).
bool skipped(const App& app, const std::string& key) {
  for (const Stage& stage : app.progress.stages) {
    if (stage.key == key) return stage.state == kStageSkipped;
  }
  return false;
}

#ifndef _WIN32
// Every process whose command line names the folder (the kit, its children, the job holder).
std::vector<int> processesNaming(const std::string& folder) {
  std::vector<int> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    if (text.str().find(folder) != std::string::npos && std::stoi(name) != getpid()) {
      found.push_back(std::stoi(name));
    }
  }
  return found;
}
#endif

class BuildRunTest : public DemoKitTest {
 protected:
  void SetUp() override {
    DemoKitTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    app->settings.disc = disc("scrapfury-usa.iso");
  }

  // Runs the frame loop's completion handling, every turn at the clock reading now, until the
  // run has ended.
  void finishAt(double now) {
    ASSERT_TRUE(waitFor(
        [&] {
          finishBuild(*app, now);
          return !app->build.building;
        },
        60));
  }

  // Drives the run at clock reading now until the stage is running.
  void runUntilStage(const char* key, double now) {
    ASSERT_TRUE(waitFor(
        [&] {
          finishBuild(*app, now);
          const int running = app->progress.runningStage();
          return !app->build.building ||
                 (running >= 0 && app->progress.stages[static_cast<size_t>(running)].key == key);
        },
        60));
    ASSERT_TRUE(app->build.building) << "the build ended before " << key;
  }

  LauncherSettings saved() const {
    LauncherSettings settings;
    EXPECT_TRUE(settings.load(app->layout.launcherIni));
    return settings;
  }

  // What the run's end leaves in memory is also what launcher.ini holds.
  void expectSavedAsInMemory() const { EXPECT_EQ(saved().text(), app->settings.text()); }
};

TEST_F(BuildRunTest, ANewBuild) {
  app->settings.pendingBuildSeconds = 77;  // left by some earlier build, not this one
  app->settings.built = false;
  app->currentTab = kTabMaintenance;
  app->build.statusText = "an old result";
  const std::string before = app->identity.builtFromCommit;

  startBuild(*app, 1000);
  EXPECT_TRUE(app->build.building);
  EXPECT_EQ(app->screen, kScreenPreparing);
  EXPECT_EQ(app->currentTab, kTabPlay);
  EXPECT_EQ(app->build.statusText, "");
  EXPECT_TRUE(saved().buildPending);
  EXPECT_EQ(saved().pendingBuildSeconds, 0);
  // A second start while building changes nothing.
  startBuild(*app, 1001);
  EXPECT_EQ(app->progress.runStart, 1000);

  finishAt(1600);
  EXPECT_EQ(app->screen, kScreenMain);
  EXPECT_EQ(app->build.statusText, "The game is ready. Prepared in 10:00.");
  EXPECT_EQ(app->build.statusColour, kGood);
  EXPECT_FALSE(app->settings.buildPending);
  EXPECT_TRUE(app->settings.built);
  EXPECT_EQ(app->settings.lastBuildSeconds, 600);
  EXPECT_EQ(app->settings.pendingBuildSeconds, 0);
  expectSavedAsInMemory();
  EXPECT_TRUE(app->progress.finished);
  EXPECT_EQ(app->progress.fraction(), 1);
  // The game folder's built_from.ini is read again, by the file facts' look: until then the
  // screens take the release's own commit, the source the kit was given.
  EXPECT_EQ(app->identity.builtFromCommit, app->identity.releaseCommit);
  EXPECT_TRUE(app->identity.builtFromToRead);
  lookAtFilesNow(*app);
  EXPECT_EQ(app->identity.builtFromCommit, scf_kit_test::kCommit);
  EXPECT_FALSE(app->identity.builtFromToRead);
  EXPECT_NE(before, scf_kit_test::kCommit);
}

TEST_F(BuildRunTest, StoppedThenResumed) {
  env.set("ZA2D_DEMO_BUILD_SECONDS", "4");
  startBuild(*app, 1000);
  runUntilStage("configure", 1000);
  stopBuild(*app, 1300);
  EXPECT_TRUE(app->build.stopRequested);
  // Banked at the stop, before the run has even ended.
  EXPECT_EQ(saved().pendingBuildSeconds, 300);
  finishAt(1400);
  EXPECT_EQ(app->build.process.exitCode(), 1);
  EXPECT_EQ(app->screen, kScreenMain);
  EXPECT_EQ(app->build.statusText, kStoppedText);
  EXPECT_EQ(app->build.statusColour, kAmber);
  // Banked once: the run's end after the stop adds nothing.
  EXPECT_EQ(app->settings.pendingBuildSeconds, 300);
  EXPECT_TRUE(app->settings.buildPending);
  EXPECT_FALSE(app->settings.built);
  expectSavedAsInMemory();

  env.set("ZA2D_DEMO_BUILD_SECONDS", "0");
  startBuild(*app, 2000);
  EXPECT_FALSE(app->build.stopRequested);
  EXPECT_EQ(app->settings.pendingBuildSeconds, 300);  // a resumed build keeps its time
  finishAt(2600);
  EXPECT_TRUE(skipped(*app, "verify"));
  EXPECT_EQ(app->build.statusText, "The game is ready. Prepared in 15:00.");
  EXPECT_EQ(app->settings.lastBuildSeconds, 900);
  EXPECT_EQ(app->settings.pendingBuildSeconds, 0);
  EXPECT_TRUE(app->settings.built);
  expectSavedAsInMemory();
}

TEST_F(BuildRunTest, FailedThenTriedAgain) {
  env.set("ZA2D_DEMO_FAIL_STAGE", "packs");
  startBuild(*app, 1000);
  finishAt(1050);
  EXPECT_EQ(app->screen, kScreenStopped);
  EXPECT_EQ(app->progress.failedStage, "packs");
  EXPECT_NE(app->progress.failureText.find("ZA2D_DEMO_FAIL_STAGE"), std::string::npos);
  EXPECT_EQ(app->progress.stages[5].state, kStageFailed);
  EXPECT_EQ(app->settings.pendingBuildSeconds, 50);
  EXPECT_TRUE(app->settings.buildPending);
  EXPECT_FALSE(app->settings.built);
  expectSavedAsInMemory();
  // The stage's own log is there for "Open log" and the report.
  EXPECT_TRUE(isRegularFile(stepLogPath(app->layout, app->progress)));
  EXPECT_NE(buildDetails(app->layout, app->progress, app->identity, app->settings.disc)
                .find("--- packs.log (last lines) ---"),
            std::string::npos);
  // The failure is kept with the build for a launcher started again.
  EXPECT_TRUE(isRegularFile(failureRecordPath(app->layout)));

  env.set("ZA2D_DEMO_FAIL_STAGE", "");
  startBuild(*app, 2000);  // "Try again"
  EXPECT_FALSE(pathExists(failureRecordPath(app->layout)));
  EXPECT_EQ(app->screen, kScreenPreparing);
  EXPECT_EQ(app->progress.failureText, "");
  finishAt(2010);
  EXPECT_TRUE(skipped(*app, "configure"));
  EXPECT_EQ(app->build.statusText, "The game is ready. Prepared in 1:00.");
  EXPECT_EQ(app->settings.lastBuildSeconds, 60);
  expectSavedAsInMemory();
}

TEST_F(BuildRunTest, AKitThatCannotStart) {
  app->layout.pythonExe = user.path() + "/no-python";
  app->currentTab = kTabMaintenance;
  startBuild(*app, 1000);
  EXPECT_FALSE(app->build.building);
  EXPECT_EQ(app->screen, kScreenStopped);
  EXPECT_EQ(app->currentTab, kTabPlay);
  EXPECT_EQ(app->progress.failedStage, "verify");
  const std::string prefix = "The build could not start: ";
  ASSERT_GT(app->progress.failureText.size(), prefix.size());
  EXPECT_EQ(app->progress.failureText.compare(0, prefix.size(), prefix), 0);
  // Nothing ran: nothing is pending and the settings file was not written.
  EXPECT_FALSE(app->settings.buildPending);
  EXPECT_FALSE(testing::exists(app->layout.launcherIni));
  // Nothing to finish either.
  finishBuild(*app, 1100);
  stopBuild(*app, 1100);
  EXPECT_EQ(app->settings.pendingBuildSeconds, 0);
  EXPECT_EQ(app->screen, kScreenStopped);

  uiFrench = true;
  startBuild(*app, 1000);
  EXPECT_EQ(app->progress.failureText.rfind("La préparation n'a pas pu démarrer : ", 0), 0u);
}

TEST_F(BuildRunTest, NothingStartsWithoutADisc) {
  app->settings.disc.clear();
  startBuild(*app, 1000);
  EXPECT_FALSE(app->build.building);
  EXPECT_EQ(app->screen, kScreenWelcome);
  EXPECT_FALSE(testing::exists(app->layout.launcherIni));
}

// Kits that end in other ways, stood in for by small scripts run as the interpreter.
TEST_F(BuildRunTest, HowAFakeKitEnds) {
  struct Case {
    const char* name;
    const char* script;
    bool stop;  // the user presses Stop once the script has printed its lines
    int screen;
    const char* failedStage;
    const char* failureText;
    const char* statusText;
  };
  const Case cases[] = {
      {"a non-zero code without ERROR", "echo PROGRESS compile; exit 3", false, kScreenStopped,
       "compile", "The build stopped unexpectedly (exit code 3).", ""},
      {"RESULT with exit code 1", "echo RESULT fine; exit 1", false, kScreenStopped, "",
       "The build stopped unexpectedly (exit code 1).", ""},
      {"exit code 0 without RESULT", "echo PROGRESS verify; echo DONE verify in 1", false,
       kScreenStopped, "", "The build stopped unexpectedly (exit code 0).", ""},
      {"an ERROR line", "echo PROGRESS tools; echo ERROR tools No space left; exit 1", false,
       kScreenStopped, "tools", "No space left", ""},
      {"an ERROR while dying from a stop", "echo ERROR compile killed; exec sleep 30", true,
       kScreenMain, "compile", "killed", kStoppedText},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string fake = user.path() + "/fake-python";
    testing::writeFile(fake, std::string("#!/bin/sh\n") + c.script + "\n");
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    app->layout.pythonExe = fake;
    app->settings.buildPending = false;
    app->screen = kScreenMain;
    startBuild(*app, 1000);
    ASSERT_TRUE(app->build.building);
    if (c.stop) {
      ASSERT_TRUE(waitFor(
          [&] {
            finishBuild(*app, 1000);
            return !app->progress.outputLines.empty();
          },
          10));
      stopBuild(*app, 1005);
    }
    finishAt(1010);
    EXPECT_EQ(app->screen, c.screen);
    EXPECT_EQ(app->progress.failedStage, c.failedStage);
    EXPECT_EQ(app->progress.failureText, c.failureText);
    EXPECT_EQ(app->build.statusText, c.statusText);
    EXPECT_EQ(app->settings.pendingBuildSeconds, c.stop ? 5 : 10);
    EXPECT_FALSE(app->settings.built);
  }
}

// Records what the run asks of the launcher that hosts it.
struct RecordingBuildHost : BuildHost {
  std::string calls;
  void saveSettings() override { calls += "save "; }
  void keepFailure() override { calls += "keep-failure "; }
};

// The run on its own, with no launcher around it: each end comes back as a value, and the saves
// go through the host.
TEST_F(BuildRunTest, EachEndIsReportedAndItsSavesGoThroughTheHost) {
  struct Case {
    const char* name;
    const char* script;
    bool stop;
    BuildEnd end;
    const char* calls;  // the start's save, the banked time's, then the end's own
  };
  const Case cases[] = {
      {"ready", "echo RESULT fine; exit 0", false, BuildEnd::ready, "save save save "},
      {"failed", "echo PROGRESS compile; exit 3", false, BuildEnd::failed,
       "save save keep-failure "},
      {"stopped", "echo ERROR compile killed; exec sleep 30", true, BuildEnd::stopped,
       "save save "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string fake = user.path() + "/fake-python";
    testing::writeFile(fake, std::string("#!/bin/sh\n") + c.script + "\n");
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    app->layout.pythonExe = fake;
    LauncherSettings settings;
    settings.disc = app->settings.disc;
    BuildProgress progress;
    RecordingBuildHost host;
    BuildRun run;
    const BuildContext context{app->layout, settings, progress, host};
    ASSERT_TRUE(run.start(context, 1000));
    EXPECT_TRUE(settings.buildPending);
    if (c.stop) {
      ASSERT_TRUE(waitFor(
          [&] {
            EXPECT_EQ(run.finish(context, 1000), BuildEnd::none);
            return !progress.outputLines.empty();
          },
          10));
      run.stop(context, 1005);
    }
    BuildEnd end = BuildEnd::none;
    ASSERT_TRUE(waitFor(
        [&] {
          end = run.finish(context, 1010);
          return end != BuildEnd::none;
        },
        60));
    EXPECT_EQ(end, c.end);
    EXPECT_EQ(host.calls, c.calls);
    EXPECT_FALSE(run.building);
    EXPECT_EQ(run.finish(context, 1020), BuildEnd::none) << "an end is reported once";
    EXPECT_EQ(settings.built, c.end == BuildEnd::ready);
    EXPECT_EQ(settings.lastBuildSeconds, c.end == BuildEnd::ready ? 10 : 0);
  }
}

TEST_F(BuildRunTest, ResultLinesInFrench) {
  struct Case {
    const char* script;
    bool stop;
    const char* statusText;
    const char* failureText;
  };
  const Case cases[] = {
      {"echo RESULT ok", false, "Le jeu est prêt. Préparé en 0:10.", ""},
      {"exec sleep 30", true, "Arrêté. La préparation reprendra à partir de là.", ""},
      {"exit 3", false, "", "La préparation s'est arrêtée (code 3)."},
  };
  uiFrench = true;
  const std::string fake = user.path() + "/fake-python";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    testing::writeFile(fake, std::string("#!/bin/sh\n") + c.script + "\n");
    std::filesystem::permissions(fake, std::filesystem::perms::owner_all);
    app->layout.pythonExe = fake;
    startBuild(*app, 1000);
    ASSERT_TRUE(app->build.building);
    if (c.stop) stopBuild(*app, 1010);
    finishAt(1010);
    EXPECT_EQ(app->build.statusText, c.statusText);
    EXPECT_EQ(app->progress.failureText, c.failureText);
  }
}

TEST_F(BuildRunTest, TheLauncherKilledMidBuildLeavesNoKitAndTheNextStartResumes) {
#ifdef _WIN32
  GTEST_SKIP() << scf_kit_test::kNoDemoKitHere;
#else
  env.set("ZA2D_DEMO_BUILD_SECONDS", "6");
  app->settings.save(app->layout.launcherIni);  // the accepted disc
  const std::string helper = SCF_BUILD_LAUNCHER_HELPER;
  const std::string folder = release();
  std::vector<char*> argv = {const_cast<char*>(helper.c_str()), const_cast<char*>(folder.c_str()),
                             nullptr};
  pid_t launcher = -1;
  ASSERT_EQ(posix_spawn(&launcher, helper.c_str(), nullptr, nullptr, argv.data(), environ), 0);
  const bool inConfigure =
      waitFor([&] { return testing::exists(release() + "/build/logs/configure.log"); }, 30);
  EXPECT_FALSE(processesNaming(folder).empty());
  ASSERT_EQ(::kill(launcher, SIGKILL), 0);
  ASSERT_EQ(waitpid(launcher, nullptr, 0), launcher);
  ASSERT_TRUE(inConfigure);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_EQ(processesNaming(folder), std::vector<int>{});

  // The next launcher finds the build pending and continues it.
  app = std::make_unique<App>();
  resolveLayout(*app, release());
  uiFrench = false;
  EXPECT_TRUE(app->settings.buildPending);
  env.set("ZA2D_DEMO_BUILD_SECONDS", "0");
  startBuild(*app, 1000);
  ASSERT_TRUE(app->build.building);
  finishAt(1030);
  EXPECT_TRUE(skipped(*app, "verify"));
  EXPECT_EQ(app->build.statusText, "The game is ready. Prepared in 0:30.");
  EXPECT_TRUE(app->settings.built);
#endif
}

TEST(FreeSpace, TheDriveTheBuildWritesTo) {
  testing::TempFolder temp;
  ReleaseLayout layout;
  layout.releaseDir = temp.path();
  layout.buildDir = temp / "build";
  const std::uint64_t free = freeSpaceBytes(layout);
  EXPECT_GT(free, 0u);
  // A release folder whose build folder is not made yet still has a drive; a folder that
  // cannot exist has none.
  layout.releaseDir = temp / "not/made/yet";
  EXPECT_GT(freeSpaceBytes(layout), 0u);
  layout.releaseDir = "";
  layout.buildDir = "";
  EXPECT_EQ(freeSpaceBytes(layout), 0u);
}

}  // namespace
}  // namespace scf::prepare_test
