#include "release/release_layout.h"

#include <filesystem>

#include "platform/executable_name.h"
#include "platform/file_status.h"
#include "platform/language.h"
#include "platform/python_exe.h"
#include "platform/utf8_path.h"
#include "release/launcher_settings.h"
#include "release/old_files.h"
#include "release/release_identity.h"
#include "release/tr.h"
#include "release/user_folder.h"
#include "release/video_settings.h"

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

// The first missing piece of the release, or none when it is complete.
MissingPiece checkCompleteness(const ReleaseLayout& layout) {
  MissingPiece missing;
  if (!pathExists(layout.buildScript)) {
    missing.item = join("source", {"tools", "scf_build.py"});
  } else if ((!layout.pythonExe.empty() && !pathExists(layout.pythonExe)) ||
             !pathExists(join(layout.kitDir, {"kit_manifest.json"}))) {
    missing.item = join("kit", {""});
  } else if (layout.pythonExe.empty()) {
    missing.item = "python3";
    missing.python = true;
  }
  return missing;
}

}  // namespace

MissingPiece openRelease(const std::string& releaseDir, ReleaseLayout& layout,
                         LauncherSettings& settings, VideoSettings& video,
                         ReleaseIdentity& identity) {
  fillReleasePaths(layout, releaseDir);
  fillUserPaths(layout);
  settings.load(layout.launcherIni);
  const std::string language = settings.language.empty() ? defaultLanguage() : settings.language;
  uiFrench = language == "fr";
  video.load(layout.videoIni);
  MissingPiece missing = checkCompleteness(layout);
  readReleaseIdentity(layout, identity);
  cleanOldFiles(releaseDir);
  return missing;
}

}  // namespace scf
