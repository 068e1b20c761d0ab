#include "release/launcher_settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/atomic_file.h"
#include "release/ini_file.h"

namespace scf {

namespace {

std::string valueOf(const IniFile& file, const std::string& key) {
  const auto found = file.values.find(key);
  return found == file.values.end() ? std::string() : found->second;
}

double secondsOf(const std::string& text) {
  const double seconds = std::strtod(text.c_str(), nullptr);
  // "inf" or "nan" typed by hand would poison every later estimate and save.
  return std::isfinite(seconds) ? seconds : 0;
}

std::string formatSeconds(double seconds) {
  // A finite double can need over 300 digits without a decimal point; a cut text would save
  // another number.
  const int length = std::snprintf(nullptr, 0, "%.0f", seconds);
  if (length <= 0) return "0";
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.0f", seconds);
  text.resize(static_cast<size_t>(length));
  return text;
}

const char* flag(bool value) {
  return value ? "1" : "0";
}

}  // namespace

bool LauncherSettings::load(const std::string& path) {
  // "#" may stand in a disc path, so launcher.ini has no comments after values.
  const IniFile file = readIniFile(path, false);
  if (!file.opened) return false;
  disc = valueOf(file, "disc");
  language = valueOf(file, "language");
  motion = valueOf(file, "motion") != "0";
  buildPending = valueOf(file, "build_pending") == "1";
  built = valueOf(file, "built") == "1";
  lastBuildSeconds = secondsOf(valueOf(file, "last_build_seconds"));
  pendingBuildSeconds = secondsOf(valueOf(file, "pending_build_seconds"));
  updateCheck = valueOf(file, "update_check") != "0";
  return true;
}

std::string LauncherSettings::text() const {
  std::string out = "# SCF Launcher's settings (the launcher writes this file).\n[launcher]\n";
  out += "disc = " + disc + "\n";
  out += "language = " + language + "\n";
  out += std::string("motion = ") + flag(motion) + "\n";
  out += std::string("build_pending = ") + flag(buildPending) + "\n";
  out += std::string("built = ") + flag(built) + "\n";
  out += "last_build_seconds = " + formatSeconds(lastBuildSeconds) + "\n";
  out += "pending_build_seconds = " + formatSeconds(pendingBuildSeconds) + "\n";
  out += std::string("update_check = ") + flag(updateCheck) + "\n";
  return out;
}

bool LauncherSettings::save(const std::string& path) const {
  return writeFileAtomic(path, text());
}

}  // namespace scf
