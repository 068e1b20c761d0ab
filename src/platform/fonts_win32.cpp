#include "platform/env.h"
#include "platform/file_status.h"
#include "platform/fonts.h"

namespace scf {

std::vector<std::string> fixedWidthFontCandidates() {
  std::string folder = getEnv("WINDIR");
  if (folder.empty()) folder = "C:\\Windows";
  folder += "\\Fonts\\";
  std::vector<std::string> candidates;
  for (const char* name :
       {"CascadiaMono.ttf", "CascadiaCode.ttf", "consola.ttf", "lucon.ttf", "cour.ttf"}) {
    candidates.push_back(folder + name);
  }
  return candidates;
}

std::string firstExistingFile(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (isRegularFile(path)) return path;
  }
  return {};
}

std::string fixedWidthFontPath() {
  return firstExistingFile(fixedWidthFontCandidates());
}

}  // namespace scf
