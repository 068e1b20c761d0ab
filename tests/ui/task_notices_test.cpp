// A running disc check shows in the footer of every screen but the welcome screen, with a Cancel
// that ends it; a refused start shows its sentence above the footer.
#include "ui/screens/task_notices.h"

#include <gtest/gtest.h>

#include <string>

#include "app/app.h"
#include "app/disc_actions.h"
#include "drawn_text.h"
#include "headless_gui.h"
#include "imgui_internal.h"
#include "release/tr.h"
#include "support/test_support.h"
#include "ui/main_window.h"
#include "ui/screen_layout.h"

namespace scf {
namespace {

class TaskNotices : public ::testing::Test {
 protected:
  void SetUp() override {
    uiFrench = false;
    gui = std::make_unique<HeadlessGui>();
    layOutScreenApp(app, dir);
    app.discCheck.checkedImage = dir / "discs/my copy.iso";
  }
  void TearDown() override {
    uiFrench = false;
    app.discCheck.discChecking = false;
  }

  std::vector<DrawnRun> rootRuns() {
    gui->bareFrame([&] { drawMainWindow(app); });
    gui->bareFrame([&] { drawMainWindow(app); });
    // The page and the card's body, which is a window of its own inside it.
    std::vector<DrawnRun> runs;
    for (ImGuiWindow* window : GImGui->Windows) {
      if (!window->Active || window->RootWindow == nullptr ||
          std::string(window->RootWindow->Name) != "##root")
        continue;
      const std::vector<DrawnRun> more = drawnRuns(window->DrawList);
      runs.insert(runs.end(), more.begin(), more.end());
    }
    return runs;
  }

  static const DrawnRun* find(const std::vector<DrawnRun>& runs, const std::string& text) {
    for (const DrawnRun& run : runs) {
      if (run.text == text) return &run;
    }
    return nullptr;
  }

  testing::TempFolder dir;
  App app;
  std::unique_ptr<HeadlessGui> gui;
};

TEST_F(TaskNotices, ARunningCheckShowsOnEveryScreenWithItsCancel) {
  struct Where {
    int screen;
    int tab;
  };
  const Where places[] = {{kScreenMain, kTabPlay},
                          {kScreenMain, kTabSettings},
                          {kScreenMain, kTabMaintenance},
                          {kScreenStopped, kTabPlay},
                          {kScreenMissingFiles, kTabPlay}};
  app.discCheck.discChecking = true;
  for (const Where& where : places) {
    SCOPED_TRACE(std::to_string(where.screen) + "/" + std::to_string(where.tab));
    app.screen = where.screen;
    app.currentTab = where.tab;
    const auto runs = rootRuns();
    const DrawnRun* status = findRun(runs, "Checking the disc…");
    ASSERT_TRUE(status);
    EXPECT_NE(status->text.find("my copy.iso"), std::string::npos) << status->text;
    EXPECT_TRUE(find(runs, "Cancel"));
  }
  app.screen = kScreenWelcome;
  const auto welcome = rootRuns();
  const DrawnRun* status = findRun(welcome, "Checking the disc…");
  ASSERT_TRUE(status) << "the welcome shows it in its body";
  EXPECT_EQ(status->text, "Checking the disc…") << "and not again in the footer";
}

TEST_F(TaskNotices, CancelInTheFooterEndsTheCheck) {
  app.screen = kScreenMain;
  app.currentTab = kTabSettings;
  app.discCheck.discChecking = true;
  const auto runs = rootRuns();
  const DrawnRun* cancel = find(runs, "Cancel");
  ASSERT_TRUE(cancel);
  gui->click(
      ImVec2((cancel->min.x + cancel->max.x) / 2, (cancel->min.y + cancel->max.y) / 2),
      [&] { drawMainWindow(app); }, true);
  EXPECT_FALSE(app.discCheck.discChecking);
  EXPECT_EQ(app.discCheck.discVerdict, "") << "a cancelled check gives no verdict";
}

TEST_F(TaskNotices, ARefusedStartSaysWhyAboveTheFooterInTheCurrentLanguage) {
  app.screen = kScreenMain;
  app.build.building = true;
  takeChosenDisc(app, app.settings.disc);
  app.build.building = false;
  ASSERT_TRUE(app.refusal.active);
  app.build.building = true;  // the refusal lasts while its blocker runs
  for (bool french : {false, true}) {
    uiFrench = french;
    gui->bareFrame([&] { drawMainWindow(app); });
    gui->bareFrame([&] { drawMainWindow(app); });
    // The panel wraps its sentence; its lines joined again read as the whole.
    std::string shown;
    for (const DrawnRun& run : drawnRuns(ImGui::GetForegroundDrawList()))
      shown += (shown.empty() ? "" : " ") + run.text;
    EXPECT_EQ(shown, refusalText(app.refusal));
  }
  app.build.building = false;
}

}  // namespace
}  // namespace scf
