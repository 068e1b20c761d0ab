#pragma once

#include "imgui.h"

namespace scf {

// The ring around the control that has the keyboard or pad focus: 2 points of the accent colour,
// 3 points outside the control, over a wider dark outline, so it shows on every background.
// Drawn into the current window; radius is the control's corner radius.
void focusRing(ImVec2 min, ImVec2 max, float radius);

// The ring's own colours (the accent, and the outline under it).
ImU32 focusRingColour();
ImU32 focusRingOutlineColour();

// The ring around the last item when it has the focus and the focus is shown.
void focusRingOnLastItem(float radius);

}  // namespace scf
