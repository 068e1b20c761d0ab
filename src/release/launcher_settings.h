#pragma once

#include <string>

namespace scf {

// launcher.ini: the launcher's own state.
struct LauncherSettings {
  std::string disc;
  std::string language;
  bool motion = true;
  bool buildPending = false;
  bool built = false;
  double lastBuildSeconds = 0;
  double pendingBuildSeconds = 0;
  bool updateCheck = true;

  bool load(const std::string& path);
  bool save(const std::string& path) const;
};

}  // namespace scf
