#include <algorithm>
#include <cmath>

#include "platform/icon.h"

namespace scf {
namespace {

struct Colour {
  float r, g, b, a;
};

// Inside test for a rectangle with rounded corners, in unit coordinates.
bool insideRounded(float x, float y, float x0, float y0, float x1, float y1, float radius) {
  if (x < x0 || x > x1 || y < y0 || y > y1) return false;
  const float cx = std::clamp(x, x0 + radius, x1 - radius);
  const float cy = std::clamp(y, y0 + radius, y1 - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

Colour over(Colour top, Colour bottom) {
  const float a = top.a + bottom.a * (1.0f - top.a);
  if (a <= 0.0f) return {0, 0, 0, 0};
  auto mix = [&](float t, float b) { return (t * top.a + b * bottom.a * (1.0f - top.a)) / a; };
  return {mix(top.r, bottom.r), mix(top.g, bottom.g), mix(top.b, bottom.b), a};
}

// The colour at a point of the unit square.
Colour sample(float x, float y) {
  if (!insideRounded(x, y, 0.03f, 0.03f, 0.97f, 0.97f, 0.22f)) return {0, 0, 0, 0};
  // Navy tile, lighter towards the bottom middle.
  const float glow = std::max(0.0f, 1.0f - std::hypot((x - 0.5f) / 0.7f, (y - 1.0f) / 0.8f));
  Colour colour{(5.0f + 25.0f * glow) / 255.0f, (11.0f + 50.0f * glow) / 255.0f,
                (38.0f + 110.0f * glow) / 255.0f, 1.0f};
  struct Column {
    float centre, width, top;
    Colour light;
  };
  const Column columns[] = {
      {0.30f, 0.12f, 0.46f, {126 / 255.0f, 166 / 255.0f, 255 / 255.0f, 1}},
      {0.50f, 0.14f, 0.22f, {232 / 255.0f, 239 / 255.0f, 255 / 255.0f, 1}},
      {0.70f, 0.12f, 0.38f, {183 / 255.0f, 155 / 255.0f, 255 / 255.0f, 1}},
  };
  for (const Column& column : columns) {
    const float left = column.centre - column.width / 2.0f;
    if (x < left || x > left + column.width || y < column.top) continue;
    // Bright at the top, fading into the tile towards the bottom.
    const float fade = 1.0f - 0.75f * (y - column.top) / (1.0f - column.top);
    Colour light = column.light;
    light.a = fade;
    colour = over(light, colour);
  }
  return colour;
}

}  // namespace

std::vector<std::uint8_t> windowIconPixels(int size) {
  if (size <= 0) return {};
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 4);
  constexpr int kSamples = 4;  // per axis, for smooth edges
  for (int py = 0; py < size; ++py) {
    for (int px = 0; px < size; ++px) {
      float r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const Colour c =
              sample((px + (sx + 0.5f) / kSamples) / size, (py + (sy + 0.5f) / kSamples) / size);
          r += c.r * c.a;
          g += c.g * c.a;
          b += c.b * c.a;
          a += c.a;
        }
      }
      std::uint8_t* out = &pixels[(static_cast<std::size_t>(py) * size + px) * 4];
      const float coverage = a / (kSamples * kSamples);
      auto byte = [](float v) {
        return static_cast<std::uint8_t>(std::clamp(v * 255.0f + 0.5f, 0.0f, 255.0f));
      };
      out[0] = a > 0 ? byte(r / a) : 0;
      out[1] = a > 0 ? byte(g / a) : 0;
      out[2] = a > 0 ? byte(b / a) : 0;
      out[3] = byte(coverage);
    }
  }
  return pixels;
}

}  // namespace scf
