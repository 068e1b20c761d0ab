#pragma once

namespace scf {

// Paints the moving background behind every window of the frame.
void drawBackground(double time, bool motion);

}  // namespace scf
