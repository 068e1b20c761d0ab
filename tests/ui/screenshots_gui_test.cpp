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
#include "ui/fonts.h"
#include "ui/look_and_feel.h"
#include "ui/tr.h"

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

// Width, height and RGB pixels of a PNG made of stored deflate blocks, as our encoder writes.
struct Picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;

  const std::uint8_t* at(std::uint32_t x, std::uint32_t y) const {
    return &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
  }
};

Picture readPicture(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> png((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
  Picture picture;
  if (png.size() < 57) return picture;
  auto be = [&](std::size_t at) {
    return (std::uint32_t{png[at]} << 24) | (std::uint32_t{png[at + 1]} << 16) |
           (std::uint32_t{png[at + 2]} << 8) | png[at + 3];
  };
  picture.width = be(16);
  picture.height = be(20);
  std::vector<std::uint8_t> filtered;
  std::size_t chunk = 33;
  while (chunk + 8 <= png.size()) {
    const std::size_t length = be(chunk);
    const std::string type(png.begin() + static_cast<long>(chunk + 4),
                           png.begin() + static_cast<long>(chunk + 8));
    if (type == "IDAT") {
      std::size_t pos = chunk + 8 + 2;
      const std::size_t end = chunk + 8 + length - 4;
      while (pos + 5 <= end) {
        const std::size_t block = png[pos + 1] | (std::size_t{png[pos + 2]} << 8);
        filtered.insert(filtered.end(), png.begin() + static_cast<long>(pos + 5),
                        png.begin() + static_cast<long>(pos + 5 + block));
        pos += 5 + block;
      }
    }
    chunk += 12 + length;
  }
  const std::size_t stride = 1 + std::size_t{picture.width} * 3;
  for (std::uint32_t y = 0; y < picture.height && (y + 1) * stride <= filtered.size(); ++y) {
    picture.rgb.insert(picture.rgb.end(), filtered.begin() + static_cast<long>(y * stride + 1),
                       filtered.begin() + static_cast<long>((y + 1) * stride));
  }
  return picture;
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
