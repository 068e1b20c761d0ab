#pragma once

#include "imgui.h"

namespace scf {

enum class StepIconKind { pending, active, done, doneBefore, failed };

// The status dot of one build stage, centred on a screen position.
void stepIcon(ImVec2 centre, StepIconKind kind, double time);

}  // namespace scf
