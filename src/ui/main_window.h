#pragma once

namespace scf {

struct App;

// Draws the whole launcher interface for one frame.
void drawMainWindow(App& app);

// The main card's width in pixels for a window W pixels wide: 1040 points at most, 44 points
// of margin on each side.
float cardWidth(float windowWidth);

// The left edge in pixels of the column that header, card and footer share: 44 points in a
// window up to 1128 points wide, the column centred in wider ones.
float columnLeft(float windowWidth);

// The height in points of the band along the bottom edge that the footer takes.
constexpr float kFooterBand = 46.0f;

}  // namespace scf
