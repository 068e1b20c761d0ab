// A failed build is kept with the build: a launcher started again shows the same failure until
// the next build starts; a record it cannot read changes nothing.
#include "prepare/failure_record.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/app.h"
#include "app/build_actions.h"
#include "support/test_support.h"
#include "ui/screen_layout.h"

namespace scf {
namespace {

class FailureRecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    layOutScreenApp(first, dir);
    layOutScreenApp(next, dir);
    first.progress.reset(0);
    first.progress.failedStage = "compile";
    first.progress.failureText = "cc1plus: out of memory\nsecond line";
    for (int i = 0; i < 70; ++i)
      first.progress.feed("INFO line " + std::to_string(i), 1.0);
    next.settings.buildPending = true;
    next.screen = kScreenMain;
  }
  testing::TempFolder dir;
  App first;
  App next;
};

TEST_F(FailureRecordTest, ALaunchStartedAgainShowsTheSameFailure) {
  keepBuildFailure(first.layout, first.progress, first.settingsWriter);
  ASSERT_TRUE(restoreBuildFailure(next));
  EXPECT_EQ(next.screen, kScreenStopped);
  EXPECT_EQ(next.progress.failedStage, "compile");
  EXPECT_EQ(next.progress.failureText, "cc1plus: out of memory second line");
  EXPECT_EQ(next.progress.outputLines, first.progress.outputLines);
  bool failedMarked = false;
  for (const Stage& stage : next.progress.stages)
    failedMarked = failedMarked || (stage.key == "compile" && stage.state == kStageFailed);
  EXPECT_TRUE(failedMarked);
}

TEST_F(FailureRecordTest, GoneOnceTheNextBuildStartsAndIgnoredWithoutAPendingBuild) {
  keepBuildFailure(first.layout, first.progress, first.settingsWriter);
  next.settings.buildPending = false;
  EXPECT_FALSE(restoreBuildFailure(next));
  EXPECT_EQ(next.screen, kScreenMain);
  forgetBuildFailure(first.layout);
  next.settings.buildPending = true;
  EXPECT_FALSE(restoreBuildFailure(next));
  EXPECT_EQ(next.screen, kScreenMain);
}

TEST_F(FailureRecordTest, ARecordThatCannotBeReadChangesNothing) {
  const std::string path = failureRecordPath(next.layout);
  std::filesystem::create_directories(path);  // a folder in its place
  EXPECT_FALSE(restoreBuildFailure(next));
  std::filesystem::remove_all(path);
  testing::writeFile(path, std::string("stage = compile\nmessage = \n") + std::string(3, '\0'));
  EXPECT_FALSE(restoreBuildFailure(next)) << "no reason, no failure to show";
  testing::writeFile(path, std::string(200 * 1024, 'x'));
  EXPECT_FALSE(restoreBuildFailure(next)) << "too large";
  EXPECT_EQ(next.screen, kScreenMain);
  EXPECT_EQ(next.progress.failureText, "");
}

}  // namespace
}  // namespace scf
