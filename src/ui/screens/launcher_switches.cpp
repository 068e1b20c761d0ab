#include "ui/screens/launcher_switches.h"

#include <cstdio>

#include "app/app.h"
#include "app/settings_store.h"
#include "app/window.h"
#include "imgui.h"
#include "release/tr.h"
#include "ui/palette.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/pill.h"
#include "ui/widgets/text.h"

namespace scf {
namespace {

void setLanguage(App& app, bool french) {
  uiFrench = french;
  app.settings.language = french ? "fr" : "en";
  storeLauncherSettings(app);
}

}  // namespace

void drawLauncherSwitches(App& app) {
  const float s = uiScale;
  LauncherSettings& settings = app.settings;
  label(tr("Launcher", "Lanceur"), 17.0f, colLabel);

  if (pill("English##en", !uiFrench, 18.0f)) setLanguage(app, false);
  ImGui::SameLine(0.0f, 8.0f * s);
  if (pill("Français##fr", uiFrench, 18.0f)) setLanguage(app, true);

  // The background reads the setting itself, so the change shows from the next frame on.
  ImGui::SameLine(0.0f, 28.0f * s);
  char id[128];
  std::snprintf(id, sizeof(id), "%s###motion",
                settings.motion ? tr("Background motion: on", "Animation du fond : oui")
                                : tr("Background motion: off", "Animation du fond : non"));
  if (pill(id, settings.motion, 18.0f)) {
    settings.motion = !settings.motion;
    storeLauncherSettings(app);
  }

  // Read only at start: the new value counts from the next start.
  gap(6.0f);
  std::snprintf(
      id, sizeof(id), "%s###updates",
      settings.updateCheck
          ? tr("Check for updates at start: on", "Vérifier les mises à jour au démarrage : oui")
          : tr("Check for updates at start: off", "Vérifier les mises à jour au démarrage : non"));
  if (pill(id, settings.updateCheck, 18.0f)) {
    settings.updateCheck = !settings.updateCheck;
    storeLauncherSettings(app);
  }
  label(tr("It only asks GitHub for the latest version number; nothing is downloaded or sent.",
           "Il demande seulement à GitHub le numéro de la dernière version ; rien n'est "
           "téléchargé ni envoyé."),
        15.0f, colLabel);
}

}  // namespace scf
