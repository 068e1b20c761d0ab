#include "ui/screens/preparing_screen.h"

#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/build_actions.h"
#include "app/window.h"
#include "imgui.h"
#include "platform/clock.h"
#include "prepare/build_run.h"
#include "release/tr.h"
#include "ui/nav_focus.h"
#include "ui/palette.h"
#include "ui/screens/preparing_time.h"
#include "ui/widgets/button.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/progress_bar.h"
#include "ui/widgets/stage_grid.h"
#include "ui/widgets/text.h"

namespace scf {

void drawPreparingScreen(App& app, float contentWidth) {
  drawPreparingScreenAt(app, contentWidth, nowSeconds());
}

void drawPreparingScreenAt(App& app, float contentWidth, double now) {
  const float s = uiScale;
  const BuildProgress& progress = app.progress;

  heading(tr("Preparing the game", "Préparation du jeu"), colText);
  paragraph(tr("This happens once. You can keep using your PC meanwhile.",
               "Cela n'arrive qu'une fois. Vous pouvez continuer à utiliser votre PC."),
            18.0f, colMuted);
  gap(8.0f);

  const double fraction = progress.fraction();
  progressBar(static_cast<float>(fraction), ImVec2(contentWidth - 90.0f * s, 18.0f * s),
              app.animTime);
  ImGui::SameLine(0.0f, 16.0f * s);
  ImGui::SetCursorPosY(ImGui::GetCursorPosY() - 6.0f * s);
  char percent[16];
  std::snprintf(percent, sizeof percent, "%d %%", static_cast<int>(fraction * 100.0));
  label(percent, 22.0f, colText);

  const std::string timeLine =
      preparingTimeLine(now - progress.runStart, progress.secondsLeft(now));
  label(timeLine.c_str(), 17.0f, colMuted);
  gap(8.0f);

  const ImVec2 gridTop = ImGui::GetCursorScreenPos();
  drawStageGrid(progress, contentWidth, app.animTime);
  ImGui::SetCursorScreenPos(ImVec2(gridTop.x, gridTop.y + 180.0f * s));

  const bool stopping = app.build.stopRequested;
  if (button(stopping ? tr("Stopping…", "Arrêt…") : tr("Stop", "Arrêter"),
             ImVec2(150.0f * s, 48.0f * s), ButtonStyle::danger, !stopping, 20.0f) &&
      app.build.building) {
    stopBuild(app);
  }
  mainAction();
  ImGui::SameLine(0.0f, 16.0f * s);
  ImGui::SetCursorPosY(ImGui::GetCursorPosY() + 12.0f * s);
  label(tr("Stopping is safe: it continues from there next time.",
           "Arrêter est sans risque : la suite reprendra plus tard."),
        16.0f, colLabel);
}

}  // namespace scf
