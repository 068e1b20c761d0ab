// The demo game's window: video.ini's values with the ZA2D_WINDOW_* overrides.

#include "window_plan.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "support/test_support.h"

namespace {

const char* const kOverrides[] = {"ZA2D_WINDOW_SIZE", "ZA2D_WINDOW_MODE", "ZA2D_RENDER_SCALE",
                                  "ZA2D_GS_SCALE"};

struct Case {
  const char* name;
  const char* videoIni;  // nullptr: no file
  const char* env[4];    // values of kOverrides; nullptr leaves the variable unset
  int width;
  int height;
  const char* mode;
  const char* renderScale;
  int gsScale;
};

const Case kCases[] = {
    {"no file", nullptr, {}, 640, 448, "windowed", "1", 1},
    {"file",
     "size = 1280x720\nmode = borderless\nrender_scale = 2\ngs_scale = 3\n",
     {},
     1280,
     720,
     "borderless",
     "2",
     3},
    {"unset size", "size = 0x0\nmode = fullscreen\n", {}, 640, 448, "fullscreen", "1", 1},
    {"too small", "size = 159x600\n", {}, 640, 448, "windowed", "1", 1},
    {"overrides",
     "size = 1280x720\nmode = borderless\n",
     {"800x600", "windowed", "0.5", "9"},
     800,
     600,
     "windowed",
     "0.5",
     4},
    {"bad overrides",
     "size = 1280x720\nmode = borderless\n",
     {"100x100", "Fullscreen", "", "0"},
     1280,
     720,
     "borderless",
     "1",
     1},
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

class WindowPlanTest : public ::testing::TestWithParam<Case> {
 protected:
  scf::testing::TempFolder dir;
  scf::testing::EnvGuard env{
      {"ZA2D_WINDOW_SIZE", "ZA2D_WINDOW_MODE", "ZA2D_RENDER_SCALE", "ZA2D_GS_SCALE"}};
};

TEST_P(WindowPlanTest, ReadsTheFileThenTheOverrides) {
  const Case& c = GetParam();
  const std::string ini = dir / "video.ini";
  if (c.videoIni) scf::testing::writeFile(ini, std::string("[video]\n") + c.videoIni);
  for (int i = 0; i < 4; ++i)
    env.set(kOverrides[i], c.env[i] ? c.env[i] : "");
  const scf_demo::WindowPlan plan = scf_demo::planWindow(ini);
  EXPECT_EQ(plan.width, c.width);
  EXPECT_EQ(plan.height, c.height);
  EXPECT_EQ(plan.mode, c.mode);
  EXPECT_EQ(plan.renderScale, c.renderScale);
  EXPECT_EQ(plan.gsScale, c.gsScale);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowPlanTest, ::testing::ValuesIn(kCases), [](const auto& info) {
  std::string name = info.param.name;
  for (char& ch : name) {
    if (ch == ' ') ch = '_';
  }
  return name;
});

}  // namespace
