#include "ui/screens/play_tab.h"

#include "app/app.h"
#include "game/game_run.h"
#include "prepare/build_run.h"
#include "ui/screens/game_failure_card.h"
#include "ui/screens/play_disc_section.h"
#include "ui/screens/play_ready_section.h"
#include "ui/screens/rebuild_card.h"
#include "ui/screens/update_card.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/text.h"

namespace scf {

void drawPlayTab(App& app, float contentWidth) {
  const bool ready = app.files.gameBuilt && !app.settings.buildPending;
  if (ready) {
    drawReadySection(app);
  } else {
    drawDiscSection(app, contentWidth, app.files.freeBytes);
  }

  const std::string status = buildStatusLine(app.build);
  if (!status.empty()) {
    gap(10.0f);
    label(status.c_str(), 18.0f, app.build.statusColour);
  }

  const bool rebuildShown = ready && rebuildCardDue(app);
  if (rebuildShown) drawRebuildCard(app, contentWidth);

  drawUpdateCard(app, contentWidth, rebuildShown);

  drawGameFailureCard(app, contentWidth);
}

}  // namespace scf
