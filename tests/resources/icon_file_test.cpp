#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ico_file.h"
#include "platform/icon.h"

namespace scf {
namespace {

unsigned read16(const std::vector<std::uint8_t>& d, std::size_t at) {
  return d.at(at) | (d.at(at + 1) << 8);
}

std::uint32_t read32(const std::vector<std::uint8_t>& d, std::size_t at) {
  return read16(d, at) | (static_cast<std::uint32_t>(read16(d, at + 2)) << 16);
}

// Reads the .ico the way Windows does, independently of the writer, and compares every
// image with the pixels the launcher draws.
TEST(IconFile, HoldsTheDrawnIconAtEverySize) {
  const std::vector<int> sizes{16, 48, 256};
  const std::vector<std::uint8_t> file = iconFile(sizes);
  ASSERT_GE(file.size(), 6u);
  EXPECT_EQ(read16(file, 0), 0u);
  EXPECT_EQ(read16(file, 2), 1u);
  ASSERT_EQ(read16(file, 4), sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const int size = sizes[i];
    const std::size_t entry = 6 + 16 * i;
    EXPECT_EQ(file.at(entry) == 0 ? 256 : file.at(entry), size);
    EXPECT_EQ(file.at(entry + 1) == 0 ? 256 : file.at(entry + 1), size);
    EXPECT_EQ(read16(file, entry + 6), 32u);
    const std::uint32_t bytes = read32(file, entry + 8);
    const std::uint32_t at = read32(file, entry + 12);
    ASSERT_LE(static_cast<std::size_t>(at) + bytes, file.size()) << size;
    EXPECT_EQ(read32(file, at), 40u);
    EXPECT_EQ(read32(file, at + 4), static_cast<std::uint32_t>(size));
    EXPECT_EQ(read32(file, at + 8), static_cast<std::uint32_t>(2 * size));
    EXPECT_EQ(read16(file, at + 14), 32u);
    const std::size_t maskStride = (static_cast<std::size_t>(size) + 31) / 32 * 4;
    const std::size_t colours = at + 40;
    const std::size_t mask = colours + static_cast<std::size_t>(size) * size * 4;
    ASSERT_EQ(mask + maskStride * size, static_cast<std::size_t>(at) + bytes) << size;

    const std::vector<std::uint8_t> drawn = windowIconPixels(size);
    int mismatches = 0;
    for (int y = 0; y < size; ++y) {
      const int row = size - 1 - y;  // bitmaps are stored bottom-up
      for (int x = 0; x < size; ++x) {
        const std::uint8_t* want = &drawn[(static_cast<std::size_t>(y) * size + x) * 4];
        const std::size_t got = colours + (static_cast<std::size_t>(row) * size + x) * 4;
        const bool transparent =
            (file.at(mask + row * maskStride + x / 8) & (0x80 >> (x % 8))) != 0;
        if (file[got] != want[2] || file[got + 1] != want[1] || file[got + 2] != want[0] ||
            file[got + 3] != want[3] || transparent != (want[3] == 0)) {
          ++mismatches;
        }
      }
    }
    EXPECT_EQ(mismatches, 0) << "pixels differ at size " << size;
  }
}

TEST(IconFile, ShipsTheShellSizes) {
  for (int size : {16, 32, 48, 256}) {
    EXPECT_NE(std::find(kIconFileSizes.begin(), kIconFileSizes.end(), size), kIconFileSizes.end())
        << size;
  }
}

}  // namespace
}  // namespace scf
