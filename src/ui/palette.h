#pragma once

#include <cstdint>

#include "imgui.h"

namespace scf {

// The launcher's colours as 0xRRGGBB; alpha is given separately where they are used.
inline constexpr std::uint32_t colText = 0xE8EFFF;
inline constexpr std::uint32_t colMuted = 0x9AACCF;
inline constexpr std::uint32_t colLabel = 0x7081A6;
inline constexpr std::uint32_t colAccent = 0x7EA6FF;
inline constexpr std::uint32_t colViolet = 0xB79BFF;
inline constexpr std::uint32_t colGood = 0x4FE0A3;
inline constexpr std::uint32_t colWarn = 0xFFC35C;
inline constexpr std::uint32_t colBad = 0xFF6B7A;
inline constexpr std::uint32_t colNavy = 0x1E3278;

// Packs 0xRRGGBB with an alpha fraction (clamped to [0, 1], truncated to a byte).
ImU32 withAlpha(std::uint32_t rgb, float alpha);

// Packs 0xRRGGBB with an alpha byte.
inline ImU32 withAlphaByte(std::uint32_t rgb, int alpha) {
  const int a = alpha < 0 ? 0 : (alpha > 255 ? 255 : alpha);
  return IM_COL32((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, a);
}

}  // namespace scf
