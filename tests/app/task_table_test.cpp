// The table of tasks that may run together: every pair of tasks, the second started through its
// own start function while the first runs, is refused with the first one's sentence and changes
// nothing; with nothing running, each start gets past the table.

#include "app/task_table.h"

#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "app/build_actions.h"
#include "app/disc_actions.h"
#include "app/enhance_actions.h"
#include "app/game_launch.h"
#include "enhance/enhance_run.h"
#include "game/game_run.h"
#include "prepare/build_run.h"
#include "prepare/disc_check.h"
#include "release/tr.h"
#include "support/running_tasks.h"
#include "support/test_support.h"
#include "ui/screen_layout.h"
#include "update/update_install.h"

namespace scf {
namespace {

using testing::markRunning;
constexpr const auto& kAll = testing::kAllTasks;

const char* name(Task task) {
  switch (task) {
    case Task::discCheck:
      return "disc check";
    case Task::build:
      return "build";
    case Task::game:
      return "game";
    case Task::update:
      return "update";
    case Task::enhance:
      return "texture run";
  }
  return "?";
}

// What a start leaves behind when it gets past the table in this test's release (which has no
// kit, no game program and an update host that does not answer): each start fails or begins in
// its own visible way.
bool startLeftATrace(const App& app, Task task) {
  switch (task) {
    case Task::discCheck:
      return !app.discCheck.discVerdict.empty() || app.discCheck.discChecking;
    case Task::build:
      return !app.progress.failureText.empty() || app.build.building;
    case Task::game:
      return !app.game.startError.empty() || app.game.gameRunning;
    case Task::update:
      return app.updateInstall.installState != kInstallIdle;
    case Task::enhance:
      return !app.enhance.runError.empty() || app.enhance.running;
  }
  return false;
}

void start(App& app, Task task) {
  switch (task) {
    case Task::discCheck:
      startDiscCheck(app, app.settings.disc);
      break;
    case Task::build:
      startBuild(app);
      break;
    case Task::game:
      launchGame(app);
      break;
    case Task::update:
      app.startUpdate("v9.0.0", "9.0.0");
      break;
    case Task::enhance:
      startEnhance(app, false);
      break;
  }
}

class TaskTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uiFrench = false;
    layOutScreenApp(app, dir);
    app.layout.pythonExe = dir / "kit/python/missing-python";
    app.layout.buildScript = dir / "source/scf_build.py";
    app.layout.sourceDir = dir / "source";
    // A game "built" as files, which no system can start.
    testing::writeFile(app.layout.gameExe, "not a program");
    testing::writeFile(app.layout.bootFile, "boot");
    app.screen = kScreenMain;
    app.updateInstall.downloadPrefix = "http://127.0.0.1:9/";
  }
  void TearDown() override {
    uiFrench = false;
    for (Task task : kAll)
      markRunning(app, task, false);
  }

  testing::TempFolder dir;
  App app;
};

TEST_F(TaskTableTest, NoTwoTasksRunTogether) {
  for (Task first : kAll) {
    for (Task second : kAll) {
      EXPECT_FALSE(mayRunTogether(first, second)) << name(first) << " / " << name(second);
    }
  }
}

TEST_F(TaskTableTest, EveryStartIsRefusedWhileAnotherTaskRunsAndSaysWhy) {
  for (Task first : kAll) {
    for (Task second : kAll) {
      SCOPED_TRACE(std::string(name(second)) + " started while the " + name(first) + " runs");
      markRunning(app, first, true);
      const std::string why = taskRefusal(app, second);
      EXPECT_FALSE(why.empty());
      app.refusal = TaskRefusal{};
      const int screen = app.screen;
      start(app, second);
      markRunning(app, first, false);
      EXPECT_FALSE(startLeftATrace(app, second));
      EXPECT_EQ(app.screen, screen);
      ASSERT_TRUE(app.refusal.active);
      EXPECT_EQ(app.refusal.wanted, second);
      EXPECT_EQ(app.refusal.blocker, first);
      // The kept refusal says what did not happen and the table's reason.
      EXPECT_NE(refusalText(app.refusal).find(why), std::string::npos) << refusalText(app.refusal);
    }
  }
}

TEST_F(TaskTableTest, WithNothingRunningEveryStartGetsPastTheTable) {
  for (Task task : kAll) {
    SCOPED_TRACE(name(task));
    EXPECT_EQ(taskRefusal(app, task), "");
    start(app, task);
    EXPECT_FALSE(app.refusal.active);
    EXPECT_TRUE(startLeftATrace(app, task));
    // Whatever began is ended before the next one starts.
    if (app.discCheck.discChecking) app.discCheck.cancel();
    if (app.build.building) stopBuild(app);
    if (app.updateInstall.installState == kInstallDownloading) {
      app.updateInstall.stopDownload.store(true);
      if (app.updateInstall.downloader.joinable()) app.updateInstall.downloader.join();
      app.updateInstall.installState = kInstallIdle;
    }
    app.build.building = false;
    app.enhance.running = false;
    app.game.gameRunning = false;
  }
}

TEST_F(TaskTableTest, RefusalsAreSentencesInBothLanguages) {
  for (Task first : kAll) {
    markRunning(app, first, true);
    uiFrench = false;
    const std::string english = taskRefusal(app, Task::build == first ? Task::game : Task::build);
    uiFrench = true;
    const std::string french = taskRefusal(app, Task::build == first ? Task::game : Task::build);
    uiFrench = false;
    markRunning(app, first, false);
    EXPECT_FALSE(english.empty()) << name(first);
    EXPECT_NE(english, french) << name(first);
    EXPECT_EQ(english.back(), '.') << english;
    EXPECT_EQ(french.back(), '.') << french;
  }
}

TEST_F(TaskTableTest, AKeptRefusalFollowsTheLanguageAndEndsWithItsBlocker) {
  markRunning(app, Task::build, true);
  startDiscCheck(app, app.settings.disc);
  ASSERT_TRUE(app.refusal.active);
  const std::string english = refusalText(app.refusal);
  uiFrench = true;
  EXPECT_NE(refusalText(app.refusal), english);
  uiFrench = false;
  expireRefusal(app);
  EXPECT_TRUE(app.refusal.active) << "the build still runs";
  markRunning(app, Task::build, false);
  expireRefusal(app);
  EXPECT_FALSE(app.refusal.active);
}

TEST_F(TaskTableTest, AFileDroppedOnTheMissingFilesScreenIsRefusedWithItsReason) {
  app.screen = kScreenMissingFiles;
  takeChosenDisc(app, app.settings.disc);
  EXPECT_FALSE(app.discCheck.discChecking);
  EXPECT_TRUE(app.discCheck.discVerdict.empty());
  EXPECT_EQ(app.screen, kScreenMissingFiles);
  ASSERT_TRUE(app.refusal.active);
  EXPECT_NE(refusalText(app.refusal).find("complete"), std::string::npos);
}

}  // namespace
}  // namespace scf
