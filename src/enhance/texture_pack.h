#pragma once

#include <string>

namespace scf {

struct App;

// Counts the ".png" files directly in the pack folder into textureCount; a missing folder or a
// listing error ends the count with what was counted so far.
void countEnhancedTextures(App& app);
// The same count for a pack folder; safe on any thread.
int countPackTextures(const std::string& folder);

// The game's use of the pack: off only while video.ini's "texture_pack" entry is "off".
bool texturePackOn(const App& app);

// Switches the pack on (erasing the entry) or off ("texture_pack = off") and saves video.ini,
// every other key kept.
void setTexturePackOn(App& app, bool on);

}  // namespace scf
