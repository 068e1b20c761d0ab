#include "ui/screens/settings_tab.h"

#include <algorithm>

#include "app/app.h"
#include "app/window.h"
#include "imgui.h"
#include "release/tr.h"
#include "ui/palette.h"
#include "ui/screens/enhance_panel.h"
#include "ui/screens/launcher_switches.h"
#include "ui/screens/video_section.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/text.h"

namespace scf {

void drawSettingsTab(App& app, float contentWidth) {
  const float s = uiScale;
  heading(tr("Settings", "Réglages"), colText);
  gap(2.0f);
  paragraph(tr("Controls, video and cheats are in the game: press F2 while playing. Here, the "
               "window the game opens with.",
               "Les commandes, la vidéo et les astuces sont dans le jeu : appuyez sur F2 en "
               "jouant. Ici, la fenêtre avec laquelle le jeu démarre."),
            18.0f, colMuted);
  gap(10.0f);

  const ImVec2 columns = ImGui::GetCursorPos();
  drawVideoSection(app, desktopWidth(), desktopHeight());

  // The texture panel beside it; whichever column is taller decides where the rest goes.
  const float half = contentWidth / 2.0f;
  const float leftBottom = ImGui::GetCursorPosY();
  ImGui::SetCursorPos(ImVec2(columns.x + half + 12.0f * s, columns.y));
  ImGui::BeginGroup();
  drawEnhancePanel(app, half - 12.0f * s);
  ImGui::EndGroup();
  const float rightBottom =
      ImGui::GetItemRectMax().y - ImGui::GetWindowPos().y + ImGui::GetScrollY();
  ImGui::SetCursorPos(ImVec2(columns.x, std::max(leftBottom, rightBottom)));

  gap(8.0f);
  drawLauncherSwitches(app);
}

}  // namespace scf
