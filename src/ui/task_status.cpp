#include "ui/task_status.h"

#include "app/app.h"

namespace scf {

bool buildInProgress(const App&) {
  return false;
}

double buildFraction(const App&) {
  return 0.0;
}

void stopBuildForQuit(App&) {}

bool updateAvailable(App&) {
  return false;
}

}  // namespace scf
