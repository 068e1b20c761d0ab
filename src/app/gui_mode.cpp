#include "app/gui_mode.h"

#include <memory>

#include "app/app.h"
#include "app/build_actions.h"
#include "app/frame_loop.h"
#include "app/gamepads.h"
#include "app/launch_options.h"
#include "app/resolve_layout.h"
#include "app/update_recovery.h"
#include "app/window.h"
#include "harness/selftest.h"
#include "imgui.h"
#include "platform/exe_path.h"
#include "platform/fatal_error.h"
#include "prepare/failure_record.h"
#include "release/release_layout.h"
#include "ui/look_and_feel.h"

namespace scf {

int runGuiMode(const LaunchOptions& options, const std::string& releaseFolder, const TickFn& tick) {
  auto app = std::make_unique<App>();
  resolveLayout(*app, releaseFolder);
  restoreBuildFailure(*app);

  std::string error;
  if (!openWindow("SCF Launcher", 1120, 760, options.uiScale, error)) {
    showFatalError(error);
    app.reset();
    return 1;
  }
  setMinimumWindowSize(static_cast<int>(980 * uiScale), static_cast<int>(700 * uiScale));
  app->lastInput = startingInput();
  ImGui::StyleColorsDark();
  applyLookAndFeel();
  // An update cut short is finished or undone before anything else; the release is read again.
  if (recoverInterruptedUpdate(*app)) resolveLayout(*app, releaseFolder);
  if (!options.updateUrl.empty()) app->updateCheck.updateUrl = options.updateUrl;
  if (!options.downloadPrefix.empty()) app->updateInstall.downloadPrefix = options.downloadPrefix;
  app->launchArgs = options.launchArgs;
  app->updateInstall.launcherPath = exePath();
  app->updateNow = options.updateNow;
  if (app->settings.updateCheck) app->updateCheck.start(app->updateCheck.updateUrl, false);

  // The self-test starts after the update check would have started, and before the first turn.
  std::unique_ptr<Selftest> selftest;
  if (!options.selftestDisc.empty()) selftest = std::make_unique<Selftest>(options, *app);
  app->everyTurnDraws = selftest != nullptr;
  const TickFn turn = [&selftest, &tick](App& current) {
    if (selftest) selftest->tick(current);
    if (tick) tick(current);
  };
  runFrameLoop(*app, turn);

  closeWindow();
  int exitCode = 0;
  if (selftest) {
    selftest->closeLog();
    exitCode = selftest->exitCode();
    selftest.reset();
  }
  app.reset();
  return exitCode;
}

}  // namespace scf
