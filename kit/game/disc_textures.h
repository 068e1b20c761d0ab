#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scf_demo {

// One picture from the disc: RGBA pixels, top row first.
struct Texture {
  std::string name;
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> pixels;
};

struct DiscTextures {
  std::vector<Texture> arenas;
  std::vector<Texture> cars;
};

// Reads the arena and car textures ("ARENAS/*.TEX", "CARS/*.TEX") from the disc's 2048-byte user
// data. A disc without them gives empty lists; error names what went wrong, for the log.
DiscTextures readDiscTextures(const std::string& isoPath, std::string& error);

}  // namespace scf_demo
