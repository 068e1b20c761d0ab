#pragma once

namespace scf {

struct App;

// The Play tab while the game is being prepared: stages, progress and the stop button.
void drawPreparingScreen(App& app, float contentWidth);

}  // namespace scf
