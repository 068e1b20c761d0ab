// The release that tools/make_release.py assembles is one the launcher takes as complete, and a
// game built by its demo kit is one the launcher takes as built from the release's own commit.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/app.h"
#include "release/rebuild_check.h"
#include "release/release_layout.h"

namespace {

namespace fs = std::filesystem;

const std::string kCommit = "89abcdef0123456789abcdef0123456789abcdef";

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "scf-demo-release-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TempFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Keeps the launcher's user folder inside the test's folder, and restores the variable after.
class UserDirGuard {
 public:
  explicit UserDirGuard(const std::string& dir) {
    if (const char* old = std::getenv("ZA2D_USER_DIR")) saved_ = old, had_ = true;
    ::setenv("ZA2D_USER_DIR", dir.c_str(), 1);
  }
  ~UserDirGuard() {
    if (had_) {
      ::setenv("ZA2D_USER_DIR", saved_.c_str(), 1);
    } else {
      ::unsetenv("ZA2D_USER_DIR");
    }
  }

 private:
  std::string saved_;
  bool had_ = false;
};

std::string shellWord(const std::string& text) {
  return "'" + text + "'";
}

int run(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class DemoReleaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(temp.path().empty());
    release = temp.path() + "/release";
    const std::string tools = std::string(SCF_SOURCE_DIR) + "/tools";
    ASSERT_EQ(run("python3 -I -X utf8 " + shellWord(tools + "/make_release.py") + " --launcher " +
                  shellWord(SCF_LAUNCHER_EXE) + " --game " + shellWord(SCF_DEMO_GAME) + " --out " +
                  shellWord(release) + " --commit " + kCommit + " >/dev/null"),
              0);
  }

  TempFolder temp;
  std::string release;
};

TEST_F(DemoReleaseTest, IsCompleteForTheLauncher) {
  UserDirGuard user(temp.path() + "/user");
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
  const std::string disc = temp.path() + "/scrapfury-usa.iso";
  ASSERT_EQ(
      run("python3 -I -X utf8 " + shellWord(std::string(SCF_SOURCE_DIR) + "/tools/make_disc.py") +
          " --variant usa --out " + shellWord(disc) + " >/dev/null"),
      0);
  UserDirGuard user(temp.path() + "/user");
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
