#include "ui/screens/rebuild_card.h"

#include <string>

#include "app/app.h"
#include "app/build_actions.h"
#include "app/window.h"
#include "game/game_run.h"
#include "imgui.h"
#include "prepare/build_run.h"
#include "release/tr.h"
#include "ui/palette.h"
#include "ui/widgets/button.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/notice_box.h"
#include "ui/widgets/task_control.h"

namespace scf {

bool rebuildCardDue(const App& app) {
  const ReleaseIdentity& id = app.identity;
  return app.files.gameBuilt && !id.releaseCommit.empty() &&
         id.releaseCommit != id.builtFromCommit && !app.build.building;
}

void drawRebuildCard(App& app, float contentWidth) {
  const float s = uiScale;
  const std::string& version = app.identity.releaseVersion;
  std::string title;
  if (version.empty()) {
    title = tr("New code is installed.", "Un nouveau code est installé.");
  } else {
    title = tr("Version ", "La version ") + version + tr(" is installed.", " est installée.");
  }
  gap(12.0f);
  noticeBox(title.c_str(),
            tr("Rebuild the game to play it: only what changed is built again. Your saves and "
               "settings are kept.",
               "Reconstruisez le jeu pour y jouer : seul ce qui a changé est refait. Vos "
               "sauvegardes et réglages sont conservés."),
            colWarn, contentWidth);
  gap(6.0f);
  if (taskButton(app, Task::build, tr("Rebuild now", "Reconstruire maintenant"),
                 ImVec2(0.0f, 48.0f * s), ButtonStyle::primary, true, 20.0f)) {
    startBuild(app);
  }
  if (!app.identity.changelogText.empty()) {
    ImGui::SameLine(0.0f, 12.0f * s);
    if (button(tr("What's new", "Nouveautés"), ImVec2(0.0f, 48.0f * s), ButtonStyle::secondary,
               true, 20.0f)) {
      app.showWhatsNew = true;
    }
  }
}

}  // namespace scf
