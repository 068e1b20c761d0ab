#include "platform/icon.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "harness/png_writer.h"

namespace scf {
namespace {

TEST(WindowIcon, IsAnOpaqueRoundedTileWithClearCorners) {
  for (int size : {16, 32, 64}) {
    const auto pixels = windowIconPixels(size);
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(size * size * 4));
    auto alpha = [&](int x, int y) { return pixels[(y * size + x) * 4 + 3]; };
    EXPECT_EQ(alpha(0, 0), 0) << size;
    EXPECT_EQ(alpha(size - 1, size - 1), 0) << size;
    EXPECT_EQ(alpha(size / 2, size / 2), 255) << size;
    EXPECT_EQ(alpha(size / 2, 2 * size / 10), 255) << size;
  }
  EXPECT_TRUE(windowIconPixels(0).empty());

  // Kept for a look: the icon at the size the window host hands to the desktop.
  const auto pixels = windowIconPixels(64);
  const std::filesystem::path shots = std::filesystem::path(SCF_BINARY_DIR) / "ui-screenshots";
  std::filesystem::create_directories(shots);
  EXPECT_TRUE(writePng((shots / "icon.png").string(), pixels.data(), 64, 64, true));
}

}  // namespace
}  // namespace scf
