#include "platform/env.h"
#include "platform/video_driver.h"

namespace scf {

std::string videoDriverChoice() {
  if (!getEnv("SDL_VIDEO_DRIVER").empty()) return {};
  const std::string socket = getEnv("WAYLAND_DISPLAY");
  if (!socket.empty() && socket.front() == '/') return {};
  return getEnv("XDG_RUNTIME_DIR").empty() ? "x11" : std::string();
}

}  // namespace scf
