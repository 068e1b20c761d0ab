#pragma once

// A release assembled by tools/make_release.py with a built game whose disc data is the demo's
// USA disc, a user folder of its own, and the enhanced-textures panel drawn without a window.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/enhance_actions.h"
#include "app/file_facts.h"
#include "app/resolve_layout.h"
#include "drawn_text.h"
#include "enhance/enhance_run.h"
#include "headless_gui.h"
#include "imgui_internal.h"
#include "kit/demo_kit_skip.h"
#include "release/release_layout.h"
#include "release/tr.h"
#include "support/test_support.h"
#include "ui/palette.h"
#include "ui/screens/enhance_panel.h"

namespace scf {

class EnhanceFixture : public ::testing::Test {
 protected:
  static constexpr float kPanelWidth = 474.0f;

  void SetUp() override {
    SCF_SKIP_WITHOUT_DEMO_KIT();
    uiFrench = false;
    env.set("ZA2D_USER_DIR", dir / "user");
    env.set("ZA2D_DEMO_ENHANCE_SECONDS", "0");
    const std::string release = dir / "release";
    testing::writeFile(dir / "stand-in-game", "#!/bin/sh\nexit 0\n");
    ASSERT_EQ(run(tool("make_release.py") + " --launcher " + word(SCF_LAUNCHER_EXE) + " --game " +
                  word(dir / "stand-in-game") + " --out " + word(release) +
                  " --commit 0123456789abcdef0123456789abcdef01234567 >/dev/null"),
              0);
    ASSERT_EQ(run(tool("make_disc.py") + " --variant usa --out " +
                  word(release + "/game/disc.iso") + " >/dev/null"),
              0);
    testing::writeFile(release + "/game/scf", "#!/bin/sh\nexit 0\n");
    testing::writeFile(release + "/game/SXUS_902.10", "boot");
    resolveLayout(app, release);
    ASSERT_FALSE(app.layout.pythonExe.empty());
    gui = std::make_unique<HeadlessGui>();
    gui->sharpEdges();
  }
  void TearDown() override { uiFrench = false; }

  // The frame loop's step for the texture run, every 10 ms, until the run is over or the time
  // is up; true when it is over.
  bool pollToEnd(double seconds = 120) {
    return pollUntil([&] { return !app.enhance.running; }, seconds);
  }
  bool pollUntil(const std::function<bool()>& done, double seconds = 120) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      app.enhance.poll(app.layout);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
  }

  // Replaces the release's texture script with this Python body.
  void scriptBody(const std::string& body) const {
    testing::writeFile(app.layout.sourceDir + "/tools/scf_texture_enhance.py", body);
  }

  // Draws the panel twice (the first frame bakes the glyphs it needs) and reads the second.
  std::vector<DrawnRun> drawPanel() {
    // The frame loop's worker looks at the files; here the test's own files are looked at now.
    lookAtFilesNow(app);
    gui->frame(panel());
    gui->frame(panel());
    return lastRuns();
  }

  // Clicks the middle of a drawn text; returns what the frame of the click drew.
  std::vector<DrawnRun> click(const std::string& text) {
    const std::vector<DrawnRun> before = drawPanel();
    const DrawnRun* run = exactRun(before, text);
    EXPECT_NE(run, nullptr) << text << " is not drawn:\n" << joined(before);
    if (run == nullptr) return before;
    gui->click(ImVec2((run->min.x + run->max.x) / 2.0f, (run->min.y + run->max.y) / 2.0f), panel());
    return lastRuns();
  }

  static const DrawnRun* exactRun(const std::vector<DrawnRun>& runs, const std::string& text) {
    for (const DrawnRun& run : runs) {
      if (run.text == text) return &run;
    }
    return nullptr;
  }

  static std::string joined(const std::vector<DrawnRun>& runs) {
    std::string text;
    for (const DrawnRun& run : runs)
      text += run.text + "\n";
    return text;
  }

  static ImU32 opaque(std::uint32_t rgb) { return withAlpha(rgb, 1.0f); }

  std::string packFile(const std::string& name) const {
    return app.layout.userDir + "/texture_pack/" + name;
  }

  testing::TempFolder dir;
  testing::EnvGuard env;
  App app;
  std::unique_ptr<HeadlessGui> gui;

 private:
  std::function<void()> panel() {
    return [this] { drawEnhancePanel(app, kPanelWidth); };
  }
  std::vector<DrawnRun> lastRuns() {
    EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
    ImGuiWindow* window = ImGui::FindWindowByName("##test");
    return window != nullptr ? drawnRuns(window->DrawList) : std::vector<DrawnRun>{};
  }
  static std::string word(const std::string& text) { return "'" + text + "'"; }
  static std::string tool(const std::string& name) {
    return "python3 -B -I -X utf8 " + word(std::string(SCF_SOURCE_DIR) + "/tools/" + name);
  }
  static int run(const std::string& command) {
    const int status = std::system(command.c_str());
#ifdef _WIN32
    return status;
#else
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  }
};

}  // namespace scf
