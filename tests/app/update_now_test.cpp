// --update-now waits while another task runs, then installs; it is not lost to a refusal.
#include "app/update_now.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/app.h"
#include "support/release_host.h"
#include "support/test_support.h"
#include "ui/screen_layout.h"

namespace scf {
namespace {

TEST(UpdateNow, WaitsForTheRunningTaskThenStartsTheInstall) {
  testing::ReleaseHost host;
  ASSERT_FALSE(host.base().empty()) << "the release host did not start";
  testing::TempFolder dir;
  App app;
  layOutScreenApp(app, dir);
  app.updateInstall.downloadPrefix = host.url("/none/");
  app.updateNow = true;
  app.updateCheck.start(host.url("/repos/ZavUdedaved/ZER_Avudud/releases/latest"), false);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (app.updateCheck.view().state != kUpdateAvailable &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(app.updateCheck.view().state, kUpdateAvailable);

  for (bool* running : {&app.build.building, &app.discCheck.discChecking, &app.enhance.running,
                        &app.game.gameRunning}) {
    *running = true;
    followUpdateNow(app);
    *running = false;
    EXPECT_EQ(app.updateInstall.installState, kInstallIdle);
    EXPECT_TRUE(app.updateNow) << "the request waits";
    EXPECT_FALSE(app.refusal.active) << "an automatic request is no user's refused click";
  }

  followUpdateNow(app);
  EXPECT_EQ(app.updateInstall.installState, kInstallDownloading);
  EXPECT_FALSE(app.updateNow);
  app.updateInstall.stopDownload.store(true);
  if (app.updateInstall.downloader.joinable()) app.updateInstall.downloader.join();
  app.updateInstall.installState = kInstallIdle;
}

}  // namespace
}  // namespace scf
