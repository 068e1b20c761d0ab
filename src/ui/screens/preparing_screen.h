#pragma once

namespace scf {

struct App;

// The Play tab while the game is being prepared: stages, progress and the stop button.
void drawPreparingScreen(App& app, float contentWidth);

// The same at a given time on the monotonic clock (the elapsed time and the estimate use it).
void drawPreparingScreenAt(App& app, float contentWidth, double now);

}  // namespace scf
