#pragma once

namespace scf {

struct App;

// "##quit": asks whether to stop the running build and quit; opened by App::quitAsked.
void drawQuitDialog(App& app);

}  // namespace scf
