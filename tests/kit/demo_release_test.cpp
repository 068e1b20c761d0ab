// The release that tools/make_release.py assembles is one the launcher takes as complete, and a
// game built by its demo kit is one the launcher takes as built from the release's own commit.

#include "demo_release.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/app.h"
#include "app/resolve_layout.h"
#include "release/rebuild_check.h"
#include "release/release_layout.h"

namespace {

namespace fs = std::filesystem;
using namespace scf_kit_test;

class DemoReleaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SCF_SKIP_WITHOUT_DEMO_KIT();
    ASSERT_FALSE(temp.path().empty());
    release = temp.path() + "/release";
    ASSERT_TRUE(makeRelease(release));
    env.set("ZA2D_USER_DIR", temp.path() + "/user");
  }

  TempFolder temp;
  EnvGuard env;
  std::string release;
};

TEST_F(DemoReleaseTest, IsCompleteForTheLauncher) {
  scf::App app;
  scf::resolveLayout(app, release);
  EXPECT_EQ(app.missingItem, "");
  EXPECT_FALSE(app.pythonMissing);
  EXPECT_EQ(app.screen, scf::kScreenWelcome);
  EXPECT_TRUE(fs::is_regular_file(app.layout.buildScript));
  EXPECT_TRUE(fs::is_regular_file(app.layout.kitDir + "/kit_manifest.json"));
  EXPECT_TRUE(fs::is_regular_file(release + "/" + fs::path(SCF_LAUNCHER_EXE).filename().string()));
  EXPECT_EQ(app.identity.releaseVersion, "0.8.0");
  EXPECT_EQ(app.identity.releaseCommit, kCommit);
  EXPECT_NE(app.identity.changelogText.find("Added"), std::string::npos);
  EXPECT_FALSE(scf::gameIsBuilt(app.layout));
}

TEST_F(DemoReleaseTest, ItsKitBuildsAGameTheLauncherTakesAsCurrent) {
  ASSERT_TRUE(makeDiscs(temp.path() + "/discs"));
  const std::string disc = temp.path() + "/discs/scrapfury-usa.iso";
  scf::App app;
  scf::resolveLayout(app, release);
  // The kit run exactly as the launcher runs it: its interpreter, its arguments, sourceDir.
  ASSERT_EQ(
      run("cd " + shellWord(app.layout.sourceDir) + " && ZA2D_DEMO_BUILD_SECONDS=0.3 " +
          shellWord(app.layout.pythonExe) + " -I -X utf8 " + shellWord(app.layout.buildScript) +
          " --disc " + shellWord(disc) + " --out " + shellWord(app.layout.buildDir) + " --game " +
          shellWord(app.layout.gameDir) + " >/dev/null"),
      0);

  scf::App after;
  scf::resolveLayout(after, release);
  EXPECT_TRUE(scf::gameIsBuilt(after.layout));
  EXPECT_TRUE(fs::is_regular_file(after.layout.discIso));
  EXPECT_EQ(after.identity.builtFromCommit, kCommit);
  EXPECT_FALSE(scf::rebuildNeeded(after.layout, after.identity));
}

}  // namespace
