#pragma once

#include <string>

namespace scf_demo {

// The window the game opens: video.ini's values with the ZA2D_WINDOW_* overrides applied.
struct WindowPlan {
  int width = 640;  // an unset size opens at the PS2's own 640x448
  int height = 448;
  std::string mode = "windowed";  // "windowed", "fullscreen" or "borderless"
  std::string renderScale = "1";
  int gsScale = 1;
};

// Reads videoIni, then ZA2D_WINDOW_SIZE, ZA2D_WINDOW_MODE, ZA2D_RENDER_SCALE, ZA2D_GS_SCALE.
WindowPlan planWindow(const std::string& videoIni);

}  // namespace scf_demo
