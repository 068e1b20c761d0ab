#pragma once

#include <string>

namespace scf {

// The folder the launcher and the game share for settings, saves, logs and crash reports:
// ZA2D_USER_DIR; else APPDATA/ZER_Avudud; else $XDG_DATA_HOME/ZER_Avudud (~/.local/share by
// default); else the executable's folder + "user" when no home is known. Created when missing,
// returned absolute and normalised.
std::string userFolder();

// The rule above without touching the disk: the folder as the environment names it.
std::string userFolderFromEnvironment();

}  // namespace scf
