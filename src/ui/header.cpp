#include "ui/header.h"

#include <cstdio>

#include "app/app.h"
#include "app/settings_store.h"
#include "app/window.h"
#include "imgui.h"
#include "ui/palette.h"
#include "ui/pill.h"
#include "ui/text.h"
#include "ui/tr.h"

namespace scf {
namespace {

const char* tabName(int tab) {
  switch (tab) {
    case kTabPlay:
      return tr("Play", "Jouer");
    case kTabSettings:
      return tr("Settings", "Réglages");
    default:
      return "Maintenance";
  }
}

void drawLanguagePill(App& app, float windowWidth) {
  const float s = uiScale;
  ImGui::SetCursorPos(ImVec2(windowWidth - 44.0f * s - 110.0f * s, 30.0f * s));
  if (pill(uiFrench ? "English##lang" : "Français##lang", false, 16.0f)) {
    uiFrench = !uiFrench;
    app.settings.language = uiFrench ? "fr" : "en";
    storeLauncherSettings(app);
  }
}

void drawTabs(App& app, float windowWidth) {
  const float s = uiScale;
  float total = 0.0f;
  for (int tab = 0; tab < 3; ++tab)
    total += measureSpaced(tabName(tab), 17.0f, 0.0f).x + 38.0f * s;
  ImGui::SetCursorPos(ImVec2(windowWidth - 44.0f * s - total, 30.0f * s));
  for (int tab = 0; tab < 3; ++tab) {
    if (tab > 0) ImGui::SameLine(0.0f, 8.0f * s);
    char id[64];
    std::snprintf(id, sizeof(id), "%s##tab%d", tabName(tab), tab);
    if (pill(id, app.currentTab == tab, 17.0f)) app.currentTab = tab;
  }
}

}  // namespace

void drawHeader(App& app, float windowWidth) {
  const float s = uiScale;
  const ImVec2 origin = ImGui::GetWindowPos();
  auto at = [&](float x, float y) { return ImVec2(origin.x + x, origin.y + y); };

  const char* credit = "Zav Udedaved";
  glowText(at(44.0f * s, 26.0f * s), credit, 24.0f, colText, 5.0f, true, 0.9f);
  const float creditHeight = measureSpaced(credit, 24.0f, 5.0f).y;
  glowText(at(44.0f * s, 26.0f * s + creditHeight + 2.0f * s), "by kestrel404 & Velmont", 14.0f,
           colMuted, 1.6f, false, 0.0f);

  if (app.screen == kScreenMissingFiles || app.screen == kScreenWelcome) {
    drawLanguagePill(app, windowWidth);
  } else {
    drawTabs(app, windowWidth);
  }

  const char* title = "Scrapfury";
  glowText(at(44.0f * s, 100.0f * s), title, 52.0f, colText, 1.0f, true, 1.0f);
  const float titleHeight = measureSpaced(title, 52.0f, 1.0f).y;
  glowText(at(46.0f * s, 100.0f * s + titleHeight + 2.0f * s),
           tr("PC port — your own disc required", "Portage PC — votre propre disque requis"), 19.0f,
           colMuted, 1.2f, false, 0.0f);
}

}  // namespace scf
