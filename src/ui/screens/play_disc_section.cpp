#include "ui/screens/play_disc_section.h"

#include <cstdio>

#include "app/app.h"
#include "app/build_actions.h"
#include "app/disc_actions.h"
#include "app/window.h"
#include "imgui.h"
#include "prepare/build_run.h"
#include "prepare/disc_check.h"
#include "release/tr.h"
#include "ui/nav_focus.h"
#include "ui/palette.h"
#include "ui/screens/choose_error.h"
#include "ui/screens/disc_verdict.h"
#include "ui/screens/find_discs_button.h"
#include "ui/widgets/button.h"
#include "ui/widgets/file_name.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/notice_box.h"
#include "ui/widgets/task_control.h"
#include "ui/widgets/text.h"

namespace scf {

std::string lowSpaceWarning(std::uint64_t freeBytes) {
  const double gib = static_cast<double>(freeBytes) / 1073741824.0;
  if (!(gib > 0.0 && gib < 5.0)) return {};
  char text[128];
  std::snprintf(text, sizeof text,
                tr("Only %.1f GB free on this drive.", "Seulement %.1f Go libres sur ce disque."),
                gib);
  return text;
}

void drawDiscSection(App& app, float contentWidth, std::uint64_t freeBytes) {
  const float s = uiScale;
  const bool pending = app.settings.buildPending;
  const std::string& disc = app.settings.disc;

  heading(pending ? tr("Preparing was stopped", "La préparation a été interrompue")
                  : tr("Your disc is ready", "Votre disque est prêt"),
          colText);
  const std::string discLine =
      std::string(tr("USA disc (SXUS-90210)", "Disque américain (SXUS-90210)")) + "  ·  " +
      fileNameOf(disc);
  label(discLine.c_str(), 17.0f, colGood);
  gap(4.0f);
  // After a stop in this run the status line below says it already.
  const bool stoppedNow = pending && app.build.status == BuildRun::Status::stopped;
  if (!stoppedNow) {
    paragraph(
        pending ? tr("It continues where it left off.", "Elle reprend là où elle s'était arrêtée.")
                : tr("The game is built once, from your disc. It takes a few minutes and "
                     "about 10 GB of free space.",
                     "Le jeu est construit une seule fois, à partir de votre disque. Cela "
                     "prend quelques minutes et environ 10 Go d'espace libre."),
        19.0f, colText, 0.92f);
  }
  const std::string warning = lowSpaceWarning(freeBytes);
  if (!warning.empty()) label(warning.c_str(), 17.0f, colWarn);
  gap(10.0f);

  if (!app.files.discExists) {
    noticeBox(tr("The disc image is no longer where it was. Select it again.",
                 "L'image disque n'est plus à son emplacement. Choisissez-la à nouveau."),
              disc.c_str(), colWarn, contentWidth);
    gap(8.0f);
    if (taskButton(app, Task::discCheck,
                   tr("Select your disc image…", "Choisir votre image disque…"),
                   ImVec2(0.0f, 56.0f * s), ButtonStyle::primary, true, 20.0f)) {
      chooseDisc(app);
    }
    mainAction();
    findDiscImagesButton(app, 56.0f, 19.0f);
    drawChooseError(app);
  } else {
    if (taskButton(app, Task::build,
                   pending ? tr("Continue preparing", "Reprendre la préparation")
                           : tr("Prepare the game", "Préparer le jeu"),
                   ImVec2(300.0f * s, 64.0f * s), ButtonStyle::primary, true, 24.0f)) {
      startBuild(app);
    }
    mainAction();
  }

  drawDiscVerdict(app, contentWidth);
}

}  // namespace scf
