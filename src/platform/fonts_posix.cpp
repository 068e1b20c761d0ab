#include <sys/stat.h>

#include "platform/fonts.h"

namespace scf {

std::vector<std::string> fixedWidthFontCandidates() {
  return {
      "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
      "/usr/share/fonts/TTF/DejaVuSansMono.ttf",
      "/usr/share/fonts/dejavu-sans-mono-fonts/DejaVuSansMono.ttf",
      "/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf",
      "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf",
      "/usr/share/fonts/truetype/noto/NotoSansMono-Regular.ttf",
      "/usr/share/fonts/truetype/ubuntu/UbuntuMono-R.ttf",
  };
}

std::string firstExistingFile(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return path;
  }
  return {};
}

std::string fixedWidthFontPath() {
  return firstExistingFile(fixedWidthFontCandidates());
}

}  // namespace scf
