#include "ui/font_file.h"

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "platform/utf8_path.h"

namespace scf {
namespace {

// The GUI library refuses font data of this size or less.
constexpr std::size_t kSmallestFont = 101;
// The GUI library takes the size as an int; no desktop font comes near this.
constexpr std::uintmax_t kLargestFont = 256u << 20;

std::uint32_t be32(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

std::uint16_t be16(const unsigned char* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

bool isFontTag(std::uint32_t tag) {
  return tag == 0x00010000u || tag == 0x4F54544Fu /* OTTO */ || tag == 0x74727565u /* true */ ||
         tag == 0x74797031u /* typ1 */;
}

// The offset table at offset, its directory and the tables it lists all lie inside the data.
bool tablesInside(const unsigned char* data, std::size_t size, std::size_t offset) {
  if (offset > size || size - offset < 12) return false;
  if (!isFontTag(be32(data + offset))) return false;
  const std::size_t tables = be16(data + offset + 4);
  if (tables == 0 || (size - offset - 12) / 16 < tables) return false;
  for (std::size_t i = 0; i < tables; ++i) {
    const unsigned char* record = data + offset + 12 + 16 * i;
    const std::size_t start = be32(record + 8);
    const std::size_t length = be32(record + 12);
    if (start > size || length > size - start) return false;
  }
  return true;
}

}  // namespace

bool fontDataLooksComplete(const unsigned char* data, std::size_t size) {
  if (data == nullptr || size < kSmallestFont) return false;
  if (be32(data) != 0x74746366u /* ttcf */) return tablesInside(data, size, 0);
  const std::uint32_t version = be32(data + 4);
  if (version != 0x00010000u && version != 0x00020000u) return false;
  if (be32(data + 8) == 0) return false;
  return tablesInside(data, size, be32(data + 12));
}

std::vector<unsigned char> readFontFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::path file = utf8Path(path);
  if (!std::filesystem::is_regular_file(file, error)) return {};
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error || size < kSmallestFont || size > kLargestFont) return {};
  std::vector<unsigned char> data(static_cast<std::size_t>(size));
  std::ifstream in(file, std::ios::binary);
  // read() turns a failing read into a stream state rather than an exception.
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!in || in.gcount() != static_cast<std::streamsize>(data.size())) return {};
  if (!fontDataLooksComplete(data.data(), data.size())) return {};
  return data;
}

}  // namespace scf
