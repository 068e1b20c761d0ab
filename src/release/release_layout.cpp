#include "release/release_layout.h"

#include <filesystem>

#include "app/app.h"
#include "platform/executable_name.h"
#include "platform/file_status.h"
#include "platform/language.h"
#include "platform/python_exe.h"
#include "platform/utf8_path.h"
#include "release/old_files.h"
#include "release/tr.h"
#include "release/user_folder.h"

namespace scf {

namespace {

std::string join(const std::string& root, std::initializer_list<const char*> parts) {
  std::filesystem::path path = utf8Path(root);
  for (const char* part : parts)
    path /= part;
  return utf8String(path);
}

void fillReleasePaths(ReleaseLayout& layout, const std::string& releaseDir) {
  layout.releaseDir = releaseDir;
  layout.sourceDir = join(releaseDir, {"source"});
  layout.kitDir = join(releaseDir, {"kit"});
  layout.pythonExe = findPythonExe(releaseDir);
  layout.buildScript = join(releaseDir, {"source", "tools", "scf_build.py"});
  layout.buildDir = join(releaseDir, {"build"});
  layout.buildLogsDir = join(releaseDir, {"build", "logs"});
  layout.gameDir = join(releaseDir, {"game"});
  layout.gameExe = join(releaseDir, {"game", executableName("scf").c_str()});
  layout.bootFile = join(releaseDir, {"game", "SXUS_902.10"});
  layout.discIso = join(releaseDir, {"game", "disc.iso"});
  layout.releaseIni = join(releaseDir, {"source", "release.ini"});
  layout.builtFromIni = join(releaseDir, {"game", "built_from.ini"});
}

void fillUserPaths(ReleaseLayout& layout) {
  layout.userDir = userFolder();
  layout.launcherIni = join(layout.userDir, {"launcher.ini"});
  layout.videoIni = join(layout.userDir, {"video.ini"});
  layout.userLogsDir = join(layout.userDir, {"logs"});
  layout.crashesDir = join(layout.userDir, {"crashes"});
}

// The first missing piece of the release, or empty when it is complete.
void checkCompleteness(App& app) {
  const ReleaseLayout& layout = app.layout;
  app.missingItem.clear();
  app.pythonMissing = false;
  if (!pathExists(layout.buildScript)) {
    app.missingItem = join("source", {"tools", "scf_build.py"});
  } else if ((!layout.pythonExe.empty() && !pathExists(layout.pythonExe)) ||
             !pathExists(join(layout.kitDir, {"kit_manifest.json"}))) {
    app.missingItem = join("kit", {""});
  } else if (layout.pythonExe.empty()) {
    app.missingItem = "python3";
    app.pythonMissing = true;
  }
}

}  // namespace

void resolveLayout(App& app, const std::string& releaseDir) {
  fillReleasePaths(app.layout, releaseDir);
  fillUserPaths(app.layout);
  app.settings.load(app.layout.launcherIni);
  const std::string language =
      app.settings.language.empty() ? defaultLanguage() : app.settings.language;
  uiFrench = language == "fr";
  app.video.load(app.layout.videoIni);
  checkCompleteness(app);
  if (!app.missingItem.empty()) {
    app.screen = kScreenMissingFiles;
  } else if (app.settings.disc.empty()) {
    app.screen = kScreenWelcome;
  } else {
    app.screen = kScreenMain;
  }
  readReleaseIdentity(app.layout, app.identity);
  cleanOldFiles(releaseDir);
}

}  // namespace scf
