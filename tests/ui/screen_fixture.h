// A headless GUI and an App whose folders live in a temporary folder, for tests that draw the
// launcher's screens and read back what they show.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "drawn_text.h"
#include "headless_gui.h"
#include "imgui_internal.h"
#include "release/tr.h"
#include "screen_layout.h"
#include "support/test_support.h"
#include "ui/palette.h"

namespace scf {

class ScreenTest : public ::testing::Test {
 protected:
  // The width handed to the bodies, as in a 1120-point window.
  static constexpr float kContentWidth = 972.0f;

  void SetUp() override {
    uiFrench = false;
    gui = std::make_unique<HeadlessGui>();
    gui->sharpEdges();
    layOutScreenApp(app, dir);
    app.screen = kScreenMain;
  }
  void TearDown() override { uiFrench = false; }

  // A new GUI at this scale, its display 1120 × 760 points.
  void useScale(float scale) {
    gui.reset();
    gui = std::make_unique<HeadlessGui>(scale, ImVec2(1120.0f * scale, 760.0f * scale));
    gui->sharpEdges();
  }

  void buildGame() {
    testing::writeFile(app.layout.gameExe, "game");
    testing::writeFile(app.layout.bootFile, "boot");
  }

  // Draws the body twice (the first frame bakes the glyphs it needs) and reads the second.
  std::vector<DrawnRun> draw(const std::function<void()>& body) {
    // The frame loop's worker looks at the files; here the test's own files are looked at now.
    lookAtFilesNow(app);
    gui->frame(body);
    gui->frame(body);
    EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
    ImGuiWindow* window = ImGui::FindWindowByName("##test");
    return window != nullptr ? drawnRuns(window->DrawList) : std::vector<DrawnRun>{};
  }

  static std::string joined(const std::vector<DrawnRun>& runs) {
    std::string text;
    for (const DrawnRun& run : runs)
      text += run.text + "\n";
    return text;
  }

  // A run whose whole text is exactly this (a button's label, a line of its own).
  static const DrawnRun* exactRun(const std::vector<DrawnRun>& runs, const std::string& text) {
    for (const DrawnRun& run : runs) {
      if (run.text == text) return &run;
    }
    return nullptr;
  }

  // The same in this colour only (a heading's glow draws faint copies of its text first).
  static const DrawnRun* exactRun(const std::vector<DrawnRun>& runs, const std::string& text,
                                  ImU32 colour) {
    for (const DrawnRun& run : runs) {
      if (run.text == text && run.colour == colour) return &run;
    }
    return nullptr;
  }

  static ImU32 opaque(std::uint32_t rgb) { return withAlpha(rgb, 1.0f); }

  // Clicks the middle of a run's text across the frames a click takes.
  void clickRun(const DrawnRun& run, const std::function<void()>& body) {
    gui->click(ImVec2((run.min.x + run.max.x) / 2.0f, (run.min.y + run.max.y) / 2.0f), body);
  }

  testing::TempFolder dir;
  App app;
  std::unique_ptr<HeadlessGui> gui;
};

}  // namespace scf
