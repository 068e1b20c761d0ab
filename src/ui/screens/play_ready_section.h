#pragma once

namespace scf {

struct App;

// The Play tab's top section once the game is built: the Play button, "Ready to play" and the
// F2 hint.
void drawReadySection(App& app);

}  // namespace scf
