#include "ui/screens/welcome.h"

#include <string>

#include "app/app.h"
#include "app/disc_actions.h"
#include "app/window.h"
#include "imgui.h"
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
#include "ui/widgets/spinner.h"
#include "ui/widgets/task_control.h"
#include "ui/widgets/text.h"

namespace scf {

void drawWelcome(App& app, float contentWidth) {
  const float s = uiScale;
  const DiscCheck& check = app.discCheck;

  heading(tr("Welcome", "Bienvenue"), colText);
  gap(4.0f);
  paragraph(tr("This launcher turns your own copy of Scrapfury into a PC game. Nothing from the "
               "game comes with it: the game is built here, on your PC, from your disc.",
               "Ce lanceur transforme votre propre copie de Scrapfury en jeu PC. Rien du jeu "
               "n'est fourni : le jeu est construit ici, sur votre PC, à partir de votre disque."),
            19.0f, colText, 0.92f);
  gap(2.0f);
  paragraph(tr("You need a disc image of the USA release (SXUS-90210): a .iso, or a .bin with its "
               ".cue. The European disc is not supported.",
               "Il vous faut une image disque de la version américaine (SXUS-90210) : un .iso, ou "
               "un .bin avec son .cue. Le disque européen n'est pas pris en charge."),
            19.0f, colMuted);
  gap(10.0f);

  if (check.discChecking) {
    const ImVec2 at = ImGui::GetCursorScreenPos();
    spinner(ImVec2(at.x + 14.0f * s, at.y + 14.0f * s), 11.0f, app.animTime);
    ImGui::SetCursorScreenPos(ImVec2(at.x + 40.0f * s, at.y + 2.0f * s));
    label(tr("Checking the disc…", "Vérification du disque…"), 20.0f, colText);
    label(fileNameOf(check.checkedImage).c_str(), 16.0f, colLabel);
    gap(4.0f);
    if (button(tr("Cancel##cancel-check", "Annuler##cancel-check"), ImVec2(0.0f, 44.0f * s),
               ButtonStyle::secondary, true, 18.0f)) {
      app.discCheck.cancel();
    }
    mainAction();
  } else {
    if (taskButton(app, Task::discCheck,
                   tr("Select your disc image…", "Choisir votre image disque…"),
                   ImVec2(0.0f, 56.0f * s), ButtonStyle::primary, true, 21.0f)) {
      chooseDisc(app);
    }
    mainAction();
    findDiscImagesButton(app, 56.0f, 19.0f);
    drawChooseError(app);
  }

  drawDiscVerdict(app, contentWidth);
}

}  // namespace scf
