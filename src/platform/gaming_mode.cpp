#include "platform/gaming_mode.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "platform/env.h"

namespace scf {
namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// XDG_CURRENT_DESKTOP is a colon-separated list of names.
bool desktopNamesGamescope(const std::string& desktops) {
  size_t start = 0;
  while (start <= desktops.size()) {
    const size_t end = std::min(desktops.find(':', start), desktops.size());
    if (lower(desktops.substr(start, end - start)) == "gamescope") return true;
    start = end + 1;
  }
  return false;
}

}  // namespace

bool gamingModeSession() {
  const std::string desktop = getEnv("XDG_CURRENT_DESKTOP");
  if (desktopNamesGamescope(desktop)) return true;
  if (!getEnv("GAMESCOPE_WAYLAND_DISPLAY").empty()) return true;
  return desktop.empty() && getEnv("SteamDeck") == "1";
}

}  // namespace scf
