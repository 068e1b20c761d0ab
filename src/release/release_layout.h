#pragma once

#include <string>

namespace scf {

struct App;

// Every folder and file the launcher uses, resolved once at start.
struct ReleaseLayout {
  std::string releaseDir;
  std::string sourceDir;
  std::string kitDir;
  std::string pythonExe;
  std::string buildScript;
  std::string buildDir;
  std::string buildLogsDir;
  std::string gameDir;
  std::string gameExe;
  std::string bootFile;
  std::string discIso;
  std::string releaseIni;
  std::string builtFromIni;
  std::string userDir;
  std::string launcherIni;
  std::string videoIni;
  std::string userLogsDir;
  std::string crashesDir;
};

// Fills app's layout, settings, language, missing-files verdict, opening screen and release
// identity from the release folder, and removes what the last update left behind.
void resolveLayout(App& app, const std::string& releaseDir);

}  // namespace scf
