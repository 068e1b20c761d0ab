#include "app/window_size.h"

#include <algorithm>

namespace scf {

WindowPlan planWindow(int baseWidth, int baseHeight, float requestedScale, float contentScale,
                      bool haveMode, int modeWidth, int modeHeight) {
  WindowPlan plan;
  float s = requestedScale > 0.0f ? requestedScale : contentScale;
  const int availWidth = modeWidth - 40;
  const int availHeight = modeHeight - 80;
  if (s > 0.0f) {
    s = std::clamp(s, 1.0f, 3.0f);
    if (haveMode && s > 1.0f) {
      const float fit = std::min(static_cast<float>(availHeight) / static_cast<float>(baseHeight),
                                 static_cast<float>(availWidth) / static_cast<float>(baseWidth));
      if (fit > 0.5f && s > fit) s = fit > 1.0f ? fit : 1.0f;
    }
    plan.width = static_cast<int>(static_cast<float>(baseWidth) * s);
    plan.height = static_cast<int>(static_cast<float>(baseHeight) * s);
    if (haveMode) {
      plan.width = std::min(plan.width, availWidth);
      plan.height = std::min(plan.height, availHeight);
    }
  } else {
    s = 1.0f;
    plan.width = haveMode ? std::min(baseWidth, availWidth) : baseWidth;
    plan.height = haveMode ? std::min(baseHeight, availHeight) : baseHeight;
  }
  plan.scale = s;
  return plan;
}

WindowPlan clampMinimumSize(const WindowPlan& plan, int wishedWidth, int wishedHeight) {
  WindowPlan minimum = plan;
  minimum.width = std::min(wishedWidth, plan.width);
  minimum.height = std::min(wishedHeight, plan.height);
  return minimum;
}

WindowOrigin centredOrigin(int areaX, int areaY, int areaWidth, int areaHeight, int width,
                           int height) {
  return {areaX + std::max(0, (areaWidth - width) / 2),
          areaY + std::max(0, (areaHeight - height) / 2)};
}

}  // namespace scf
