#pragma once

#include <cstdint>

namespace scf {

// A tinted box with a wrapped title and an optional fixed-width detail; reserves its size.
void noticeBox(const char* title, const char* detail, std::uint32_t rgb, float width);

}  // namespace scf
