#include "window_plan.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/env.h"
#include "release/video_settings.h"

namespace scf_demo {

namespace {

// The same acceptance rules as video.ini's keys: a size of at least 160x120, a known mode,
// any non-empty render scale, a GS scale clamped to 1..4.
void applyOverrides(WindowPlan& plan) {
  const std::string size = scf::getEnv("ZA2D_WINDOW_SIZE");
  int w = 0;
  int h = 0;
  if (std::sscanf(size.c_str(), "%dx%d", &w, &h) == 2 && w > 159 && h > 119) {
    plan.width = w;
    plan.height = h;
  }
  const std::string mode = scf::getEnv("ZA2D_WINDOW_MODE");
  if (mode == "windowed" || mode == "fullscreen" || mode == "borderless") plan.mode = mode;
  if (std::string scale = scf::getEnv("ZA2D_RENDER_SCALE"); !scale.empty()) {
    plan.renderScale = scale;
  }
  if (std::string gs = scf::getEnv("ZA2D_GS_SCALE"); !gs.empty()) {
    plan.gsScale = std::clamp(std::atoi(gs.c_str()), 1, 4);
  }
}

}  // namespace

WindowPlan planWindow(const std::string& videoIni) {
  scf::VideoSettings video;
  video.load(videoIni);
  WindowPlan plan;
  if (video.width > 0 && video.height > 0) {
    plan.width = video.width;
    plan.height = video.height;
  }
  plan.mode = video.mode;
  plan.renderScale = video.renderScale;
  plan.gsScale = video.gsScale;
  applyOverrides(plan);
  return plan;
}

}  // namespace scf_demo
