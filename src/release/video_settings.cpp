#include "release/video_settings.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/atomic_file.h"
#include "release/ini_file.h"

namespace scf {

const char* const kVideoIniHeader =
    "# The window (the Video tab of the settings window, F2, writes this file; ZA2D_WINDOW_SIZE, "
    "ZA2D_WINDOW_MODE,\n"
    "# ZA2D_RENDER_SCALE and ZA2D_GS_SCALE override it). size: the window's, or the full-screen "
    "video mode's.\n"
    "# mode: windowed, fullscreen (exclusive) or borderless (the monitor's size). render_scale: "
    "the "
    "3D drawn at\n"
    "# that many times the window's size each way (0.25 to 4). gs_scale: the GS renderer's "
    "internal "
    "scale (1 to 4,\n"
    "# read at launch).\n"
    "\n"
    "[video]\n";

namespace {

// Reads a leading decimal int as scanf's "%d" does (leading blanks, a sign); false when there is
// no number or it does not fit, where scanf itself would be undefined.
bool readInt(const char*& cursor, int& value) {
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(cursor, &end, 10);
  if (end == cursor || errno == ERANGE || number < INT_MIN || number > INT_MAX) return false;
  cursor = end;
  value = static_cast<int>(number);
  return true;
}

// The "%dx%d" pattern: the x must follow the first number directly.
bool readSize(const std::string& text, int& width, int& height) {
  const char* cursor = text.c_str();
  int w = 0;
  int h = 0;
  if (!readInt(cursor, w) || *cursor != 'x') return false;
  ++cursor;
  if (!readInt(cursor, h)) return false;
  width = w;
  height = h;
  return true;
}

int clampedGsScale(const std::string& text) {
  const long number = std::strtol(text.c_str(), nullptr, 10);
  if (number < 1) return 1;
  if (number > 4) return 4;
  return static_cast<int>(number);
}

}  // namespace

bool VideoSettings::load(const std::string& path) {
  const IniFile file = readIniFile(path, true);
  loaded = file.opened;
  if (!file.opened) return false;
  extras.clear();
  for (const auto& [key, value] : file.values) {
    if (key == "size") {
      int w = 0;
      int h = 0;
      if (readSize(value, w, h) && w > 159 && h > 119) {
        width = w;
        height = h;
      }
    } else if (key == "mode") {
      if (value == "windowed" || value == "fullscreen" || value == "borderless") mode = value;
    } else if (key == "render_scale") {
      if (!value.empty()) renderScale = value;
    } else if (key == "gs_scale") {
      if (!value.empty()) gsScale = clampedGsScale(value);
    } else if (!value.empty()) {
      extras[key] = value;
    }
  }
  return true;
}

std::string VideoSettings::text() const {
  std::string out = kVideoIniHeader;
  out += "size = " + std::to_string(width) + "x" + std::to_string(height) + "\n";
  out += "mode = " + mode + "\n";
  out += "render_scale = " + renderScale + "\n";
  out += "gs_scale = " + std::to_string(gsScale) + "\n";
  for (const auto& [key, value] : extras) {
    out.append(key).append(" = ").append(value).append("\n");
  }
  return out;
}

bool VideoSettings::save(const std::string& path) const {
  return writeFileAtomic(path, text());
}

}  // namespace scf
