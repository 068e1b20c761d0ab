#pragma once

namespace scf {

struct App;

// Draws the whole launcher interface for one frame.
void drawMainWindow(App& app);

// The main card's width in pixels for a window W pixels wide: 1040 points at most, 44 points
// of margin on each side.
float cardWidth(float windowWidth);

}  // namespace scf
