// Screenshots of the screens whose layout changes with the window's size: the Settings tab at
// the smallest window in French (its body scrolls, with the hint at the bottom) and after End,
// and the page centred in a wide window. Kept in the build folder's artifacts/ui/.
#include <SDL3/SDL.h>

#include "ui/palette.h"
#include "window_screens.h"

namespace scf {
namespace {

class LayoutScreens : public WindowScreens {
 protected:
  // The window at this size in points; false when the X server would not give it.
  bool resize(int width, int height) {
    SDL_Window* window = sdlWindow();
    SDL_SetWindowMinimumSize(window, 1, 1);
    SDL_SetWindowSize(window, static_cast<int>(width * uiScale),
                      static_cast<int>(height * uiScale));
    SDL_SyncWindow(window);
    pollEvents();
    return windowPixelWidth() == static_cast<int>(width * uiScale) &&
           windowPixelHeight() == static_cast<int>(height * uiScale);
  }
};

TEST_F(LayoutScreens, SmallestWindowScrollsTheFrenchSettingsAndWideWindowsCentreThePage) {
  buildGame();
  app.screen = kScreenMain;
  app.currentTab = kTabSettings;
  app.identity.changelogText = "- one\n";
  if (!resize(980, 700)) GTEST_SKIP() << "the X server kept the window's size";
  uiFrench = true;
  shoot("layout-settings-fr-980x700", colMuted);
  uiFrench = false;
  shoot("layout-settings-en-980x700", colMuted);
  if (!resize(1900, 1040)) GTEST_SKIP() << "the X server kept the window's size";
  shoot("layout-settings-en-1900x1040", colText);
  app.currentTab = kTabMaintenance;
  shoot("layout-maintenance-en-1900x1040", colText);
}

}  // namespace
}  // namespace scf
