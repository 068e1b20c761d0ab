#include "app/resolve_layout.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>

#include "app/app.h"
#include "platform/env.h"
#include "platform/utf8_path.h"
#include "release/tr.h"
#include "support/test_support.h"

namespace scf {
namespace {

#ifdef _WIN32
constexpr const char* kShippedPython = "/kit/python/python.exe";
#else
constexpr const char* kShippedPython = "/kit/python/bin/python3";
#endif

// A release folder and a user folder in a temporary place; the release is complete unless a
// test takes a piece away.
class ResolveLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedFrench = uiFrench;
    setEnv("ZA2D_USER_DIR", user);
    setEnv("LANG", "C.UTF-8");
    testing::writeFile(release + "/source/tools/scf_build.py", "");
    testing::writeFile(release + "/kit/kit_manifest.json", "{}");
    testing::writeFile(release + kShippedPython, "#!/bin/sh\n");
#ifndef _WIN32
    ::chmod((release + kShippedPython).c_str(), 0755);
#endif
  }
  void TearDown() override {
    uiFrench = savedFrench;
  }

  testing::EnvGuard env{{"ZA2D_USER_DIR", "LANG"}};
  testing::TempFolder folder;
  bool savedFrench = false;
  std::string release = folder / "release";
  std::string user = folder / "user";
};

TEST_F(ResolveLayoutTest, WithoutADiscTheWelcomeScreenOpens) {
  App app;
  resolveLayout(app, release);
  EXPECT_EQ(app.missingItem, "");
  EXPECT_EQ(app.screen, kScreenWelcome);
}

TEST_F(ResolveLayoutTest, WithADiscTheMainScreenOpensBeforeTheDiscIsChecked) {
  testing::writeFile(user + "/launcher.ini", "disc = /nowhere/x#1.iso\n");
  App app;
  resolveLayout(app, release);
  EXPECT_EQ(app.settings.disc, "/nowhere/x#1.iso");
  EXPECT_EQ(app.screen, kScreenMain);
}

TEST_F(ResolveLayoutTest, AMissingPieceOpensTheMissingFilesScreenEvenWithADisc) {
  testing::writeFile(user + "/launcher.ini", "disc = /games/scrapfury.iso\n");
  std::filesystem::remove(utf8Path(release + "/kit/kit_manifest.json"));
  App app;
  resolveLayout(app, release);
  EXPECT_EQ(app.missingItem, testing::nativePath("kit/"));
  EXPECT_FALSE(app.pythonMissing);
  EXPECT_EQ(app.screen, kScreenMissingFiles);
}

}  // namespace
}  // namespace scf
