#include <SDL3/SDL.h>

#include "platform/icon.h"

namespace scf {

void setWindowIcon(SDL_Window* window) {
  if (window == nullptr) return;
  constexpr int kSize = 64;
  std::vector<std::uint8_t> pixels = windowIconPixels(kSize);
  SDL_Surface* surface =
      SDL_CreateSurfaceFrom(kSize, kSize, SDL_PIXELFORMAT_RGBA32, pixels.data(), kSize * 4);
  if (surface == nullptr) return;
  SDL_SetWindowIcon(window, surface);
  SDL_DestroySurface(surface);
}

}  // namespace scf
