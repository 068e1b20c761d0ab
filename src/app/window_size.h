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

// The minimum size actually set: the wished one, but never above the planned size on either axis,
// so that setting it cannot grow a window fitted to a small desktop past the screen's edge.
WindowPlan clampMinimumSize(const WindowPlan& plan, int wishedWidth, int wishedHeight);

struct WindowOrigin {
  int x = 0;
  int y = 0;
};

// The top-left corner that centres a window of the given size on the usable area of a display
// (its origin and size); a window larger than the area keeps its top-left corner inside it.
WindowOrigin centredOrigin(int areaX, int areaY, int areaWidth, int areaHeight, int width,
                           int height);

}  // namespace scf
