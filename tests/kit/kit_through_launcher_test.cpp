// The demo kit and game driven the way the launcher drives them: its command lines, its
// ChildProcess slots (a captured job for the kit, a free session for the game), its kill and
// its close request.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/resolve_layout.h"
#include "demo_release.h"
#include "game/game_contract.h"
#include "platform/env.h"
#include "platform/process.h"
#include "prepare/kit_contract.h"
#include "release/rebuild_check.h"
#include "release/release_layout.h"

namespace {

namespace fs = std::filesystem;
using namespace scf_kit_test;

bool startsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// Waits for the child to end (at most seconds), then for its last lines.
std::vector<std::string> finish(scf::ChildProcess& child, double seconds = 120) {
  std::vector<std::string> lines;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (child.running() && std::chrono::steady_clock::now() < deadline) {
    for (auto& line : child.takeLines())
      lines.push_back(std::move(line));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  child.waitReader(2000);
  for (auto& line : child.takeLines())
    lines.push_back(std::move(line));
  return lines;
}

class KitThroughLauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SCF_SKIP_WITHOUT_DEMO_KIT();
    ASSERT_FALSE(temp.path().empty());
    ASSERT_TRUE(makeRelease(temp.path() + "/release"));
    ASSERT_TRUE(makeDiscs(temp.path() + "/discs"));
    env.set("ZA2D_USER_DIR", temp.path() + "/user");
    env.set("ZA2D_DEMO_FAIL_STAGE", "");
    scf::resolveLayout(app, temp.path() + "/release");
    ASSERT_EQ(app.missingItem, "");
  }

  std::string disc(const std::string& name) const { return temp.path() + "/discs/" + name; }

  // Runs a whole build to its end; its lines.
  std::vector<std::string> build(const std::string& image, int& exitCode) {
    scf::ChildProcess kit;
    std::string error;
    EXPECT_TRUE(kit.start(scf::buildCommand(app.layout, image), true, error)) << error;
    std::vector<std::string> lines = finish(kit);
    exitCode = kit.exitCode();
    return lines;
  }

  TempFolder temp;
  EnvGuard env;
  scf::App app;
};

TEST_F(KitThroughLauncherTest, DiscCheckAnswers) {
  struct Case {
    const char* image;
    bool accepted;
    const char* reasonWord;
  };
  const Case cases[] = {
      {"scrapfury-usa.iso", true, ""},
      {"scrapfury-usa.cue", true, ""},
      {"scrapfury-europe.iso", false, "European"},
      {"other-game.iso", false, "boots"},
      {"scrapfury-usa-damaged.iso", false, "SHA-1"},
      {"no-such-disc.iso", false, "does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    scf::ChildProcess check;
    std::string error;
    ASSERT_TRUE(check.start(scf::discCheckCommand(app.layout, disc(c.image)), true, error));
    const std::vector<std::string> lines = finish(check, 60);
    std::string okLine;
    std::string reason;
    for (const std::string& line : lines) {
      if (startsWith(line, scf::discAcceptedPrefix)) okLine = line;
      if (startsWith(line, scf::discRefusalPrefix)) {
        reason = line.substr(scf::discRefusalPrefix.size());
      }
    }
    EXPECT_EQ(!okLine.empty() && check.exitCode() == 0, c.accepted);
    EXPECT_NE(reason.find(c.reasonWord), std::string::npos) << reason;
  }
}

TEST_F(KitThroughLauncherTest, StoppedInCompileThenContinued) {
  env.set("ZA2D_DEMO_BUILD_SECONDS", "5");
  scf::ChildProcess kit;
  std::string error;
  ASSERT_TRUE(kit.start(scf::buildCommand(app.layout, disc("scrapfury-usa.iso")), true, error));
  int stoppedAt = -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (stoppedAt < 0 && kit.running() && std::chrono::steady_clock::now() < deadline) {
    for (const std::string& line : kit.takeLines()) {
      if (startsWith(line, "PERCENT compile ") && std::atoi(line.c_str() + 16) >= 30) {
        stoppedAt = std::atoi(line.c_str() + 16);
        kit.kill();  // the Stop button: the whole job ends
        break;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GE(stoppedAt, 30);
  finish(kit, 10);
  EXPECT_EQ(kit.exitCode(), 1);
  EXPECT_FALSE(scf::gameIsBuilt(app.layout));

  env.set("ZA2D_DEMO_BUILD_SECONDS", "1");
  int exitCode = -1;
  const std::vector<std::string> lines = build(disc("scrapfury-usa.iso"), exitCode);
  EXPECT_EQ(exitCode, 0);
  std::vector<std::string> skipped;
  int firstCompilePercent = -1;
  for (const std::string& line : lines) {
    if (startsWith(line, "SKIP ")) skipped.push_back(line.substr(5));
    if (startsWith(line, "PERCENT compile ") && firstCompilePercent < 0) {
      firstCompilePercent = std::atoi(line.c_str() + 16);
    }
  }
  EXPECT_EQ(skipped, (std::vector<std::string>{"verify", "extract", "configure", "tools",
                                               "recompile", "packs"}));
  EXPECT_GE(firstCompilePercent, stoppedAt);
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(startsWith(lines.back(), "RESULT "));
  EXPECT_TRUE(scf::gameIsBuilt(app.layout));
}

TEST_F(KitThroughLauncherTest, GameClosesOnRequestAndCrashesOnDemand) {
  if (scf::getEnv("DISPLAY").empty()) GTEST_SKIP() << "no display (run under xvfb-run)";
  env.set("ZA2D_DEMO_BUILD_SECONDS", "0.2");
  int exitCode = -1;
  build(disc("scrapfury-usa.cue"), exitCode);
  ASSERT_EQ(exitCode, 0);
  env.set("ZA2D_NO_DIALOGS", "1");
  env.set("LIBGL_ALWAYS_SOFTWARE", "1");

  {
    scf::ChildProcess game;
    std::string error;
    ASSERT_TRUE(game.start(scf::gameCommand(app.layout), false, error)) << error;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_TRUE(game.running());
    game.askToClose();
    finish(game, scf::gameCloseTimeoutSeconds);
    EXPECT_EQ(game.exitCode(), 0);
  }

  env.set(scf::envTestCrash, "1");
  scf::ChildProcess game;
  std::string error;
  ASSERT_TRUE(game.start(scf::gameCommand(app.layout), false, error)) << error;
  finish(game, 60);
  EXPECT_NE(game.exitCode(), 0);
  std::vector<fs::path> reports;
  for (const auto& entry : fs::directory_iterator(app.layout.crashesDir)) {
    if (entry.path().extension() == ".txt") reports.push_back(entry.path());
  }
  EXPECT_EQ(reports.size(), 1u);
}

}  // namespace
