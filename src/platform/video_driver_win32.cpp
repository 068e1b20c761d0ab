#include "platform/video_driver.h"

namespace scf {

// Windows has one video driver.
std::string videoDriverChoice() {
  return {};
}

}  // namespace scf
