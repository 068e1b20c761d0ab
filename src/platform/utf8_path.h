#pragma once

#include <filesystem>
#include <string>

namespace scf {

// Every path inside the launcher is a UTF-8 std::string. Building a path from a plain
// std::string reads its bytes in the system's narrow encoding, which on Windows is the ANSI
// code page and mangles any name outside it; going through char8_t says "this is UTF-8" on
// every system (and changes nothing where the narrow encoding already is UTF-8).
inline std::filesystem::path utf8Path(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The path's name as UTF-8, whatever the system's own encoding of it.
inline std::string utf8String(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace scf
