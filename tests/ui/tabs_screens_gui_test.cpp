// The Settings and Maintenance tabs through the real window host under an X server, in English
// and French; the screenshots stay in the build folder's artifacts/ui/.
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "ui/palette.h"
#include "window_screens.h"

namespace scf {
namespace {

class TabsScreens : public WindowScreens {
 protected:
  void SetUp() override {
    WindowScreens::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    app.layout.userDir = dir / "user";
    app.layout.videoIni = dir / "user/video.ini";
    std::filesystem::create_directories(app.layout.userDir);
    app.screen = kScreenMain;
    buildGame();
  }
};

TEST_F(TabsScreens, SettingsInBothLanguages) {
  app.currentTab = kTabSettings;
  app.video.width = 1280;
  app.video.height = 720;
  app.videoSaved = true;  // the green "Saved." line is this tab's own colour
  shoot("settings", colGood);
  uiFrench = true;
  app.video.mode = "borderless";
  app.settings.motion = false;
  shoot("settings-fr", colGood);
}

TEST_F(TabsScreens, MaintenanceInBothLanguages) {
  app.currentTab = kTabMaintenance;
  std::filesystem::create_directories(app.layout.buildLogsDir);
  // A manual check that cannot reach its host, so the version line says why.
  testing::EnvGuard env{{"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"}};
  for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"})
    env.set(name, "");
  app.updateCheck.start("http://127.0.0.1:1/repos/o/r/releases/latest", true);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (app.updateCheck.view().state == kUpdateChecking &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(app.updateCheck.view().state, kUpdateFailed);
  // The muted ink of the six descriptions: an empty body shows well under a thousand pixels of
  // it (the tab names), the tab about three thousand.
  struct Shot {
    const char* name;
    bool french;
  };
  for (const Shot& shot : {Shot{"maintenance", false}, Shot{"maintenance-fr", true}}) {
    uiFrench = shot.french;
    shoot(shot.name, colMuted);
    const Picture picture = readPicture(folder() / (std::string(shot.name) + ".png"));
    EXPECT_GT(pixelsNear(picture, colMuted, 16), 1500u) << shot.name << " lacks its descriptions";
  }
}

}  // namespace
}  // namespace scf
