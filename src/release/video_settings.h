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
  // Keys this launcher does not interpret, written back in key order.
  std::map<std::string, std::string> extras;

  // True when the file was read; a missing file leaves every other field as it was.
  bool load(const std::string& path);
  // True when the file was replaced; the old file stays whole otherwise.
  bool save(const std::string& path) const;
  // The file's complete text as save writes it.
  std::string text() const;
};

// The comment block that opens video.ini, 460 bytes.
extern const char* const kVideoIniHeader;

}  // namespace scf
