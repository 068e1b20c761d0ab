#include "ui/main_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/app.h"
#include "app/window.h"
#include "headless_gui.h"
#include "imgui_internal.h"
#include "platform/build_info.h"
#include "release/launcher_settings.h"
#include "release/tr.h"
#include "ui/palette.h"
#include "ui/screens/footer.h"
#include "ui/widgets/text.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

bool popupOpen(const char* name) {
  for (const ImGuiPopupData& popup : GImGui->OpenPopupStack) {
    if (popup.Window != nullptr && std::strcmp(popup.Window->Name, name) == 0) return true;
  }
  return false;
}

class MainWindow : public testing::Test {
 protected:
  void SetUp() override {
    uiFrench = false;
    // One folder per process: ctest runs the fixture's tests side by side.
    dir_ = fs::path(testing::TempDir()) / ("scf_ui_main_window_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    app.layout.releaseDir = dir_.string();
    app.layout.launcherIni = (dir_ / "launcher.ini").string();
  }
  void TearDown() override {
    uiFrench = false;
    fs::remove_all(dir_);
  }

  void open(float scale, ImVec2 display) {
    gui.reset();
    gui = std::make_unique<HeadlessGui>(scale, display);
    gui->sharpEdges();
  }
  void draw() {
    gui->bareFrame([&] { drawMainWindow(app); });
  }
  void click(ImVec2 pos) {
    gui->click(
        pos, [&] { drawMainWindow(app); }, true);
  }
  std::vector<ImDrawVert> windowVertices(const char* name) {
    ImGuiWindow* window = ImGui::FindWindowByName(name);
    if (window == nullptr || !window->Active) return {};
    return {window->DrawList->VtxBuffer.begin(), window->DrawList->VtxBuffer.end()};
  }

  App app;
  std::unique_ptr<HeadlessGui> gui;
  fs::path dir_;
};

// Wider windows centre the card (and the header and footer over and under it).
TEST_F(MainWindow, CardIsAtMost1040PointsWideWithAtLeast44PointMargins) {
  struct Case {
    float scale;
    float width;
    float card;  // pixels
  };
  const Case cases[] = {
      {1.0f, 1120.0f, 1032.0f}, {1.0f, 1400.0f, 1040.0f}, {1.0f, 980.0f, 892.0f},
      {2.0f, 2240.0f, 2064.0f}, {2.0f, 2400.0f, 2080.0f}, {1.5f, 1500.0f, 1368.0f},
  };
  for (const Case& c : cases) {
    open(c.scale, ImVec2(c.width, 760.0f * c.scale));
    for (int screen : {kScreenMissingFiles, kScreenWelcome, kScreenMain}) {
      app.screen = screen;
      draw();
      EXPECT_FLOAT_EQ(cardWidth(c.width), c.card);
      ImVec2 min, max;
      ASSERT_TRUE(boundsOfColour(windowVertices("##root"), IM_COL32(8, 14, 36, 205), min, max));
      EXPECT_FLOAT_EQ(min.x, std::max(44.0f * c.scale, std::floor((c.width - c.card) / 2.0f)))
          << c.width;
      EXPECT_FLOAT_EQ(max.x - min.x, c.card) << c.width << " at scale " << c.scale;
      EXPECT_FLOAT_EQ(min.y, 208.0f * c.scale);
    }
    EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
  }
}

TEST_F(MainWindow, WhatsNewDialogIsAtMost820PointsWide) {
  struct Case {
    float scale;
    float width;
    float dialog;
  };
  const Case cases[] = {
      {1.0f, 1120.0f, 820.0f},
      {1.0f, 860.0f, 780.0f},
      {2.0f, 2240.0f, 1640.0f},
      {2.0f, 1700.0f, 1540.0f},
  };
  app.identity.displayVersion = "0.8.0";
  app.identity.changelogText = "### Added\n- a **bold** [link](u)\n  joined\n\nLast words.\n";
  for (const Case& c : cases) {
    open(c.scale, ImVec2(c.width, 760.0f * c.scale));
    app.showWhatsNew = true;
    for (int i = 0; i < 3; ++i)
      draw();
    EXPECT_FALSE(app.showWhatsNew) << "the request is consumed";
    ImGuiWindow* dialog = ImGui::FindWindowByName("##whatsnew");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->Active);
    EXPECT_FLOAT_EQ(dialog->Size.x, c.dialog) << c.width << " at scale " << c.scale;
    EXPECT_NEAR(dialog->Pos.x + dialog->Size.x / 2.0f, c.width / 2.0f, 1.0f) << "centred";
    EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
  }
}

TEST_F(MainWindow, LanguagePillFlipsTheLanguageAndSavesIt) {
  open(1.0f, ImVec2(1120.0f, 760.0f));
  app.screen = kScreenWelcome;
  const ImVec2 pill(1120.0f - 154.0f + 20.0f, 30.0f + 10.0f);
  click(pill);
  EXPECT_TRUE(uiFrench);
  EXPECT_EQ(app.settings.language, "fr");
  LauncherSettings saved;
  ASSERT_TRUE(saved.load(app.layout.launcherIni));
  EXPECT_EQ(saved.language, "fr");

  click(pill);
  EXPECT_FALSE(uiFrench);
  ASSERT_TRUE(saved.load(app.layout.launcherIni));
  EXPECT_EQ(saved.language, "en") << "launcher.ini holds the last choice";
}

TEST_F(MainWindow, TabsAppearFromTheMainScreenOnAndEscapeReturnsToPlay) {
  for (float scale : {1.0f, 2.0f}) {
    open(scale, ImVec2(1120.0f * scale, 760.0f * scale));
    // The last tab's right edge is 44 + 8 points from the window's edge.
    const ImVec2 lastTab(1120.0f * scale - 60.0f * scale, 40.0f * scale);

    app.screen = kScreenWelcome;
    app.currentTab = kTabPlay;
    click(lastTab);
    EXPECT_EQ(app.currentTab, kTabPlay) << "no tabs on the welcome screen";

    app.screen = kScreenMain;
    click(lastTab);
    EXPECT_EQ(app.currentTab, kTabMaintenance);

    app.showWhatsNew = true;
    draw();
    draw();
    gui->pressKey(ImGuiKey_Escape, [&] { drawMainWindow(app); });
    EXPECT_EQ(app.currentTab, kTabMaintenance) << "Escape closes the dialog first";
    draw();
    EXPECT_FALSE(popupOpen("##whatsnew"));

    gui->pressKey(ImGuiKey_Escape, [&] { drawMainWindow(app); });
    EXPECT_EQ(app.currentTab, kTabPlay);
    EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
  }
}

TEST_F(MainWindow, TabPillsEndAtTheRightMargin) {
  const char* names[2][3] = {{"Play", "Settings", "Maintenance"},
                             {"Jouer", "Réglages", "Maintenance"}};
  for (float scale : {1.0f, 2.0f}) {
    const float width = 1120.0f * scale;
    open(scale, ImVec2(width, 760.0f * scale));
    app.screen = kScreenMain;
    for (bool french : {false, true}) {
      uiFrench = french;
      for (int tab = kTabPlay; tab <= kTabMaintenance; ++tab) {
        app.currentTab = tab;
        float left = 0.0f;
        float pillWidth = 0.0f;
        float pillHeight = 0.0f;
        gui->bareFrame([&] {
          float total = 0.0f;
          for (const char* name : names[french])
            total += measureSpaced(name, 17.0f, 0.0f).x + 38.0f * scale;
          left = width - 44.0f * scale - total;
          for (int i = 0; i < tab; ++i)
            left += measureSpaced(names[french][i], 17.0f, 0.0f).x + 38.0f * scale;
          const ImVec2 text = measureSpaced(names[french][tab], 17.0f, 0.0f);
          pillWidth = text.x + 30.0f * scale;
          pillHeight = text.y + 14.0f * scale;
          drawMainWindow(app);
        });
        // The selected pill is the only shape in its violet fill in the header band (the tab
        // bodies draw selected pills of their own further down).
        std::vector<ImDrawVert> header = windowVertices("##root");
        std::erase_if(header, [&](const ImDrawVert& v) { return v.pos.y > 80.0f * scale; });
        ImVec2 min, max;
        ASSERT_TRUE(boundsOfColour(header, withAlpha(colViolet, 0.2f), min, max));
        EXPECT_NEAR(min.x, left, 0.01f) << names[french][tab] << " at scale " << scale;
        EXPECT_NEAR(max.x - min.x, pillWidth, 0.01f) << names[french][tab];
        EXPECT_NEAR(min.y, 30.0f * scale, 0.01f);
        EXPECT_NEAR(max.y - min.y, pillHeight, 0.01f);
        if (tab == kTabMaintenance) EXPECT_NEAR(max.x, width - 52.0f * scale, 0.01f);
      }
    }
    EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
  }
}

TEST_F(MainWindow, VersionLineHoldsTheVersionAndTheShortCommit) {
  const std::string commit(kSourceCommit);
  ASSERT_EQ(commit.size(), 40u);
  for (bool french : {false, true}) {
    uiFrench = french;
    EXPECT_EQ(versionLine(app), "ZER_Avudud 0.8.0  ·  " + commit.substr(0, 10));
  }
}

TEST_F(MainWindow, FooterShowsTheWhatsNewLinkOnlyWithNotes) {
  open(1.0f, ImVec2(1120.0f, 760.0f));
  app.screen = kScreenMain;
  const ImU32 linkColour = IM_COL32(158, 192, 255, 255);
  ImVec2 min, max;

  app.identity.changelogText.clear();
  draw();
  ASSERT_TRUE(boundsOfColour(windowVertices("##root"), linkColour, min, max));
  const float portlogRight = max.x;
  EXPECT_LT(portlogRight, 200.0f) << "only the makers' link";
  EXPECT_GT(min.y, 760.0f - 46.0f);

  app.identity.displayVersion = "0.8.0";
  app.identity.changelogText = "- one\n";
  draw();
  ASSERT_TRUE(boundsOfColour(windowVertices("##root"), linkColour, min, max));
  EXPECT_GT(max.x, portlogRight + 200.0f) << "the what's-new link after the version line";
  // The rightmost link glyph belongs to the what's-new link; a click on it opens the dialog.
  click(ImVec2(max.x - 4.0f, (min.y + max.y) / 2.0f));
  draw();
  EXPECT_FALSE(app.showWhatsNew) << "the request is consumed";
  EXPECT_TRUE(popupOpen("##whatsnew"));
  EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
}

TEST_F(MainWindow, QuitDialogKeepsGoingOrQuits) {
  open(1.0f, ImVec2(1120.0f, 760.0f));
  app.screen = kScreenMain;
  app.currentTab = kTabSettings;

  for (bool stop : {false, true}) {
    app.quitAsked = true;
    draw();
    draw();
    EXPECT_FALSE(app.quitAsked);
    ASSERT_TRUE(popupOpen("##quit"));
    // Escape means "Keep going": the dialog closes, the tab stays.
    gui->pressKey(ImGuiKey_Escape, [&] { drawMainWindow(app); });
    EXPECT_FALSE(popupOpen("##quit")) << "Escape keeps going";
    EXPECT_FALSE(app.quitConfirmed);
    EXPECT_EQ(app.currentTab, kTabSettings);
    app.quitAsked = true;
    draw();
    draw();
    ASSERT_TRUE(popupOpen("##quit"));

    // Each button is found by its resting border colour.
    const ImU32 border = stop ? withAlpha(colBad, 0.25f) : withAlpha(0xDBE7FF, 0.55f);
    ImVec2 min, max;
    ASSERT_TRUE(boundsOfColour(windowVertices("##quit"), border, min, max));
    click(ImVec2((min.x + max.x) / 2.0f, (min.y + max.y) / 2.0f));
    draw();
    EXPECT_EQ(app.quitConfirmed, stop);
    EXPECT_FALSE(popupOpen("##quit"));
  }
  EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
}

TEST_F(MainWindow, EveryScreenAndTabDrawsInBothLanguages) {
  open(1.0f, ImVec2(980.0f, 700.0f));
  app.identity.changelogText = "- one\n";
  for (bool french : {false, true}) {
    uiFrench = french;
    for (int screen = kScreenMissingFiles; screen <= kScreenStopped; ++screen) {
      for (int tab = kTabPlay; tab <= kTabMaintenance; ++tab) {
        app.screen = screen;
        app.currentTab = tab;
        app.pythonMissing = screen == kScreenMissingFiles && tab == kTabSettings;
        draw();
      }
    }
  }
  EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
}

}  // namespace
}  // namespace scf
