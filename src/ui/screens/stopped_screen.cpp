#include "ui/screens/stopped_screen.h"

#include <algorithm>

#include "app/app.h"
#include "app/build_actions.h"
#include "app/disc_actions.h"
#include "app/window.h"
#include "imgui.h"
#include "platform/file_status.h"
#include "platform/shell.h"
#include "prepare/build_failure.h"
#include "prepare/build_run.h"
#include "prepare/disc_check.h"
#include "release/tr.h"
#include "ui/nav_focus.h"
#include "ui/palette.h"
#include "ui/screens/choose_error.h"
#include "ui/screens/disc_verdict.h"
#include "ui/widgets/button.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/notice_box.h"
#include "ui/widgets/task_control.h"
#include "ui/widgets/text.h"

namespace scf {

double copiedAt = -10.0;

std::string stoppedLogTarget(const App& app) {
  const std::string log = stepLogPath(app.layout, app.progress);
  return pathExists(log) ? log : app.layout.buildLogsDir;
}

void drawStoppedScreen(App& app, float contentWidth) {
  const float s = uiScale;
  const BuildProgress& progress = app.progress;

  heading(tr("Preparing failed", "La préparation a échoué"), colBad);
  gap(2.0f);
  const std::string at =
      tr("At: ", "Étape : ") +
      (progress.failedStage.empty() ? std::string() : stageLabel(progress.failedStage));
  label(at.c_str(), 18.0f, colMuted);
  gap(4.0f);
  const std::string advice = failureAdvice(progress.failedStage, progress.failureText);
  noticeBox(advice.c_str(), progress.failureText.c_str(), colBad, contentWidth);
  gap(10.0f);

  const ImVec2 size(0.0f, 52.0f * s);
  if (taskButton(app, Task::build, tr("Try again", "Réessayer"), size, ButtonStyle::primary, true,
                 20.0f)) {
    startBuild(app);
  }
  mainAction();
  ImGui::SameLine(0.0f, 12.0f * s);
  if (button(tr("Open log", "Ouvrir le journal"), size, ButtonStyle::secondary, true, 20.0f)) {
    openInShell(stoppedLogTarget(app));
  }
  ImGui::SameLine(0.0f, 12.0f * s);
  // One identity for both labels, so keyboard focus stays on the button as its text changes.
  const bool copied = app.animTime - copiedAt < 2.0;
  const char* copiedLabel = tr("Copied###copy-details", "Copié###copy-details");
  const char* copyDetailsLabel =
      tr("Copy details###copy-details", "Copier les détails###copy-details");
  const ImVec2 copySize(std::max(buttonWidth(copiedLabel, ButtonStyle::secondary),
                                 buttonWidth(copyDetailsLabel, ButtonStyle::secondary)),
                        size.y);
  if (button(copied ? copiedLabel : copyDetailsLabel, copySize, ButtonStyle::secondary, true,
             20.0f)) {
    ImGui::SetClipboardText(
        buildDetails(app.layout, app.progress, app.identity, app.settings.disc).c_str());
    copiedAt = app.animTime;
  }
  ImGui::SameLine(0.0f, 12.0f * s);
  if (taskButton(app, Task::discCheck, tr("Change disc image", "Changer d'image disque"), size,
                 ButtonStyle::secondary, true, 20.0f)) {
    chooseDisc(app);
  }
  drawChooseError(app);
  drawDiscVerdict(app, contentWidth);
}

}  // namespace scf
