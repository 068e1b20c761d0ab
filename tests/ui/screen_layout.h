// The folders of an App that draws the launcher's screens in tests: all inside one temporary
// folder, with an accepted disc image there.
#pragma once

#include <string>

#include "app/app.h"
#include "support/test_support.h"

namespace scf {

inline void layOutScreenApp(App& app, const testing::TempFolder& dir) {
  ReleaseLayout& layout = app.layout;
  layout.releaseDir = dir.path();
  layout.launcherIni = dir / "user/launcher.ini";
  layout.userDir = dir / "user";
  layout.userLogsDir = dir / "user/logs";
  layout.crashesDir = dir / "user/crashes";
  layout.buildDir = dir / "build";
  layout.buildLogsDir = dir / "build/logs";
  layout.gameDir = dir / "game";
  layout.gameExe = dir / "game/scf.exe";
  layout.bootFile = dir / "game/boot.elf";
  layout.builtFromIni = dir / "game/built_from.ini";
  app.settings.disc = dir / "discs/Scrapfury (USA).iso";
  testing::writeFile(app.settings.disc, "disc");
}

}  // namespace scf
