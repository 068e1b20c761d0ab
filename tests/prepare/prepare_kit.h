#pragma once

// The prepare tests' demo release: made once per test program (a release with the demo kit and
// game, and every demo disc), then each test gets an App on it with its own user folder and no
// build left by an earlier test.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/app.h"
#include "app/resolve_layout.h"
#include "kit/demo_release.h"
#include "release/release_layout.h"
#include "release/tr.h"
#include "support/test_support.h"

namespace scf::prepare_test {

using testing::EnvGuard;
using testing::TempFolder;

// The release and discs, shared by every test of the program.
class DemoRelease {
 public:
  static DemoRelease& get() {
    static DemoRelease shared;
    return shared;
  }
  bool ready() const { return ready_; }
  std::string release() const { return folder_ / "release"; }
  std::string disc(const std::string& name) const { return folder_ / ("discs/" + name); }

 private:
  DemoRelease() {
    ready_ = scf_kit_test::makeRelease(release()) && scf_kit_test::makeDiscs(folder_ / "discs");
    testing::writeFile(disc("not-a-disc.iso"), "a text file, not a disc image\n");
  }
  TempFolder folder_;
  bool ready_ = false;
};

// Polls every 10 ms until the condition holds or seconds have passed; true when it held.
inline bool waitFor(const std::function<bool()>& condition, double seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

class DemoKitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SCF_SKIP_WITHOUT_DEMO_KIT();
    ASSERT_TRUE(DemoRelease::get().ready()) << "the demo release could not be made";
    std::error_code ignored;
    std::filesystem::remove_all(release() + "/build", ignored);
    std::filesystem::remove_all(release() + "/game", ignored);
    env.set("ZA2D_USER_DIR", user.path());
    env.set("ZA2D_DEMO_FAIL_STAGE", "");
    env.set("ZA2D_DEMO_FREE_SPACE_RESERVE", "");
    // The demo kit's test speed: a whole build in about a second.
    env.set("ZA2D_DEMO_BUILD_SECONDS", "0");
    app = std::make_unique<App>();
    resolveLayout(*app, release());
    ASSERT_EQ(app->missingItem, "");
    uiFrench = false;
  }
  void TearDown() override { uiFrench = savedFrench; }

  std::string release() const { return DemoRelease::get().release(); }
  std::string disc(const std::string& name) const { return DemoRelease::get().disc(name); }

  bool savedFrench = uiFrench;
  TempFolder user;
  EnvGuard env;
  std::unique_ptr<App> app;
};

}  // namespace scf::prepare_test
