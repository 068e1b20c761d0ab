#pragma once

// The stand-in game (helpers/stand_in_game.cpp) put in place of a built game: a copy of the
// program at the game's path and its commands in "stand-in.txt" beside it.

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/utf8_path.h"
#include "support/test_support.h"

namespace scf::testing {

// The stand-in game's exit code when it could not open the window that receives close requests
// on Windows (wine without a display).
constexpr int kStandInNoWindow = 96;
inline const char* const kNoWindowHere =
    "no display: the stand-in game's window, which receives the close request on Windows, could "
    "not open (run under xvfb-run)";

// Replaces the program at exe with the stand-in game that runs these commands (tab-separated
// fields, see the helper); false when it could not be copied.
inline bool standInGame(const std::string& exe, const std::vector<std::string>& commands) {
  std::error_code error;
  const std::filesystem::path target = utf8Path(exe);
  std::filesystem::create_directories(target.parent_path(), error);
  std::filesystem::copy_file(utf8Path(SCF_STAND_IN_GAME), target,
                             std::filesystem::copy_options::overwrite_existing, error);
  if (error) return false;
  std::string script;
  for (const std::string& command : commands)
    script += command + "\n";
  writeFile(utf8String(target.parent_path() / "stand-in.txt"), script);
  return true;
}

}  // namespace scf::testing
