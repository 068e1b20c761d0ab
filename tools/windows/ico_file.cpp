#include "ico_file.h"

#include "platform/icon.h"

namespace scf {
namespace {

void put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  put16(out, value & 0xFFFF);
  put16(out, value >> 16);
}

// One icon image: BITMAPINFOHEADER (height doubled for the mask), the colour rows bottom-up,
// then the 1-bit mask rows, each padded to 4 bytes; a set mask bit marks a transparent pixel.
std::vector<std::uint8_t> iconImage(int size) {
  const std::vector<std::uint8_t> rgba = windowIconPixels(size);
  const std::size_t maskStride = ((static_cast<std::size_t>(size) + 31) / 32) * 4;
  const std::size_t colourBytes = static_cast<std::size_t>(size) * size * 4;
  std::vector<std::uint8_t> out;
  put32(out, 40);
  put32(out, static_cast<std::uint32_t>(size));
  put32(out, static_cast<std::uint32_t>(size) * 2);
  put16(out, 1);   // planes
  put16(out, 32);  // bits per pixel
  put32(out, 0);   // BI_RGB
  put32(out, static_cast<std::uint32_t>(colourBytes + maskStride * size));
  for (int i = 0; i < 4; ++i)
    put32(out, 0);
  for (int y = size - 1; y >= 0; --y) {
    for (int x = 0; x < size; ++x) {
      const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * size + x) * 4];
      out.insert(out.end(), {p[2], p[1], p[0], p[3]});
    }
  }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskStride, 0);
    for (int x = 0; x < size; ++x) {
      if (rgba[(static_cast<std::size_t>(y) * size + x) * 4 + 3] == 0) {
        row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

std::vector<std::uint8_t> iconFile(const std::vector<int>& sizes) {
  std::vector<std::vector<std::uint8_t>> images;
  for (int size : sizes)
    images.push_back(iconImage(size));
  std::vector<std::uint8_t> out;
  put16(out, 0);  // reserved
  put16(out, 1);  // an icon, not a cursor
  put16(out, static_cast<unsigned>(sizes.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * sizes.size());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    // A size of 256 is written as 0: the field has one byte.
    const auto side = static_cast<std::uint8_t>(sizes[i] >= 256 ? 0 : sizes[i]);
    out.insert(out.end(), {side, side, 0, 0});
    put16(out, 1);
    put16(out, 32);
    put32(out, static_cast<std::uint32_t>(images[i].size()));
    put32(out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const auto& image : images)
    out.insert(out.end(), image.begin(), image.end());
  return out;
}

}  // namespace scf
