// Which video drivers SDL is told to try: its own choice, unless no Wayland compositor can be
// reached on Linux (then X11 alone, and SDL never probes Wayland).
#include "platform/video_driver.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace scf {
namespace {

struct DriverCase {
  const char* name;
  const char* sdlVideoDriver;
  const char* waylandDisplay;
  const char* runtimeDir;
  const char* linux;  // the choice on Linux; Windows always leaves it to SDL
};

class VideoDriverTest : public ::testing::TestWithParam<DriverCase> {};

TEST_P(VideoDriverTest, Choice) {
  const DriverCase& c = GetParam();
  testing::EnvGuard env{"SDL_VIDEO_DRIVER", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR"};
  testing::setOrUnset({{"SDL_VIDEO_DRIVER", c.sdlVideoDriver},
                       {"WAYLAND_DISPLAY", c.waylandDisplay},
                       {"XDG_RUNTIME_DIR", c.runtimeDir}});
#ifdef _WIN32
  EXPECT_EQ(videoDriverChoice(), "");
#else
  EXPECT_EQ(videoDriverChoice(), c.linux);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, VideoDriverTest,
    ::testing::Values(DriverCase{"NoSessionAtAll", nullptr, nullptr, nullptr, "x11"},
                      DriverCase{"X11Session", nullptr, nullptr, "/run/user/1000", ""},
                      DriverCase{"WaylandSession", nullptr, "wayland-0", "/run/user/1000", ""},
                      DriverCase{"SocketNameWithoutRuntimeFolder", nullptr, "wayland-0", nullptr,
                                 "x11"},
                      DriverCase{"SocketPath", nullptr, "/tmp/w/wayland-1", nullptr, ""},
                      DriverCase{"ForcedByTheUser", "wayland", nullptr, nullptr, ""},
                      DriverCase{"ForcedX11", "x11", "wayland-0", "/run/user/1000", ""}),
    [](const ::testing::TestParamInfo<DriverCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scf
