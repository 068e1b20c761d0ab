#include "app/task_table.h"

#include "app/app.h"
#include "platform/clock.h"
#include "release/tr.h"

namespace scf {

namespace {

// Row: the task that runs; column: the task that would start. Every task changes what the others
// read (the disc, the game folder, the release, the texture pack) or needs the screen to itself
// (the game hides the window), so none of them meet.
constexpr bool kTogether[kTaskCount][kTaskCount] = {
    //               disc   build  game   update enhance
    /* disc    */ {false, false, false, false, false},
    /* build   */ {false, false, false, false, false},
    /* game    */ {false, false, false, false, false},
    /* update  */ {false, false, false, false, false},
    /* enhance */ {false, false, false, false, false},
};

constexpr Task kTasks[kTaskCount] = {Task::discCheck, Task::build, Task::game, Task::update,
                                     Task::enhance};

int index(Task task) {
  return static_cast<int>(task);
}

// Why a start waits for this running task.
std::string blockerSentence(Task blocker) {
  switch (blocker) {
    case Task::discCheck:
      return tr("Wait until the disc check has ended.",
                "Attendez la fin de la vérification du disque.");
    case Task::build:
      return tr("Wait until the game is prepared, or stop preparing.",
                "Attendez la fin de la préparation du jeu, ou arrêtez-la.");
    case Task::game:
      return tr("Close the game first.", "Fermez d'abord le jeu.");
    case Task::update:
      return tr("Wait until the update is installed.",
                "Attendez la fin de l'installation de la mise à jour.");
    case Task::enhance:
      return tr("Wait until the enhanced textures are done.",
                "Attendez la fin des textures améliorées.");
  }
  return {};
}

// What did not happen when a start was refused.
std::string refusedSentence(Task wanted) {
  switch (wanted) {
    case Task::discCheck:
      return tr("The disc image was not checked.", "L'image disque n'a pas été vérifiée.");
    case Task::build:
      return tr("Preparing did not start.", "La préparation n'a pas démarré.");
    case Task::game:
      return tr("The game did not start.", "Le jeu n'a pas démarré.");
    case Task::update:
      return tr("The update did not start.", "La mise à jour n'a pas démarré.");
    case Task::enhance:
      return tr("The enhanced textures did not start.",
                "Les textures améliorées n'ont pas démarré.");
  }
  return {};
}

}  // namespace

bool mayRunTogether(Task first, Task second) {
  return kTogether[index(first)][index(second)];
}

bool taskRunning(const App& app, Task task) {
  switch (task) {
    case Task::discCheck:
      return app.discCheck.discChecking;
    case Task::build:
      return app.build.building;
    case Task::game:
      return app.game.gameRunning;
    case Task::update: {
      const int state = app.updateInstall.installState;
      return state == kInstallDownloading || state == kInstallInstalling ||
             state == kInstallRestarting;
    }
    case Task::enhance:
      return app.enhance.running;
  }
  return false;
}

std::optional<Task> blockingTask(const App& app, Task task) {
  for (const Task running : kTasks) {
    if (taskRunning(app, running) && !mayRunTogether(running, task)) return running;
  }
  return std::nullopt;
}

std::string taskRefusal(const App& app, Task task) {
  const std::optional<Task> blocker = blockingTask(app, task);
  return blocker ? blockerSentence(*blocker) : std::string();
}

bool mayStart(App& app, Task task) {
  const std::optional<Task> blocker = blockingTask(app, task);
  if (!blocker) {
    app.refusal.active = false;
    return true;
  }
  app.refusal.active = true;
  app.refusal.wanted = task;
  app.refusal.blocker = *blocker;
  app.refusal.releaseIncomplete = false;
  app.refusal.at = nowSeconds();
  return false;
}

std::string refusalText(const TaskRefusal& refusal) {
  if (!refusal.active) return {};
  if (refusal.releaseIncomplete) {
    return refusedSentence(refusal.wanted) + " " +
           tr("The launcher's files must be complete first.",
              "Les fichiers du lanceur doivent d'abord être complets.");
  }
  return refusedSentence(refusal.wanted) + " " + blockerSentence(refusal.blocker);
}

void expireRefusal(App& app) {
  const TaskRefusal& refusal = app.refusal;
  if (!refusal.active) return;
  const bool over = refusal.releaseIncomplete ? app.screen != kScreenMissingFiles
                                              : !taskRunning(app, refusal.blocker);
  if (over || nowSeconds() - refusal.at > kRefusalSeconds) app.refusal.active = false;
}

}  // namespace scf
