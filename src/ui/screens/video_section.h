#pragma once

namespace scf {

struct App;

// The Settings tab's left column: the window mode and size the game starts with, saved to
// video.ini in the frame they change. The size list is made for a monitor of the given size.
void drawVideoSection(App& app, int monitorWidth, int monitorHeight);

// Writes video.ini from the App's video settings. An unset size goes to the file as the game's
// default 640x448, so the game and the file agree, while the in-memory size stays unset and the
// size list keeps showing the default entry.
void saveVideoSettings(App& app);

}  // namespace scf
