#pragma once

namespace scf {

struct App;

// The Settings tab's launcher options: language, background motion and the update check at
// start. Every click is saved to launcher.ini at once.
void drawLauncherSwitches(App& app);

}  // namespace scf
