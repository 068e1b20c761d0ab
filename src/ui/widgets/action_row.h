#pragma once

namespace scf {

// A secondary button with its description beside it (the Maintenance rows); widths in pixels.
// True when the button is clicked.
// A disabled button with a reason shows it on hover or focus.
bool actionRow(const char* title, const char* description, bool enabled, float buttonWidth,
               float contentWidth, const char* disabledReason = nullptr);

}  // namespace scf
