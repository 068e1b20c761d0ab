#pragma once

#include <functional>

namespace scf {

// The UI scale follows the display the window is on unless --ui-scale fixed it. Called by
// openWindow once the scale is chosen; the base size is the window's at scale 1.
void setScaleFollowsDisplay(bool follows, int baseWidth, int baseHeight);
bool scaleFollowsDisplay();

// After the window moved to a display of another scale, or the desktop's scale changed: when the
// scale follows the display and the new one differs, uiScale takes it, the style and fonts are
// sized again (text stays sharp: the GUI renders its fonts at any size), the minimum window size
// follows, and the window is sized for the new scale. True when the layout changed. Runs on the
// UI thread between frames.
bool followDisplayScale();

// What the window's display reports as its scale; SDL's own unless a test sets another source
// (an empty function puts SDL's back).
void setDisplayScaleSource(std::function<float()> source);

}  // namespace scf
