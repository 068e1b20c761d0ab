#include "ui/screens/resolution_choices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scf {
namespace {

std::string listed(const std::vector<Resolution>& sizes) {
  std::string text;
  for (const Resolution& size : sizes) {
    if (!text.empty()) text += ", ";
    text += std::to_string(size.first) + "x" + std::to_string(size.second);
  }
  return text;
}

const char* const kEverySize =
    "640x480, 800x600, 1024x768, 1280x720, 1280x960, 1366x768, 1440x1080, 1600x900, "
    "1600x1200, 1920x1080, 1920x1440, 2560x1440, 2880x2160, 3200x1800, 3840x2160";

TEST(ResolutionChoices, SizesThatFitTheMonitorPlusItsOwn) {
  struct Case {
    int width;
    int height;
    const char* expected;
  };
  const Case cases[] = {
      {1920, 1080,
       "640x480, 800x600, 1024x768, 1280x720, 1280x960, 1366x768, 1440x1080, 1600x900, "
       "1920x1080"},
      {1366, 768, "640x480, 800x600, 1024x768, 1280x720, 1366x768"},
      {3840, 2160, kEverySize},
      // A size that is no common one is offered in its sorted place.
      {1680, 1050, "640x480, 800x600, 1024x768, 1280x720, 1280x960, 1366x768, 1600x900, 1680x1050"},
      {800, 600, "640x480, 800x600"},
      {600, 400, "600x400"},
      // No monitor known: every common size.
      {0, 0, kEverySize},
      {-1, 1080, kEverySize},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(listed(resolutionChoices(c.width, c.height)), c.expected)
        << c.width << "x" << c.height;
  }
}

}  // namespace
}  // namespace scf
