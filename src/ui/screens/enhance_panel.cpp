#include "ui/screens/enhance_panel.h"

#include <string>

#include "app/app.h"
#include "app/enhance_actions.h"
#include "app/window.h"
#include "enhance/enhance_run.h"
#include "enhance/enhance_stage.h"
#include "enhance/texture_pack.h"
#include "imgui.h"
#include "release/tr.h"
#include "ui/palette.h"
#include "ui/widgets/button.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/pill.h"
#include "ui/widgets/progress_bar.h"
#include "ui/widgets/task_control.h"
#include "ui/widgets/text.h"

namespace scf {
namespace {

constexpr float kButtonFont = 17.0f;

// A paragraph wrapped at width pixels to the right of the cursor.
void wrappedParagraph(const char* text, std::uint32_t rgb, float width) {
  ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + width);
  paragraph(text, 15.0f, rgb);
  ImGui::PopTextWrapPos();
}

// The running run's stage, progress and, for a making run, Stop. True when Stop was pressed.
bool drawRunning(App& app, float width) {
  const EnhanceRun& run = app.enhance;
  const float s = uiScale;
  label(enhanceStageText(run), 17.0f, colText);
  const double fraction = run.progressTotal == 0 ? 0.0
                                                 : static_cast<double>(run.progressDone) /
                                                       static_cast<double>(run.progressTotal);
  progressBar(static_cast<float>(fraction), ImVec2(width, 14.0f * s), app.animTime);
  if (run.removing) return false;
  if (!button(tr("Stop##enhance", "Arrêter##enhance"), ImVec2(160.0f * s, 36.0f * s),
              ButtonStyle::danger, true, kButtonFont)) {
    return false;
  }
  app.enhance.stop();
  return true;
}

void drawActions(App& app) {
  EnhanceRun& run = app.enhance;
  const float s = uiScale;
  const bool canMake = app.files.gameBuilt && app.files.enhanceAvailable;
  const bool made = run.textureCount >= 1;
  const bool make =
      made ? taskButton(app, Task::enhance, tr("Make again##enhance", "Refaire##enhance"),
                        ImVec2(130.0f * s, 36.0f * s), ButtonStyle::secondary, canMake, kButtonFont)
           : taskButton(
                 app, Task::enhance,
                 tr("Make enhanced textures##enhance", "Créer les textures améliorées##enhance"),
                 ImVec2(290.0f * s, 36.0f * s), ButtonStyle::primary, canMake, kButtonFont);
  if (make) startEnhance(app, false);
  if (!made) return;
  ImGui::SameLine(0.0f, 10.0f * s);
  if (taskButton(app, Task::enhance, tr("Remove##enhance", "Supprimer##enhance"),
                 ImVec2(130.0f * s, 36.0f * s), ButtonStyle::secondary, true, kButtonFont)) {
    startEnhance(app, true);
  }
  ImGui::SameLine(0.0f, 12.0f * s);
  const bool on = texturePackOn(app.video);
  const std::string switchLabel = std::string(on ? tr("In the game: on", "Dans le jeu : oui")
                                                 : tr("In the game: off", "Dans le jeu : non")) +
                                  "###packon";
  if (pill(switchLabel.c_str(), on, kButtonFont)) setTexturePackOn(app, !on);
}

void drawStatus(const App& app) {
  const EnhanceRun& run = app.enhance;
  if (!app.files.enhanceAvailable) {
    label(tr("This release's build kit has no Real-ESRGAN.",
             "Le kit de cette version n'a pas Real-ESRGAN."),
          15.0f, colLabel);
  } else if (!app.files.gameBuilt) {
    label(tr("Prepare the game first.", "Préparez d'abord le jeu."), 15.0f, colLabel);
  } else if (run.textureCount > 0 && run.runError.empty() && run.runResult.empty()) {
    const std::string text = std::to_string(run.textureCount) +
                             tr(" enhanced textures, in your user folder.",
                                " textures améliorées, dans votre dossier utilisateur.");
    label(text.c_str(), 15.0f, colLabel);
  }
}

}  // namespace

void drawEnhancePanel(App& app, float width) {
  EnhanceRun& run = app.enhance;
  label(tr("Enhanced textures (AI)", "Textures améliorées (IA)"), 17.0f, colLabel);
  wrappedParagraph(
      tr("Every arena and car upscaled with Real-ESRGAN, on this PC, from your own disc: about 15 "
         "minutes (up to an hour on older graphics cards), 700 MB, Vulkan needed. Nothing is "
         "downloaded or sent.",
         "Chaque arène et véhicule agrandis avec Real-ESRGAN, sur ce PC, depuis votre disque : "
         "environ 15 minutes (jusqu'à une heure sur les cartes anciennes), 700 Mo, Vulkan requis. "
         "Rien n'est téléchargé ni envoyé."),
      colMuted, width);
  gap(6.0f);
  // A pressed Stop ends the run at once, so the same frame goes on with the buttons.
  if (run.running && !drawRunning(app, width)) return;
  drawActions(app);
  drawStatus(app);
  if (!run.runError.empty()) {
    const std::string error = sayNow(run.runError, {kEnhanceCouldNotStart, kEnhanceEnded});
    wrappedParagraph(error.c_str(), colBad, width);
  } else if (!run.runResult.empty()) {
    const std::string result =
        sayNow(run.runResult, {kEnhanceStoppedByUser, kEnhanceRemoved, kEnhanceDone});
    wrappedParagraph(result.c_str(), colGood, width);
  }
}

}  // namespace scf
