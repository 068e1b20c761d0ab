#include "disc_textures.h"

#include <cstring>
#include <fstream>

#include "platform/utf8_path.h"

namespace scf_demo {

namespace {

constexpr uint32_t kSector = 2048;
constexpr char kTextureMagic[] = "SCFTEX01";

uint32_t le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

struct Record {
  std::string name;
  uint32_t extent = 0;
  uint32_t size = 0;
  bool isDir = false;
};

class Iso {
 public:
  explicit Iso(const std::string& path) : file_(scf::utf8Path(path), std::ios::binary) {}
  bool ok() const { return bool(file_); }

  bool read(uint32_t sector, uint32_t size, std::vector<uint8_t>& out) {
    out.assign(size, 0);
    file_.seekg(std::streamoff(sector) * kSector);
    file_.read(reinterpret_cast<char*>(out.data()), size);
    return file_.gcount() == std::streamsize(size);
  }

  std::vector<Record> list(const Record& dir) {
    std::vector<Record> records;
    std::vector<uint8_t> data;
    if (!read(dir.extent, dir.size, data)) return records;
    size_t pos = 0;
    while (pos < data.size()) {
      const uint8_t length = data[pos];
      if (length == 0) {  // padding up to the next sector
        pos = (pos / kSector + 1) * kSector;
        continue;
      }
      if (length < 34 || pos + length > data.size()) break;
      records.push_back(parse(&data[pos]));
      pos += length;
    }
    return records;
  }

  static Record parse(const uint8_t* raw) {
    Record r;
    r.extent = le32(raw + 2);
    r.size = le32(raw + 10);
    r.isDir = raw[25] & 2;
    r.name.assign(reinterpret_cast<const char*>(raw + 33), raw[32]);
    r.name = r.name.substr(0, r.name.find(';'));
    return r;
  }

 private:
  std::ifstream file_;
};

bool decodeTexture(const std::string& name, const std::vector<uint8_t>& data, Texture& texture) {
  if (data.size() < 16 || std::memcmp(data.data(), kTextureMagic, 8) != 0) return false;
  texture.name = name;
  texture.width = le32(&data[8]);
  texture.height = le32(&data[12]);
  const uint64_t bytes = uint64_t(texture.width) * texture.height * 4;
  if (texture.width == 0 || texture.height == 0 || bytes > data.size() - 16) return false;
  texture.pixels.assign(data.begin() + 16, data.begin() + 16 + bytes);
  return true;
}

}  // namespace

DiscTextures readDiscTextures(const std::string& isoPath, std::string& error) {
  DiscTextures result;
  Iso iso(isoPath);
  std::vector<uint8_t> pvd;
  if (!iso.ok() || !iso.read(16, kSector, pvd)) {
    error = "the disc image cannot be read";
    return result;
  }
  if (pvd[0] != 1 || std::memcmp(&pvd[1], "CD001", 5) != 0) {
    error = "the disc image has no ISO 9660 volume";
    return result;
  }
  const Record root = Iso::parse(&pvd[156]);
  for (const Record& folder : iso.list(root)) {
    if (!folder.isDir || (folder.name != "ARENAS" && folder.name != "CARS")) continue;
    auto& list = folder.name == "ARENAS" ? result.arenas : result.cars;
    for (const Record& file : iso.list(folder)) {
      std::vector<uint8_t> data;
      Texture texture;
      if (!file.isDir && iso.read(file.extent, file.size, data) &&
          decodeTexture(folder.name + "/" + file.name, data, texture)) {
        list.push_back(std::move(texture));
      }
    }
  }
  if (result.arenas.empty() && result.cars.empty()) error = "the disc holds no textures";
  return result;
}

}  // namespace scf_demo
