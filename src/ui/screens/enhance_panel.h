#pragma once

namespace scf {

struct App;

// The enhanced-textures panel of the Settings tab, width pixels wide: make, stop, remove and
// switch the pack, with the run's stage, progress and result.
void drawEnhancePanel(App& app, float width);

}  // namespace scf
