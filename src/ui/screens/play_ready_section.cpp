#include "ui/screens/play_ready_section.h"

#include "app/app.h"
#include "app/game_launch.h"
#include "app/window.h"
#include "game/game_run.h"
#include "imgui.h"
#include "release/tr.h"
#include "ui/fonts.h"
#include "ui/nav_focus.h"
#include "ui/palette.h"
#include "ui/widgets/button.h"
#include "ui/widgets/file_name.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/task_control.h"
#include "ui/widgets/text.h"

namespace scf {
namespace {

// A keyboard key drawn as a small rounded cap holding its name.
void keyCap(const char* name) {
  const float s = uiScale;
  const ImVec2 at = ImGui::GetCursorScreenPos();
  const ImVec2 end(at.x + 38.0f * s, at.y + 30.0f * s);
  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->AddRectFilled(at, end, withAlphaByte(colNavy, 110), 7.0f * s);
  dl->AddRect(at, end, withAlpha(colAccent, 0.6f), 7.0f * s, 0, s);
  dl->AddText(textFont(), 16.0f * s, ImVec2(at.x + 10.0f * s, at.y + 5.0f * s),
              withAlpha(colAccent, 1.0f), name);
  ImGui::SetCursorScreenPos(ImVec2(at.x + 50.0f * s, at.y + 3.0f * s));
}

}  // namespace

void drawReadySection(App& app) {
  const float s = uiScale;
  const ImVec2 top = ImGui::GetCursorScreenPos();
  if (taskButton(app, Task::game, tr("Play##play", "Jouer##play"), ImVec2(300.0f * s, 84.0f * s),
                 ButtonStyle::primary, true, 34.0f)) {
    launchGame(app);
  }
  mainAction();

  ImGui::SetCursorScreenPos(ImVec2(top.x + 330.0f * s, top.y + 4.0f * s));
  ImGui::BeginGroup();
  label(tr("Ready to play", "Prêt à jouer"), 22.0f, colGood);
  label(fileNameOf(app.settings.disc).c_str(), 16.0f, colLabel);
  ImGui::EndGroup();

  ImGui::SetCursorScreenPos(ImVec2(top.x, top.y + 84.0f * s));
  gap(14.0f);
  keyCap("F2");
  label(tr("In the game, F2 opens the settings: controls, video and cheats.",
           "En jeu, F2 ouvre les réglages : commandes, vidéo et astuces."),
        18.0f, colMuted);
}

}  // namespace scf
