#include <SDL3/SDL.h>

#include "platform/fatal_error.h"

namespace scf {

void showFatalError(const std::string& message) {
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "SCF Launcher", message.c_str(), nullptr);
}

}  // namespace scf
