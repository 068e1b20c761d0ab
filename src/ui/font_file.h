#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace scf {

// True when data holds a TrueType or OpenType font (or a collection whose first font is one)
// with its table directory and every table inside the data. The GUI library's font reader trusts
// those offsets without checking them, so a truncated or foreign file must not reach it.
bool fontDataLooksComplete(const unsigned char* data, std::size_t size);

// The whole file when it passes fontDataLooksComplete; empty when it cannot be read or does not.
std::vector<unsigned char> readFontFile(const std::string& path);

}  // namespace scf
