#pragma once

#include <cstdint>

#include "imgui.h"

namespace scf {

// One unformatted text item in uiFont at sizePt points (wraps only inside a pushed wrap position).
void label(const char* text, float sizePt, std::uint32_t rgb, float alpha = 1.0f);

// One text item wrapped at the pushed wrap position, else at the window's content edge.
void paragraph(const char* text, float sizePt, std::uint32_t rgb, float alpha = 1.0f);

// Draws text at a screen position with extra letter spacing, reserving no layout space; returns
// the width drawn in pixels.
float spacedText(ImVec2 pos, const char* text, float pixelSize, ImU32 colour, float spacingPt);

// The size in pixels of what spacedText draws at sizePt points.
ImVec2 measureSpaced(const char* text, float sizePt, float spacingPt);

// Display text with an optional bluish glow and a faux-bold; reserves no layout space.
float glowText(ImVec2 pos, const char* text, float sizePt, std::uint32_t rgb, float spacingPt,
               bool bold, float glow);

// A section heading at the layout cursor; reserves its size.
void heading(const char* text, std::uint32_t rgb);

}  // namespace scf
