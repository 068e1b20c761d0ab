#pragma once

#include <string>

namespace scf {

struct VideoSettings;

// The ".png" files directly in a pack folder; safe on any thread.
int countPackTextures(const std::string& folder);

// The game's use of the pack: off only while video.ini's "texture_pack" entry is "off".
bool texturePackOn(const VideoSettings& video);

// Switches the pack on (erasing the entry) or off ("texture_pack = off"), every other key kept;
// the caller saves video.ini.
void setTexturePack(VideoSettings& video, bool on);

}  // namespace scf
