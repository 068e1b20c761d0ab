#pragma once

namespace scf {

// A secondary button with its description beside it (the Maintenance rows); widths in pixels.
// True when the button is clicked.
bool actionRow(const char* title, const char* description, bool enabled, float buttonWidth,
               float contentWidth);

}  // namespace scf
