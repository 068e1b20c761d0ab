// The real window host under an X server and an App whose folders live in a temporary folder,
// for tests that take screenshots of the launcher's screens. The screenshots stay in the build
// folder's artifacts/ui/ for a person to look at.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
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

namespace scf {

class WindowScreens : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no X display";
    uiFrench = false;
    std::filesystem::create_directories(folder());
    std::string error;
    ASSERT_TRUE(openWindow("SCF Launcher", 1120, 760, 1.0f, error)) << error;
    ImGui::StyleColorsDark();
    applyLookAndFeel();
    opened_ = true;

    layOutScreenApp(app, dir);
    app.identity.displayVersion = "0.8.0";
  }
  void TearDown() override {
    uiFrench = false;
    if (opened_) closeWindow();
  }

  static std::filesystem::path folder() {
    return std::filesystem::path(SCF_BINARY_DIR) / "artifacts" / "ui";
  }

  void buildGame() {
    testing::writeFile(app.layout.gameExe, "game");
    testing::writeFile(app.layout.bootFile, "boot");
  }

  // Runs a few turns of the real frame loop and saves the third frame as name.png; checks that
  // the picture has the window's pixel size, is not blank and shows the screen's own colour
  // (a text or mark that only this screen draws in it).
  void shoot(const char* name, std::uint32_t screenColour) {
    const std::filesystem::path path = folder() / (std::string(name) + ".png");
    std::filesystem::remove(path);
    app.quitConfirmed = false;
    int turn = 0;
    runFrameLoop(app, [&](App& a) {
      ++turn;
      if (turn == 3) a.screenshotRequest = path.string();
      if (turn > 4) a.quitConfirmed = true;
    });
    const Picture picture = readPicture(path);
    EXPECT_EQ(picture.width, static_cast<std::uint32_t>(windowPixelWidth())) << name;
    EXPECT_EQ(picture.height, static_cast<std::uint32_t>(windowPixelHeight())) << name;
    ASSERT_EQ(picture.rgb.size(), std::size_t{picture.width} * picture.height * 3) << name;
    EXPECT_GT(distinctColours(picture), 200u) << name << " looks blank";
    EXPECT_GT(pixelsNear(picture, screenColour, 16), 40u) << name << " lacks its own colour";
  }

  testing::TempFolder dir;
  App app;
  bool opened_ = false;
};

}  // namespace scf
