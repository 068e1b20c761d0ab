// A console-like session (the Steam Deck's gaming mode) is told from the environment it gives.
#include "platform/gaming_mode.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace scf {
namespace {

TEST(GamingMode, ToldFromTheSessionsEnvironment) {
  struct Case {
    const char* desktop;
    const char* gamescopeDisplay;
    const char* steamDeck;
    bool gaming;
  };
  const Case cases[] = {
      {"", "", "", false},
      {"gamescope", "", "", true},
      {"GAMESCOPE", "", "", true},
      {"KDE:gamescope", "", "", true},
      {"", "gamescope-0", "", true},
      {"KDE", "gamescope-0", "", true},
      {"", "", "1", true},
      // The Deck's desktop mode names its desktop and sets SteamDeck too: a window there.
      {"KDE", "", "1", false},
      {"GNOME", "", "", false},
      {"gamescopes", "", "0", false},
      {"", "", "0", false},
  };
  testing::EnvGuard env;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.desktop) + " | " + c.gamescopeDisplay + " | " + c.steamDeck);
    env.set("XDG_CURRENT_DESKTOP", c.desktop);
    env.set("GAMESCOPE_WAYLAND_DISPLAY", c.gamescopeDisplay);
    env.set("SteamDeck", c.steamDeck);
    EXPECT_EQ(gamingModeSession(), c.gaming);
  }
}

}  // namespace
}  // namespace scf
