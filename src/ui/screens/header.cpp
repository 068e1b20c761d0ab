#include "ui/screens/header.h"

#include <cstdio>

#include "app/app.h"
#include "app/settings_store.h"
#include "app/window.h"
#include "imgui.h"
#include "release/tr.h"
#include "ui/layout_record.h"
#include "ui/palette.h"
#include "ui/widgets/pill.h"
#include "ui/widgets/text.h"

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

void drawLanguagePill(App& app, float right) {
  const float s = uiScale;
  ImGui::SetCursorPos(ImVec2(right - 110.0f * s, 30.0f * s));
  if (pill(uiFrench ? "English###lang" : "Français###lang", false, 16.0f)) {
    uiFrench = !uiFrench;
    app.settings.language = uiFrench ? "fr" : "en";
    storeLauncherSettings(app);
  }
}

void drawTabs(App& app, float right) {
  const float s = uiScale;
  float total = 0.0f;
  for (int tab = 0; tab < 3; ++tab)
    total += measureSpaced(tabName(tab), 17.0f, 0.0f).x + 38.0f * s;
  ImGui::SetCursorPos(ImVec2(right - total, 30.0f * s));
  for (int tab = 0; tab < 3; ++tab) {
    if (tab > 0) ImGui::SameLine(0.0f, 8.0f * s);
    char id[64];
    std::snprintf(id, sizeof(id), "%s###tab%d", tabName(tab), tab);
    if (pill(id, app.currentTab == tab, 17.0f)) app.currentTab = tab;
  }
}

void recordText(const char* text, ImVec2 at, ImVec2 size) {
  recordLayout(text, at, ImVec2(at.x + size.x, at.y + size.y));
}

}  // namespace

void drawHeader(App& app, float left, float width) {
  const float s = uiScale;
  const ImVec2 origin = ImGui::GetWindowPos();
  // Positions from the column's left edge, which is 44 points in from the window's.
  auto at = [&](float x, float y) { return ImVec2(origin.x + left + x - 44.0f * s, origin.y + y); };

  const char* credit = "Zav Udedaved";
  const ImVec2 creditSize = measureSpaced(credit, 24.0f, 5.0f);
  glowText(at(44.0f * s, 26.0f * s), credit, 24.0f, colText, 5.0f, true, 0.9f);
  recordText(credit, at(44.0f * s, 26.0f * s), creditSize);
  const char* makers = "by kestrel404 & Velmont";
  const ImVec2 makersAt = at(44.0f * s, 26.0f * s + creditSize.y + 2.0f * s);
  glowText(makersAt, makers, 14.0f, colMuted, 1.6f, false, 0.0f);
  recordText(makers, makersAt, measureSpaced(makers, 14.0f, 1.6f));

  if (app.screen == kScreenMissingFiles || app.screen == kScreenWelcome) {
    drawLanguagePill(app, left + width);
  } else {
    drawTabs(app, left + width);
  }

  const char* title = "Scrapfury";
  const ImVec2 titleSize = measureSpaced(title, 52.0f, 1.0f);
  glowText(at(44.0f * s, 100.0f * s), title, 52.0f, colText, 1.0f, true, 1.0f);
  recordText(title, at(44.0f * s, 100.0f * s), titleSize);
  const char* subtitle =
      tr("PC port — your own disc required", "Portage PC — votre propre disque requis");
  const ImVec2 subtitleAt = at(46.0f * s, 100.0f * s + titleSize.y + 2.0f * s);
  glowText(subtitleAt, subtitle, 19.0f, colMuted, 1.2f, false, 0.0f);
  recordText(subtitle, subtitleAt, measureSpaced(subtitle, 19.0f, 1.2f));
}

}  // namespace scf
