#pragma once

namespace scf {

struct App;

// The Settings tab's body: the game's window and the launcher's own options.
void drawSettingsTab(App& app, float contentWidth);

}  // namespace scf
