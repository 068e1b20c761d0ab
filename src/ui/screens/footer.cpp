#include "ui/screens/footer.h"

#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/window.h"
#include "imgui.h"
#include "platform/build_info.h"
#include "platform/shell.h"
#include "release/tr.h"
#include "ui/fonts.h"
#include "ui/layout_record.h"
#include "ui/palette.h"
#include "ui/screens/task_status.h"
#include "ui/widgets/button.h"
#include "ui/widgets/card.h"
#include "ui/widgets/pad_hints.h"
#include "ui/widgets/text.h"

namespace scf {

const char* const kMakersPage = "https://portlog.example/zer-avudud";

std::string versionLine(App& app) {
  std::string line = "ZER_Avudud ";
  line += kLauncherVersion;
  line += "  ·  ";
  line += std::string(kSourceCommit).substr(0, 10);
  if (updateAvailable(app)) line += tr("  ·  update available", "  ·  mise à jour disponible");
  return line;
}

void drawFooter(App& app, float left, float windowHeight) {
  const float s = uiScale;
  const float top = windowHeight - 46.0f * s;
  // The links draw their 16-point text one point below their top; the 15-point version line is
  // placed so that all three stand on one baseline.
  ImFont* font = textFont();
  const float linkBaseline = top + s + font->GetFontBaked(16.0f * s)->Ascent;
  const float versionTop = linkBaseline - font->GetFontBaked(15.0f * s)->Ascent;
  ImGui::SetCursorPos(ImVec2(left - 2.0f * s, top));
  // While the card's body hides more below, moving down goes on through the body.
  ImGui::PushItemFlag(ImGuiItemFlags_NoNav, cardHasMoreBelow());
  if (button("Portlog ›##site", ImVec2(0.0f, 0.0f), ButtonStyle::link, true, 16.0f)) {
    openInShell(kMakersPage);
  }
  ImGui::SameLine(0.0f, 16.0f * s);
  ImGui::SetCursorPosY(versionTop);
  label(versionLine(app).c_str(), 15.0f, colLabel);
  if (!app.identity.changelogText.empty()) {
    ImGui::SameLine(0.0f, 16.0f * s);
    ImGui::SetCursorPosY(top);
    if (button(tr("What's new ›##whatsnew-footer", "Nouveautés ›##whatsnew-footer"),
               ImVec2(0.0f, 0.0f), ButtonStyle::link, true, 16.0f)) {
      app.showWhatsNew = true;
    }
  }
  ImGui::PopItemFlag();
  // After a pad's input the footer says what its buttons do; a mouse or key input hides it.
  if (app.lastInput == InputKind::gamepad) {
    ImGui::SameLine(0.0f, 28.0f * s);
    ImGui::SetCursorPosY(top);
    padHints({{'A', tr("Select", "Choisir")}, {'B', tr("Back", "Retour")}}, 16.0f);
  }
}

void drawProgressSummary(App& app, float windowWidth, float windowHeight) {
  if (!buildInProgress(app) || app.currentTab == kTabPlay) return;
  const float s = uiScale;
  char text[64];
  std::snprintf(text, sizeof(text), tr("Preparing… %d %%", "Préparation… %d %%"),
                static_cast<int>(buildFraction(app) * 100.0));
  const float width = measureSpaced(text, 16.0f, 0.0f).x;
  const ImVec2 origin = ImGui::GetWindowPos();
  const ImVec2 at(origin.x + windowWidth - 44.0f * s - width, origin.y + windowHeight - 42.0f * s);
  ImGui::GetWindowDrawList()->AddText(textFont(), 16.0f * s, at, withAlpha(colAccent, 1.0f), text);
  recordLayout(text, at, ImVec2(at.x + width, at.y + measureSpaced(text, 16.0f, 0.0f).y));
}

}  // namespace scf
