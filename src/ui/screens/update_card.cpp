#include "ui/screens/update_card.h"

#include <cstdio>
#include <string>

#include "app/app.h"
#include "app/window.h"
#include "imgui.h"
#include "platform/shell.h"
#include "release/tr.h"
#include "ui/palette.h"
#include "ui/widgets/button.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/notice_box.h"
#include "ui/widgets/progress_bar.h"
#include "ui/widgets/task_control.h"
#include "update/update_check.h"
#include "update/update_install.h"

namespace scf {
namespace {

std::string installDetail(const UpdateInstall& install) {
  if (install.installState == kInstallDownloading) {
    char text[160];
    std::snprintf(text, sizeof(text),
                  tr("Downloading: %.0f of %.0f MB.", "Téléchargement : %.0f sur %.0f Mo."),
                  static_cast<double>(install.received.load()) / 1e6,
                  static_cast<double>(install.total.load()) / 1e6);
    return text;
  }
  const std::string& stage = install.installStage;
  if (stage == "verify") return tr("Checking the download.", "Vérification du téléchargement.");
  if (stage == "extract") return tr("Unpacking.", "Décompression.");
  if (stage == "install") return tr("Installing.", "Installation.");
  return tr("Finishing.", "Finalisation.");
}

void drawUpdatingCard(App& app, float contentWidth) {
  UpdateInstall& install = app.updateInstall;
  const float s = uiScale;
  gap(12.0f);
  const std::string title =
      tr("Updating to version ", "Mise à jour vers la version ") + install.installVersion + "…";
  noticeBox(title.c_str(), installDetail(install).c_str(), colWarn, contentWidth);
  gap(6.0f);
  const std::uint64_t total = install.total.load();
  const double fraction =
      total == 0 ? 0.0 : static_cast<double>(install.received.load()) / static_cast<double>(total);
  progressBar(static_cast<float>(fraction), ImVec2(contentWidth, 18.0f * s), app.animTime);
  if (install.installState == kInstallDownloading) {
    gap(6.0f);
    if (button(tr("Stop##update", "Arrêter##update"), ImVec2(0.0f, 48.0f * s),
               ButtonStyle::secondary, true, 20.0f) &&
        install.installState == kInstallDownloading) {
      install.stopDownload.store(true);
    }
  }
}

void drawOfferCard(App& app, float contentWidth, const UpdateCheckView& check) {
  UpdateInstall& install = app.updateInstall;
  const float s = uiScale;
  const bool failed = install.installState == kInstallFailed;
  // A failed install names what it tried to install, whatever the check says now.
  const std::string& version = failed ? install.installVersion : check.latestVersion;
  const std::string& tag = failed ? install.installTag : check.releaseTag;
  gap(12.0f);
  // (No version: the start found an update cut short and could not finish it.)
  const std::string title =
      version.empty()
          ? std::string(
                tr("The last update did not finish.", "La dernière mise à jour n'a pas abouti."))
          : tr("Version ", "La version ") + version + tr(" is available.", " est disponible.");
  const std::string detail =
      failed ? install.installError
             : tr("Update downloads and installs it here, then the launcher restarts and Rebuild "
                  "prepares the game again (only what changed). Your saves and settings stay.",
                  "Mettre à jour la télécharge et l'installe ici, puis le lanceur redémarre et "
                  "Reconstruire prépare à nouveau le jeu (seulement ce qui a changé). Vos "
                  "sauvegardes et réglages restent.");
  noticeBox(title.c_str(), detail.c_str(), failed ? colBad : colAccent, contentWidth);
  gap(6.0f);
  const char* label = failed ? tr("Try again##update", "Réessayer##update")
                             : tr("Update##update", "Mettre à jour##update");
  if (taskButton(app, Task::update, label, ImVec2(0.0f, 48.0f * s), ButtonStyle::primary, true,
                 20.0f)) {
    app.startUpdate(tag, version);
  }
  ImGui::SameLine(0.0f, 12.0f * s);
  if (button(tr("Open the release page", "Ouvrir la page de la version"), ImVec2(0.0f, 48.0f * s),
             ButtonStyle::secondary, true, 20.0f)) {
    openInShell(check.releasePageUrl);
  }
}

}  // namespace

void drawUpdateCard(App& app, float contentWidth, bool rebuildCardShown) {
  const UpdateCheckView check = app.updateCheck.view();
  const int state = app.updateInstall.installState;
  if (state == kInstallDownloading || state == kInstallInstalling || state == kInstallRestarting) {
    drawUpdatingCard(app, contentWidth);
  } else if (state == kInstallFailed || (!rebuildCardShown && check.state == kUpdateAvailable &&
                                         check.latestVersion != app.identity.releaseVersion)) {
    // An install's error is shown whatever the versions say.
    drawOfferCard(app, contentWidth, check);
  }
}

}  // namespace scf
