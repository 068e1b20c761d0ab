#pragma once

#include "imgui.h"

namespace scf {

// A rounded bar filled to fraction (clamped to [0, 1]) with a moving shimmer; size in pixels.
void progressBar(float fraction, ImVec2 size, double time);

}  // namespace scf
