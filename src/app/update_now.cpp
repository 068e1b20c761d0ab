#include "app/update_now.h"

#include "app/app.h"
#include "app/task_table.h"

namespace scf {

void followUpdateNow(App& app) {
  if (!app.updateNow || blockingTask(app, Task::update)) return;
  const UpdateCheckView check = app.updateCheck.view();
  if (check.state != kUpdateAvailable) return;
  app.startUpdate(check.releaseTag, check.latestVersion);
  if (taskRunning(app, Task::update) || app.updateInstall.installState == kInstallFailed) {
    app.updateNow = false;
  }
}

}  // namespace scf
