#pragma once

#include "imgui.h"

namespace scf {

// A turning arc that shows work in progress, centred on a screen position.
void spinner(ImVec2 centre, float radiusPt, double time);

}  // namespace scf
