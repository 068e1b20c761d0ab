#include "app/update_recovery.h"

#include "app/app.h"
#include "app/window.h"
#include "platform/clock.h"
#include "ui/screens/recovery_screen.h"
#include "ui/widgets/background.h"
#include "update/install_recovery.h"

namespace scf {

bool recoverInterruptedUpdate(App& app) {
  InstallRecovery::tidy(app.layout);
  if (app.layout.pythonExe.empty() || !InstallRecovery::needed(app.layout)) return false;
  InstallRecovery recovery;
  recovery.start(app.layout);
  const double t0 = nowSeconds();
  while (recovery.step()) {
    // The recovery is free-standing: a launcher asked to close now leaves it to finish.
    if (pollEvents()) {
      app.quitConfirmed = true;
      break;
    }
    beginFrame();
    drawBackground(nowSeconds() - t0, app.settings.motion);
    drawRecoveryScreen(recovery.sentence());
    endFrame({}, true);
    waitForEvents(0.05);
  }
  if (!recovery.error().empty()) {
    app.updateInstall.installState = kInstallFailed;
    app.updateInstall.installError = recovery.error();
  }
  return true;
}

}  // namespace scf
