#pragma once

#include <initializer_list>

namespace scf {

// One pad button and what it does here ("A", "Select").
struct PadHint {
  char button;
  const char* text;
};

// Draws the hints on one line at the cursor: each button as a coloured circle holding its
// letter (drawn, so no picture and no special glyph is needed), then its text. The line takes
// the layout space of an item of that size.
void padHints(std::initializer_list<PadHint> hints, float fontPt);

// The colour of a button's circle: the usual pad colours, A green, B red, X blue, Y yellow.
unsigned padButtonColour(char button);

}  // namespace scf
