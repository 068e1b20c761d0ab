#pragma once

#include <string>

namespace scf {

struct LauncherSettings;
struct ReleaseIdentity;
struct VideoSettings;

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

// The first piece a build needs that the release lacks; item is empty when it is complete.
struct MissingPiece {
  std::string item;
  bool python = false;  // the piece is Python itself, not a file of the release
};

// Fills the layout from the release folder, loads both settings files over what the records
// hold, sets the interface language, reads the release identity and removes what the last
// update left behind; returns what the release lacks.
MissingPiece openRelease(const std::string& releaseDir, ReleaseLayout& layout,
                         LauncherSettings& settings, VideoSettings& video,
                         ReleaseIdentity& identity);

}  // namespace scf
