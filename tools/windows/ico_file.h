#pragma once

#include <cstdint>
#include <vector>

namespace scf {

// The sizes of the launcher's .ico: the small and large shell icons at 100 % to 250 % scale,
// and the 256-pixel tile of Explorer's large views.
inline const std::vector<int> kIconFileSizes{16, 20, 24, 32, 40, 48, 64, 256};

// An .ico file holding windowIconPixels at each size, as 32-bit BGRA bitmaps with their
// transparency mask (the form every Windows version reads).
std::vector<std::uint8_t> iconFile(const std::vector<int>& sizes);

}  // namespace scf
