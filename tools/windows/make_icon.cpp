// Writes the launcher's icon (windowIconPixels) as an .ico file for the Windows resources:
//     make_icon OUT.ico
// Built and run on the build machine, so the icon in the executable is the one the code draws.
#include <cstdio>

#include "ico_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon OUT.ico\n");
    return 2;
  }
  const std::vector<std::uint8_t> data = scf::iconFile(scf::kIconFileSizes);
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "make_icon: %s cannot be written\n", argv[1]);
    return 1;
  }
  const bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
  if (std::fclose(file) != 0 || !written) {
    std::fprintf(stderr, "make_icon: %s could not be written whole\n", argv[1]);
    return 1;
  }
  return 0;
}
