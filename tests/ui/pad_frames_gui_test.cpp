// The ready page through the real window host after a pad input and after a mouse input: the
// pad's frame shows the focus ring around Play and the button hints in the footer, the mouse's
// neither. The pictures are kept in the build folder's ui-screenshots/ for a person to look at.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "app/app.h"
#include "app/frame_loop.h"
#include "app/window.h"
#include "imgui.h"
#include "png_picture.h"
#include "release/tr.h"
#include "screen_layout.h"
#include "support/test_support.h"
#include "ui/look_and_feel.h"
#include "ui/palette.h"
#include "ui/widgets/pad_hints.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

bool haveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

TEST(PadFrames, RingAndHintsShowAfterAPadInputOnly) {
  if (!haveDisplay()) GTEST_SKIP() << "no X display";
  testing::TempFolder dir;
  testing::EnvGuard env;
  env.set("ZA2D_USER_DIR", dir / "user");
  uiFrench = false;
  std::string error;
  ASSERT_TRUE(openWindow("SCF Launcher", 1120, 760, 1.0f, error)) << error;
  ImGui::StyleColorsDark();
  applyLookAndFeel();

  const fs::path folder = fs::path(SCF_BINARY_DIR) / "ui-screenshots";
  fs::create_directories(folder);
  const std::string padShot = (folder / "ready-after-pad.png").string();
  const std::string mouseShot = (folder / "ready-after-mouse.png").string();
  fs::remove(padShot);
  fs::remove(mouseShot);

  {
    App app;
    layOutScreenApp(app, dir);
    testing::writeFile(app.layout.gameExe, "game");
    testing::writeFile(app.layout.bootFile, "boot");
    app.screen = kScreenMain;
    app.settings.motion = false;
    // The mouse's frame first; then a pad input and a round trip through the Settings tab
    // (as RB, LB would make it) lands the focus on Play again, now with its ring.
    const std::map<int, std::function<void(App&)>> script = {
        {1, [](App& a) { a.lastInput = InputKind::mouse; }},
        {5, [&](App& a) { a.screenshotRequest = mouseShot; }},
        {6,
         [](App& a) {
           a.lastInput = InputKind::gamepad;
           a.currentTab = kTabSettings;
         }},
        {8, [](App& a) { a.currentTab = kTabPlay; }},
        {12, [&](App& a) { a.screenshotRequest = padShot; }},
    };
    int turn = 0;
    runFrameLoop(app, [&](App& a) {
      ++turn;
      const auto step = script.find(turn);
      if (step != script.end()) step->second(a);
      if (turn > 13) a.quitConfirmed = true;
    });
  }
  closeWindow();

  const Picture pad = readPicture(padShot);
  const Picture mouse = readPicture(mouseShot);
  ASSERT_GT(pad.width, 0u);
  ASSERT_EQ(pad.rgb.size(), mouse.rgb.size());
  // Play is 300 × 84 points: its ring, 2 points wide, is some 1500 pixels of the accent colour.
  const std::size_t ringPixels = pixelsNear(pad, colAccent, 12);
  const std::size_t withoutRing = pixelsNear(mouse, colAccent, 12);
  EXPECT_GT(ringPixels, withoutRing + 1000) << ringPixels << " vs " << withoutRing;
  // The hints' circles: A green, B red.
  EXPECT_GT(pixelsNear(pad, padButtonColour('A'), 12), 100u);
  EXPECT_LT(pixelsNear(mouse, padButtonColour('A'), 12), pixelsNear(pad, padButtonColour('A'), 12));
}

}  // namespace
}  // namespace scf
