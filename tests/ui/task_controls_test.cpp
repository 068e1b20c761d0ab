// The controls that start a task read the same table as the start functions: while another task
// runs each is drawn disabled, and hovering it says why.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "enhance/enhance_run.h"
#include "imgui_internal.h"
#include "screen_fixture.h"
#include "support/running_tasks.h"
#include "ui/screens/enhance_panel.h"
#include "ui/screens/maintenance_tab.h"
#include "ui/screens/play_tab.h"
#include "ui/screens/stopped_screen.h"
#include "ui/screens/welcome.h"
#include "update/update_install.h"

namespace scf {
namespace {

using testing::markRunning;
constexpr const auto& kAll = testing::kAllTasks;

class TaskControls : public ScreenTest {
 protected:
  struct Control {
    const char* label;
    Task task;
    int screen;
    int tab;
    bool gameBuilt;
    std::function<void(App&, float)> draw;
  };

  void SetUp() override {
    ScreenTest::SetUp();
    app.layout.sourceDir = dir / "source";
    app.layout.kitDir = dir / "kit";
    testing::writeFile(upscalerPath(app.layout), "upscaler");
    testing::writeFile(enhanceScriptPath(app.layout), "script");
  }
  void TearDown() override {
    for (Task task : kAll)
      markRunning(app, task, false);
    ScreenTest::TearDown();
  }

  void arrange(const Control& control) {
    app.screen = control.screen;
    app.currentTab = control.tab;
    std::filesystem::remove(app.layout.gameExe);
    if (control.gameBuilt) buildGame();
  }

  // The control's label drawn fully opaque: enabled; dimmed: disabled. Null when not drawn.
  const DrawnRun* find(const std::vector<DrawnRun>& runs, const char* label) {
    return exactRun(runs, label);
  }

  std::vector<Control> controls() {
    const auto welcome = [](App& a, float w) { drawWelcome(a, w); };
    const auto play = [](App& a, float w) { drawPlayTab(a, w); };
    const auto maintenance = [](App& a, float w) { drawMaintenanceTab(a, w); };
    const auto stopped = [](App& a, float w) { drawStoppedScreen(a, w); };
    const auto enhance = [](App& a, float w) { drawEnhancePanel(a, w); };
    return {
        {"Select your disc image…", Task::discCheck, kScreenWelcome, kTabPlay, false, welcome},
        {"Prepare the game", Task::build, kScreenMain, kTabPlay, false, play},
        {"Play", Task::game, kScreenMain, kTabPlay, true, play},
        {"Rebuild", Task::build, kScreenMain, kTabMaintenance, true, maintenance},
        {"Change disc image", Task::discCheck, kScreenMain, kTabMaintenance, true, maintenance},
        {"Try again", Task::build, kScreenStopped, kTabPlay, false, stopped},
        {"Change disc image", Task::discCheck, kScreenStopped, kTabPlay, false, stopped},
        {"Make enhanced textures", Task::enhance, kScreenMain, kTabSettings, true, enhance},
    };
  }
};

TEST_F(TaskControls, EnabledWhenNothingRunsAndDisabledBesideAnyOtherTask) {
  for (const Control& control : controls()) {
    arrange(control);
    {
      SCOPED_TRACE(std::string(control.label) + " with nothing running");
      const auto runs = draw([&] { control.draw(app, kContentWidth); });
      const DrawnRun* run = find(runs, control.label);
      ASSERT_NE(run, nullptr) << joined(runs);
      EXPECT_EQ(run->colour >> IM_COL32_A_SHIFT, 255u);
    }
    for (Task first : kAll) {
      // A running task may replace its own control (the welcome's spinner, the preparing screen).
      if (first == control.task) continue;
      SCOPED_TRACE(std::string(control.label) + " while task " +
                   std::to_string(static_cast<int>(first)) + " runs");
      markRunning(app, first, true);
      const auto runs = draw([&] { control.draw(app, kContentWidth); });
      markRunning(app, first, false);
      const DrawnRun* run = find(runs, control.label);
      ASSERT_NE(run, nullptr) << joined(runs);
      EXPECT_LT(run->colour >> IM_COL32_A_SHIFT, 255u) << "drawn enabled";
    }
  }
}

TEST_F(TaskControls, ADisabledControlSaysWhyWhenHoveredAndIsNotStarted) {
  const Control control = controls()[1];  // Prepare the game
  arrange(control);
  markRunning(app, Task::enhance, true);
  const auto body = [&] { control.draw(app, kContentWidth); };
  const auto runs = draw(body);
  const DrawnRun* run = find(runs, control.label);
  ASSERT_NE(run, nullptr);
  const ImVec2 centre((run->min.x + run->max.x) / 2.0f, (run->min.y + run->max.y) / 2.0f);
  clickRun(*run, body);
  EXPECT_FALSE(app.build.building);
  EXPECT_TRUE(app.progress.failureText.empty()) << "the start was not even tried";
  gui->moveMouse(centre);
  for (int frame = 0; frame < 30; ++frame)
    gui->frame(body);
  const std::string why = taskRefusal(app, Task::build);
  bool shown = false;
  for (ImGuiWindow* window : GImGui->Windows) {
    if (!window->Active || (window->Flags & ImGuiWindowFlags_Tooltip) == 0) continue;
    for (const DrawnRun& text : drawnRuns(window->DrawList))
      shown = shown || text.text == why;
  }
  EXPECT_TRUE(shown) << why;
}

}  // namespace
}  // namespace scf
