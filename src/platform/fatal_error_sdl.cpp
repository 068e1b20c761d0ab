#include <SDL3/SDL.h>

#include <algorithm>
#include <cstdio>

#include "platform/fatal_error.h"

namespace scf {

void showFatalError(const std::string& message) {
  // The box cannot appear without a display, so the text always goes to standard error too, as
  // one line.
  std::string line = message;
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "SCF Launcher", message.c_str(), nullptr);
}

}  // namespace scf
