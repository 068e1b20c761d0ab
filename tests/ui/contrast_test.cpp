// Every text colour is readable on the backgrounds it is drawn on: at least 4.5:1, the contrast
// small text needs (WCAG AA), computed from the colours themselves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "imgui.h"
#include "ui/palette.h"

namespace scf {
namespace {

double channel(std::uint32_t value) {
  const double v = static_cast<double>(value & 0xFF) / 255.0;
  return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double luminance(std::uint32_t rgb) {
  return 0.2126 * channel(rgb >> 16) + 0.7152 * channel(rgb >> 8) + 0.0722 * channel(rgb);
}

double contrast(std::uint32_t a, std::uint32_t b) {
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(Contrast, EveryTextColourOnEveryBackground) {
  struct Colour {
    const char* name;
    std::uint32_t rgb;
  };
  const Colour texts[] = {{"text", colText},     {"muted", colMuted},   {"label", colLabel},
                          {"accent", colAccent}, {"violet", colViolet}, {"good", colGood},
                          {"warn", colWarn},     {"bad", colBad}};
  // The page behind the card, the card's body and its lighter top edge.
  const Colour backgrounds[] = {{"page", 0x010310}, {"card", 0x080E27}, {"card top", 0x0D163A}};
  for (const Colour& text : texts) {
    for (const Colour& background : backgrounds) {
      EXPECT_GE(contrast(text.rgb, background.rgb), 4.5) << text.name << " on " << background.name;
    }
  }
}

}  // namespace
}  // namespace scf
