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

  // True when the file was read; a missing file leaves every field as it was.
  bool load(const std::string& path);
  // True when the file was replaced; the old file stays whole otherwise.
  bool save(const std::string& path) const;
  // The file's complete text as save writes it.
  std::string text() const;
};

}  // namespace scf
