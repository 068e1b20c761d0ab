#include "harness/png_writer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>

#include "platform/file_open.h"

namespace scf {
namespace {

constexpr size_t kMaxStoredBlock = 65535;

const std::array<uint32_t, 256>& crcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

void putBigEndian(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v >> 24));
  out.push_back(static_cast<uint8_t>(v >> 16));
  out.push_back(static_cast<uint8_t>(v >> 8));
  out.push_back(static_cast<uint8_t>(v));
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  putBigEndian(out, static_cast<uint32_t>(data.size()));
  const size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  putBigEndian(out, crc32(out.data() + typeAt, 4 + data.size()));
}

}  // namespace

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc) {
  const auto& table = crcTable();
  uint32_t c = ~crc;
  for (size_t i = 0; i < size; ++i)
    c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return ~c;
}

uint32_t adler32(const uint8_t* data, size_t size) {
  uint32_t s1 = 1, s2 = 0;
  // 5552 bytes is the longest run whose sums cannot overflow 32 bits before the modulo.
  while (size > 0) {
    const size_t run = size < 5552 ? size : 5552;
    for (size_t i = 0; i < run; ++i) {
      s1 += data[i];
      s2 += s1;
    }
    s1 %= 65521;
    s2 %= 65521;
    data += run;
    size -= run;
  }
  return (s2 << 16) | s1;
}

std::vector<uint8_t> encodePng(const uint8_t* pixels, uint32_t width, uint32_t height, bool alpha) {
  if (width == 0 || height == 0 || pixels == nullptr) return {};
  const size_t channels = alpha ? 4 : 3;
  const size_t rowBytes = 1 + static_cast<size_t>(width) * channels;
  const size_t filteredSize = rowBytes * height;

  std::vector<uint8_t> filtered(filteredSize);
  uint8_t* out = filtered.data();
  const uint8_t* in = pixels;
  for (uint32_t y = 0; y < height; ++y) {
    *out++ = 0;  // filter type None
    for (uint32_t x = 0; x < width; ++x, in += 4) {
      for (size_t c = 0; c < channels; ++c)
        *out++ = in[c];
    }
  }

  const size_t blocks =
      filteredSize == 0 ? 1 : (filteredSize + kMaxStoredBlock - 1) / kMaxStoredBlock;
  std::vector<uint8_t> zlib;
  zlib.reserve(2 + blocks * 5 + filteredSize + 4);
  zlib.push_back(0x78);
  zlib.push_back(0x01);
  for (size_t offset = 0; offset < filteredSize; offset += kMaxStoredBlock) {
    const size_t len = std::min(kMaxStoredBlock, filteredSize - offset);
    const bool last = offset + len == filteredSize;
    zlib.push_back(last ? 1 : 0);
    zlib.push_back(static_cast<uint8_t>(len & 0xFF));
    zlib.push_back(static_cast<uint8_t>(len >> 8));
    zlib.push_back(static_cast<uint8_t>(~len & 0xFF));
    zlib.push_back(static_cast<uint8_t>((~len >> 8) & 0xFF));
    zlib.insert(zlib.end(), filtered.begin() + static_cast<ptrdiff_t>(offset),
                filtered.begin() + static_cast<ptrdiff_t>(offset + len));
  }
  putBigEndian(zlib, adler32(filtered.data(), filteredSize));
  filtered = {};

  std::vector<uint8_t> header;
  putBigEndian(header, width);
  putBigEndian(header, height);
  header.insert(header.end(), {8, static_cast<uint8_t>(alpha ? 6 : 2), 0, 0, 0});

  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  png.reserve(8 + 25 + 12 + zlib.size() + 12);
  putChunk(png, "IHDR", header);
  putChunk(png, "IDAT", zlib);
  putChunk(png, "IEND", {});
  return png;
}

bool writePng(const std::string& path, const uint8_t* pixels, uint32_t width, uint32_t height,
              bool alpha) {
  const std::vector<uint8_t> png = encodePng(pixels, width, height, alpha);
  if (png.empty()) return false;
  FILE* file = openFile(path, "wb");
  if (!file) return false;
  const size_t written = std::fwrite(png.data(), 1, png.size(), file);
  const bool closed = std::fclose(file) == 0;
  return closed && written == png.size();
}

}  // namespace scf
