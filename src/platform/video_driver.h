#pragma once

#include <string>

namespace scf {

// The video drivers SDL is to try, as its SDL_VIDEO_DRIVER hint takes them, or empty to let SDL
// choose. On Linux: X11 alone when no Wayland compositor can be reached (WAYLAND_DISPLAY is not a
// socket path and XDG_RUNTIME_DIR is unset), so that SDL does not probe one and the Wayland
// library print its complaint beside the launcher's own error. A SDL_VIDEO_DRIVER set by the user
// always wins over this choice.
std::string videoDriverChoice();

}  // namespace scf
