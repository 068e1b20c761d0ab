#include "app/resolve_layout.h"

#include "app/app.h"

namespace scf {

void resolveLayout(App& app, const std::string& releaseDir) {
  const MissingPiece missing =
      openRelease(releaseDir, app.layout, app.settings, app.video, app.identity);
  app.missingItem = missing.item;
  app.pythonMissing = missing.python;
  if (!app.missingItem.empty()) {
    app.screen = kScreenMissingFiles;
  } else if (app.settings.disc.empty()) {
    app.screen = kScreenWelcome;
  } else {
    app.screen = kScreenMain;
  }
}

}  // namespace scf
