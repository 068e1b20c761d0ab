#pragma once

namespace scf {

struct App;

// Draws the whole launcher interface for one frame.
void drawMainWindow(App& app);

}  // namespace scf
