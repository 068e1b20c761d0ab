#include "ui/screens/game_failure_card.h"

#include <string>

#include "app/app.h"
#include "app/window.h"
#include "game/game_failure.h"
#include "imgui.h"
#include "platform/shell.h"
#include "release/tr.h"
#include "ui/palette.h"
#include "ui/widgets/button.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/notice_box.h"

namespace scf {

void drawGameFailureCard(App& app, float contentWidth) {
  if (!gameFailureShown(app.game)) return;
  const float s = uiScale;
  gap(10.0f);
  const std::string detail = gameFailureDetail(app.game);
  const std::string title = gameFailureTitle(app.game);
  noticeBox(title.c_str(), detail.c_str(), colBad, contentWidth);
  gap(8.0f);
  if (!app.game.crashReport.empty()) {
    if (button(tr("Open crash report", "Ouvrir le rapport de plantage"), ImVec2(0.0f, 48.0f * s),
               ButtonStyle::danger, true, 20.0f)) {
      openInShell(app.game.crashReport);
    }
    ImGui::SameLine(0.0f, 12.0f * s);
  }
  if (button(tr("Open log", "Ouvrir le journal"), ImVec2(0.0f, 48.0f * s), ButtonStyle::secondary,
             true, 20.0f)) {
    openInShell(app.layout.userLogsDir);
  }
}

}  // namespace scf
