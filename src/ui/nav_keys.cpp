#include "ui/nav_keys.h"

#include "app/app.h"
#include "app/game_launch.h"
#include "app/task_table.h"
#include "game/game_run.h"
#include "imgui.h"
#include "ui/nav_focus.h"
#include "ui/widget_trace.h"

namespace scf {
namespace {

constexpr int kTabCount = 3;

bool pressed(ImGuiKey key, bool repeat) {
  return ImGui::IsKeyPressed(key, repeat);
}

// +1 for the next tab, -1 for the previous one, 0 for none.
int tabStep() {
  const ImGuiIO& io = ImGui::GetIO();
  if (pressed(ImGuiKey_GamepadR1, false)) return 1;
  if (pressed(ImGuiKey_GamepadL1, false)) return -1;
  if (io.KeyCtrl && pressed(ImGuiKey_Tab, true)) return io.KeyShift ? -1 : 1;
  return 0;
}

}  // namespace

bool backPressed() {
  return pressed(ImGuiKey_Escape, false) || pressed(ImGuiKey_GamepadFaceRight, false);
}

bool gameReadyToPlay(const App& app) {
  return app.screen == kScreenMain && app.files.gameBuilt && !app.settings.buildPending &&
         !app.game.gameRunning && taskRefusal(app, Task::game).empty();
}

void handlePageKeys(App& app) {
  if (popupOpenOrJustClosed()) return;
  const bool back = pressed(ImGuiKey_Escape, true) || pressed(ImGuiKey_GamepadFaceRight, true);
  if (back && app.currentTab != kTabPlay) app.currentTab = kTabPlay;
  // The tabs exist from the main screen on.
  const int step = app.screen >= kScreenMain ? tabStep() : 0;
  if (step != 0) app.currentTab = (app.currentTab + step + kTabCount) % kTabCount;
  if (pressed(ImGuiKey_GamepadStart, false) && gameReadyToPlay(app)) {
    traceActivation("Play##play");
    launchGame(app);
  }
}

}  // namespace scf
