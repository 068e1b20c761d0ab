// Reads back the launcher's own screenshots: PNGs made of stored deflate blocks, as its encoder
// writes them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace scf {

// Width, height and RGB pixels of a PNG made of stored deflate blocks, as our encoder writes.
struct Picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;

  const std::uint8_t* at(std::uint32_t x, std::uint32_t y) const {
    return &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
  }
};

inline Picture readPicture(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> png((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
  Picture picture;
  if (png.size() < 57) return picture;
  auto be = [&](std::size_t at) {
    return (std::uint32_t{png[at]} << 24) | (std::uint32_t{png[at + 1]} << 16) |
           (std::uint32_t{png[at + 2]} << 8) | png[at + 3];
  };
  picture.width = be(16);
  picture.height = be(20);
  std::vector<std::uint8_t> filtered;
  std::size_t chunk = 33;
  while (chunk + 8 <= png.size()) {
    const std::size_t length = be(chunk);
    const std::string type(png.begin() + static_cast<long>(chunk + 4),
                           png.begin() + static_cast<long>(chunk + 8));
    if (type == "IDAT") {
      std::size_t pos = chunk + 8 + 2;
      const std::size_t end = chunk + 8 + length - 4;
      while (pos + 5 <= end) {
        const std::size_t block = png[pos + 1] | (std::size_t{png[pos + 2]} << 8);
        filtered.insert(filtered.end(), png.begin() + static_cast<long>(pos + 5),
                        png.begin() + static_cast<long>(pos + 5 + block));
        pos += 5 + block;
      }
    }
    chunk += 12 + length;
  }
  const std::size_t stride = 1 + std::size_t{picture.width} * 3;
  for (std::uint32_t y = 0; y < picture.height && (y + 1) * stride <= filtered.size(); ++y) {
    picture.rgb.insert(picture.rgb.end(), filtered.begin() + static_cast<long>(y * stride + 1),
                       filtered.begin() + static_cast<long>((y + 1) * stride));
  }
  return picture;
}

// How many different colours the picture holds: a blank or cleared frame has very few.
inline std::size_t distinctColours(const Picture& picture) {
  std::set<std::uint32_t> colours;
  for (std::size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
    colours.insert((std::uint32_t{picture.rgb[i]} << 16) |
                   (std::uint32_t{picture.rgb[i + 1]} << 8) | picture.rgb[i + 2]);
  }
  return colours.size();
}

// How many pixels are within tolerance of 0xRRGGBB on every channel.
inline std::size_t pixelsNear(const Picture& picture, std::uint32_t rgb, int tolerance) {
  const int want[3] = {static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                       static_cast<int>(rgb & 0xFF)};
  std::size_t count = 0;
  for (std::size_t i = 0; i + 2 < picture.rgb.size(); i += 3) {
    bool near = true;
    for (int c = 0; c < 3; ++c) {
      const int d = static_cast<int>(picture.rgb[i + static_cast<std::size_t>(c)]) - want[c];
      if (d > tolerance || d < -tolerance) near = false;
    }
    if (near) ++count;
  }
  return count;
}

}  // namespace scf
