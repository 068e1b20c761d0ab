#include "ui/screens/task_status.h"

#include "app/app.h"
#include "app/build_actions.h"
#include "prepare/build_run.h"

namespace scf {

bool buildInProgress(const App& app) {
  return app.build.building;
}

double buildFraction(const App& app) {
  return app.progress.fraction();
}

void stopBuildForQuit(App& app) {
  if (app.build.building) stopBuild(app);
}

bool updateAvailable(App& app) {
  return app.updateCheck.view().state == kUpdateAvailable;
}

}  // namespace scf
