#pragma once

#include <map>
#include <string>

namespace scf {

// video.ini: the window the game starts with; shared with the game's own settings window.
struct VideoSettings {
  int width = 0;
  int height = 0;
  std::string mode = "windowed";
  std::string renderScale = "1";
  int gsScale = 1;
  bool loaded = false;
  std::map<std::string, std::string> extras;

  bool load(const std::string& path);
  bool save(const std::string& path) const;
};

}  // namespace scf
