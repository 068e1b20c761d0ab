#include "ui/main_window.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/app.h"
#include "app/window.h"
#include "imgui.h"
#include "ui/dialogs/disc_list_dialog.h"
#include "ui/dialogs/quit_dialog.h"
#include "ui/dialogs/shell_failure_dialog.h"
#include "ui/dialogs/whats_new.h"
#include "ui/layout_record.h"
#include "ui/nav_focus.h"
#include "ui/nav_keys.h"
#include "ui/screens/footer.h"
#include "ui/screens/header.h"
#include "ui/screens/maintenance_tab.h"
#include "ui/screens/missing_files.h"
#include "ui/screens/play_tab.h"
#include "ui/screens/preparing_screen.h"
#include "ui/screens/settings_tab.h"
#include "ui/screens/stopped_screen.h"
#include "ui/screens/task_notices.h"
#include "ui/screens/welcome.h"
#include "ui/widget_trace.h"
#include "ui/widgets/card.h"

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

// The page as the focus sees it: a change of screen, tab or of what the page offers (the game
// built, a disc being checked, the game coming back) lands the focus on the new page.
long focusPlace(const App& app) {
  const bool ready = app.files.gameBuilt && !app.settings.buildPending;
  const int tab = app.screen >= kScreenMain ? app.currentTab : 0;
  return app.screen + 8L * tab + 64L * ready + 128L * app.discCheck.discChecking +
         256L * app.game.gameRunning + 512L * app.files.discExists;
}

}  // namespace

float cardWidth(float windowWidth) {
  return std::min(1040.0f * uiScale, windowWidth - 88.0f * uiScale);
}

float columnLeft(float windowWidth) {
  return std::floor((windowWidth - cardWidth(windowWidth)) / 2.0f);
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
  beginFocusFrame(focusPlace(app),
                  app.lastInput == InputKind::keyboard || app.lastInput == InputKind::gamepad);

  // Header, card and footer form one column as wide as the card, centred in wide windows.
  const float card = cardWidth(size.x);
  const float left = columnLeft(size.x);
  // The notices along the footer's right end take the column's right edge as the window's.
  const float columnWindow = left + card + 44.0f * s;
  setLayoutPart(LayoutPart::header);
  drawHeader(app, left, card);

  // The card ends a clear gap above the footer; a taller body scrolls inside it.
  setLayoutPart(LayoutPart::card);
  constexpr float kCardTop = 208.0f;
  ImGui::SetCursorPos(ImVec2(left, kCardTop * s));
  char bodyId[48];
  std::snprintf(bodyId, sizeof(bodyId), "##card-body-%d-%d", app.screen,
                app.screen >= kScreenMain ? app.currentTab : 0);
  beginCard(card, 30.0f, std::max(size.y - (kCardTop + kFooterBand + 12.0f) * s, 90.0f * s),
            bodyId);
  drawBody(app, card - 60.0f * s);
  endCard();

  setLayoutPart(LayoutPart::footer);
  drawFooter(app, left, size.y);
  drawProgressSummary(app, columnWindow, size.y);
  drawDiscCheckStatus(app, columnWindow, size.y);
  drawRefusalNotice(app, columnWindow, size.y);
  setLayoutPart(LayoutPart::card);
  handlePageKeys(app);

  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(28.0f * s, 24.0f * s));
  drawQuitDialog(app);
  drawWhatsNewDialog(app);
  drawShellFailureDialog();
  drawDiscListDialog(app);
  ImGui::PopStyleVar();

  endFocusFrame();
  endTraceFrame();
  ImGui::End();
}

}  // namespace scf
