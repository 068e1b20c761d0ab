// Reads back the text a draw list holds: each glyph quad is matched by its atlas coordinates to
// the glyph baked there, so a test sees exactly what a person would read on screen.
#pragma once

#include <string>
#include <vector>

#include "imgui.h"

namespace scf {

// One line of glyphs drawn in one go, with the screen box they cover and their colour.
struct DrawnRun {
  std::string text;
  ImVec2 min;
  ImVec2 max;
  ImU32 colour = 0;
};

// The runs of the draw list in drawing order. A run ends where the next glyph goes back, to
// another line or changes colour; a gap wider than a fifth of the font size reads as a space.
std::vector<DrawnRun> drawnRuns(const ImDrawList* drawList);

// Every run's text, one per line.
std::string drawnText(const ImDrawList* drawList);

// The first run whose text contains the given text; nullptr when none does.
const DrawnRun* findRun(const std::vector<DrawnRun>& runs, const std::string& text);

}  // namespace scf
