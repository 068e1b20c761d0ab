#pragma once

namespace scf {

struct App;

// Starts making (remove false) or removing the texture pack when the task table lets it.
void startEnhance(App& app, bool remove);

// Switches the game's use of the pack on or off and saves video.ini.
void setTexturePackOn(App& app, bool on);

}  // namespace scf
