// The launcher's frames through the real window host under an X server (Xvfb in ./test.sh).
// The screenshots are kept in the build folder's ui-screenshots/ for a person to look at.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/frame_loop.h"
#include "app/window.h"
#include "imgui.h"
#include "png_picture.h"
#include "release/tr.h"
#include "ui/fonts.h"
#include "ui/look_and_feel.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

bool haveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

fs::path shotsFolder() {
  return fs::path(SCF_BINARY_DIR) / "ui-screenshots";
}

class LauncherFrames : public testing::Test {
 protected:
  void SetUp() override {
    if (!haveDisplay()) GTEST_SKIP() << "no X display";
    uiFrench = false;
    fs::create_directories(shotsFolder());
  }
  void open(float scale) {
    std::string error;
    ASSERT_TRUE(openWindow("SCF Launcher", 1120, 760, scale, error)) << error;
    ImGui::StyleColorsDark();
    applyLookAndFeel();
    opened_ = true;
  }
  void TearDown() override {
    uiFrench = false;
    if (opened_) closeWindow();
  }

  // Runs the frame loop through a script: turn number → what to do on that turn.
  void run(App& app, const std::map<int, std::function<void(App&)>>& script) {
    int turn = 0;
    const int last = script.rbegin()->first;
    runFrameLoop(app, [&](App& a) {
      ++turn;
      const auto step = script.find(turn);
      if (step != script.end()) step->second(a);
      if (turn > last) a.quitConfirmed = true;
    });
  }

  std::string shot(const char* name) {
    const fs::path path = shotsFolder() / name;
    fs::remove(path);
    return path.string();
  }

  bool opened_ = false;
};

TEST_F(LauncherFrames, Exo2IsTheDefaultFont) {
  open(1.0f);
  ImFont* font = ImGui::GetIO().FontDefault;
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font, uiFont);
  ASSERT_GT(font->Sources.Size, 0);
  EXPECT_STREQ(font->Sources[0]->Name, "Exo 2");
  EXPECT_EQ(static_cast<std::size_t>(font->Sources[0]->FontDataSize), exo2ResourceSize())
      << "the face compiled into the executable, not the GUI's built-in one";
  EXPECT_EQ(ImGui::GetIO().IniFilename, nullptr);
}

TEST_F(LauncherFrames, WelcomeInBothLanguagesAndTheMissingFilesScreen) {
  open(1.0f);
  App app;
  app.screen = kScreenWelcome;
  app.layout.releaseDir = "/opt/scf-launcher";
  app.identity.changelogText = "### Added\n- Something new\n";
  app.identity.displayVersion = "0.8.0";
  const std::string english = shot("welcome-en.png");
  const std::string french = shot("welcome-fr.png");
  const std::string missing = shot("missing-files.png");
  const std::string tabs = shot("main-tabs-whats-new.png");
  run(app, {
               {3, [&](App& a) { a.screenshotRequest = english; }},
               {4, [](App&) { uiFrench = true; }},
               {6, [&](App& a) { a.screenshotRequest = french; }},
               {7,
                [](App& a) {
                  uiFrench = false;
                  a.screen = kScreenMissingFiles;
                  a.missingItem = "source/tools/scf_build.py";
                }},
               {9, [&](App& a) { a.screenshotRequest = missing; }},
               {10,
                [](App& a) {
                  a.screen = kScreenMain;
                  a.currentTab = kTabSettings;
                  a.showWhatsNew = true;
                }},
               {14, [&](App& a) { a.screenshotRequest = tabs; }},
           });

  const std::uint32_t width = static_cast<std::uint32_t>(windowPixelWidth());
  const std::uint32_t height = static_cast<std::uint32_t>(windowPixelHeight());
  for (const std::string& path : {english, french, missing, tabs}) {
    const Picture picture = readPicture(path);
    ASSERT_EQ(picture.width, width) << path;
    ASSERT_EQ(picture.height, height) << path;
    ASSERT_EQ(picture.rgb.size(), std::size_t{width} * height * 3) << path;
    // The background covers the whole window: no pixel keeps the bare clear colour there.
    const std::uint8_t* middle = picture.at(width / 2, height - 4);
    EXPECT_GT(middle[2], 10) << path << ": the bottom middle glows blue";
  }
  // Only the header's language button and the subtitle differ between the two languages.
  const Picture en = readPicture(english);
  const Picture fr = readPicture(french);
  ASSERT_EQ(en.rgb.size(), fr.rgb.size());
  EXPECT_NE(en.rgb, fr.rgb);
}

TEST_F(LauncherFrames, LargerScaleWrapsTheMissingFilesTextInsideTheCard) {
  // 1920 × 1080 leaves room for a scale of about 1.3 (the window must fit the desktop).
  open(1.5f);
  ASSERT_GT(uiScale, 1.2f);
  App app;
  app.screen = kScreenMissingFiles;
  app.pythonMissing = true;
  app.layout.releaseDir = "/home/joueuse/Téléchargements/ZER_Avudud-0.8.0";
  const std::string path = shot("missing-python-fr-scaled.png");
  run(app, {
               {1, [](App&) { uiFrench = true; }},
               {3, [&](App& a) { a.screenshotRequest = path; }},
           });
  const Picture picture = readPicture(path);
  EXPECT_EQ(picture.width, static_cast<std::uint32_t>(windowPixelWidth()));
  EXPECT_EQ(picture.height, static_cast<std::uint32_t>(windowPixelHeight()));
}

}  // namespace
}  // namespace scf
