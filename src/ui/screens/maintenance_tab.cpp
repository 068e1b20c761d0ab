#include "ui/screens/maintenance_tab.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "app/app.h"
#include "app/build_actions.h"
#include "app/disc_actions.h"
#include "app/task_table.h"
#include "app/window.h"
#include "imgui.h"
#include "platform/shell.h"
#include "platform/utf8_path.h"
#include "prepare/build_run.h"
#include "prepare/disc_check.h"
#include "prepare/disc_list.h"
#include "release/tr.h"
#include "ui/palette.h"
#include "ui/screens/choose_error.h"
#include "ui/screens/disc_verdict.h"
#include "ui/screens/installed_version_line.h"
#include "ui/screens/task_status.h"
#include "ui/widgets/action_row.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/text.h"

namespace scf {
namespace {

bool folderExists(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_directory(utf8Path(path), error);
}

}  // namespace

void drawMaintenanceTab(App& app, float contentWidth) {
  drawMaintenanceTab(app, app.updateCheck.view(), contentWidth);
}

void drawMaintenanceTab(App& app, const UpdateCheckView& check, float contentWidth) {
  const float buttonWidth = 270.0f * uiScale;
  const ReleaseLayout& layout = app.layout;

  heading("Maintenance", colText);
  gap(6.0f);

  const std::string buildWhy = taskRefusal(app, Task::build);
  if (actionRow(tr("Rebuild", "Reconstruire"),
                tr("After an update: builds the game again (only what changed).",
                   "Après une mise à jour : reconstruit le jeu (seulement ce qui a changé)."),
                buildWhy.empty() && !app.settings.disc.empty(), buttonWidth, contentWidth,
                buildWhy.c_str())) {
    startBuild(app);
  }

  const std::string checkWhy = taskRefusal(app, Task::discCheck);
  if (actionRow(tr("Change disc image", "Changer d'image disque"),
                tr("Use another copy of your disc.", "Utiliser une autre copie de votre disque."),
                checkWhy.empty(), buttonWidth, contentWidth, checkWhy.c_str())) {
    chooseDisc(app);
  }
  if (actionRow(findDiscImagesLabel(),
                tr("Pick one of the disc images found on this computer.",
                   "Choisir parmi les images disque trouvées sur cet ordinateur."),
                checkWhy.empty(), buttonWidth, contentWidth, checkWhy.c_str())) {
    app.discList.show();
  }
  drawChooseError(app);
  drawDiscVerdict(app, contentWidth);

  const std::string savesText =
      tr("Memory cards and settings: ", "Cartes mémoire et réglages : ") + layout.userDir;
  if (actionRow(tr("Open saves folder", "Dossier des sauvegardes"), savesText.c_str(), true,
                buttonWidth, contentWidth)) {
    openInShell(layout.userDir);
  }

  // Before the game first ran there is no logs folder yet: the user folder is the next best.
  if (actionRow(tr("Open game logs", "Journaux du jeu"),
                tr("What the game wrote, and crash reports.",
                   "Ce que le jeu a écrit, et les rapports de plantage."),
                true, buttonWidth, contentWidth)) {
    openInShell(folderExists(layout.userLogsDir) ? layout.userLogsDir : layout.userDir);
  }

  if (actionRow(
          tr("Open build logs", "Journaux de préparation"),
          tr("One file per step of preparing the game.", "Un fichier par étape de la préparation."),
          app.files.buildLogsExist, buttonWidth, contentWidth)) {
    openInShell(layout.buildLogsDir);
  }

  // start() itself refuses a second check while one runs, so a double click asks once.
  const std::string versionText = installedVersionLine(check);
  if (actionRow(tr("Check for updates", "Vérifier les mises à jour"), versionText.c_str(),
                check.state != kUpdateChecking, buttonWidth, contentWidth)) {
    app.updateCheck.start(app.updateCheck.updateUrl, true);
  }
  const std::string failure = updateFailureLine(check);
  if (!failure.empty()) {
    label(failure.c_str(), 17.0f, colWarn);
    ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + contentWidth);
    paragraph(check.errorText.c_str(), 15.0f, colMuted, 1.0f);
    ImGui::PopTextWrapPos();
  }
}

}  // namespace scf
