#pragma once

namespace scf {

// True inside a console-like session that shows one full-screen program at a time: the Steam
// Deck's gaming mode (gamescope). Read from the environment the session gives its programs:
// XDG_CURRENT_DESKTOP naming gamescope, GAMESCOPE_WAYLAND_DISPLAY set, or SteamDeck=1 with no
// desktop named at all (the Deck's desktop mode names its desktop, and sets SteamDeck too).
bool gamingModeSession();

}  // namespace scf
