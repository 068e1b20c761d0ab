#include "ui/main_window.h"

#include <algorithm>

#include "app/app.h"
#include "app/window.h"
#include "imgui.h"
#include "ui/card.h"
#include "ui/footer.h"
#include "ui/header.h"
#include "ui/maintenance_tab.h"
#include "ui/missing_files.h"
#include "ui/play_tab.h"
#include "ui/preparing_screen.h"
#include "ui/quit_dialog.h"
#include "ui/settings_tab.h"
#include "ui/shell_failure_dialog.h"
#include "ui/stopped_screen.h"
#include "ui/task_notices.h"
#include "ui/welcome.h"
#include "ui/whats_new.h"

namespace scf {
namespace {

void drawBody(App& app, float contentWidth) {
  if (app.screen == kScreenMissingFiles) {
    drawMissingFiles(app, contentWidth);
  } else if (app.screen == kScreenWelcome) {
    drawWelcome(app, contentWidth);
  } else if (app.currentTab == kTabSettings) {
    drawSettingsTab(app, contentWidth);
  } else if (app.currentTab == kTabMaintenance) {
    drawMaintenanceTab(app, contentWidth);
  } else if (app.screen == kScreenPreparing) {
    drawPreparingScreen(app, contentWidth);
  } else if (app.screen == kScreenStopped) {
    drawStoppedScreen(app, contentWidth);
  } else {
    drawPlayTab(app, contentWidth);
  }
}

void handleEscape(App& app) {
  if (ImGui::IsKeyPressed(ImGuiKey_Escape, true) &&
      !ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId) && app.currentTab != kTabPlay) {
    app.currentTab = kTabPlay;
  }
}

}  // namespace

float cardWidth(float windowWidth) {
  return std::min(1040.0f * uiScale, windowWidth - 88.0f * uiScale);
}

void drawMainWindow(App& app) {
  const float s = uiScale;
  const ImVec2 size = ImGui::GetIO().DisplaySize;
  ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
  ImGui::SetNextWindowSize(size);
  constexpr ImGuiWindowFlags kRootFlags =
      ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove |
      ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoBackground |
      ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoBringToFrontOnFocus;
  ImGui::Begin("##root", nullptr, kRootFlags);

  drawHeader(app, size.x);

  ImGui::SetCursorPos(ImVec2(44.0f * s, 208.0f * s));
  const float card = cardWidth(size.x);
  beginCard(card, 30.0f);
  drawBody(app, card - 60.0f * s);
  endCard();

  drawFooter(app, size.y);
  drawProgressSummary(app, size.x, size.y);
  drawDiscCheckStatus(app, size.x, size.y);
  drawRefusalNotice(app, size.x, size.y);
  handleEscape(app);

  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(28.0f * s, 24.0f * s));
  drawQuitDialog(app);
  drawWhatsNewDialog(app);
  drawShellFailureDialog();
  ImGui::PopStyleVar();

  ImGui::End();
}

}  // namespace scf
