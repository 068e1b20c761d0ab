// Marks a launcher task as running the way its own start leaves it, without a program behind
// it: for tests of what may start beside it.
#pragma once

#include "app/app.h"
#include "app/task_table.h"

namespace scf::testing {

inline constexpr Task kAllTasks[] = {Task::discCheck, Task::build, Task::game, Task::update,
                                     Task::enhance};

inline void markRunning(App& app, Task task, bool running) {
  switch (task) {
    case Task::discCheck:
      app.discCheck.discChecking = running;
      break;
    case Task::build:
      app.build.building = running;
      break;
    case Task::game:
      app.game.gameRunning = running;
      break;
    case Task::update:
      app.updateInstall.installState = running ? kInstallDownloading : kInstallIdle;
      break;
    case Task::enhance:
      app.enhance.running = running;
      break;
  }
}

}  // namespace scf::testing
