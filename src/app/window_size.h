#pragma once

namespace scf {

// What the window opens with: the UI scale and the client size in pixels.
struct WindowPlan {
  float scale = 1.0f;
  int width = 0;
  int height = 0;
};

// Chooses the UI scale and window size from the requested scale (0 or less: automatic), the
// primary display's content scale and its desktop mode (haveMode false when none is known).
// A large scale is fitted to the desktop so the window stays on screen.
WindowPlan planWindow(int baseWidth, int baseHeight, float requestedScale, float contentScale,
                      bool haveMode, int modeWidth, int modeHeight);

}  // namespace scf
