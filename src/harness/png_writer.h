#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace scf {

// Writes an 8-bit PNG with stored (uncompressed) deflate blocks. pixels holds width × height RGBA
// pixels, top row first; alpha false drops the fourth byte (colour type 2). True when the whole
// file was written.
bool writePng(const std::string& path, const uint8_t* pixels, uint32_t width, uint32_t height,
              bool alpha);

// The same encoding into memory (empty for an empty image).
std::vector<uint8_t> encodePng(const uint8_t* pixels, uint32_t width, uint32_t height, bool alpha);

uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
uint32_t adler32(const uint8_t* data, size_t size);

}  // namespace scf
