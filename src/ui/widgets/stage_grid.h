#pragma once

#include <string>

#include "prepare/build_progress.h"
#include "ui/widgets/step_icon.h"

namespace scf {

// The mark a stage's state is drawn with.
StepIconKind stageIconKind(int state);

// What a stage's row shows at its right edge: a running stage's percent, a done stage's time,
// "done before" for a skipped one; empty otherwise.
std::string stageRightText(const Stage& stage);

// The stages in two columns (the first five on the left) from the cursor's screen position;
// reserves no layout space.
void drawStageGrid(const BuildProgress& progress, float contentWidth, double animTime);

}  // namespace scf
