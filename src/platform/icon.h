#pragma once

#include <cstdint>
#include <vector>

struct SDL_Window;

namespace scf {

// The launcher's icon, drawn in code so the executable carries it without an image file:
// size × size RGBA pixels, top row first. A dark rounded tile with three light columns rising
// from its bottom edge, like the launcher's background.
std::vector<std::uint8_t> windowIconPixels(int size);

// Gives the window its icon; a failure leaves the desktop's default icon.
void setWindowIcon(SDL_Window* window);

}  // namespace scf
