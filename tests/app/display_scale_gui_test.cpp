// The launcher lays itself out again when its display's scale changes (the window moved to
// another display, or the desktop's scale was changed): style, font size, widgets and the
// minimum window size follow, unless --ui-scale fixed the scale. The display's new scale comes
// from a test source; the change itself is SDL's own event, pushed into the queue.
#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <string>

#include "app/app.h"
#include "app/display_scale.h"
#include "app/frame_loop.h"
#include "app/window.h"
#include "imgui.h"
#include "release/tr.h"
#include "support/test_support.h"
#include "ui/layout_record.h"
#include "ui/look_and_feel.h"
#include "ui/screen_layout.h"

namespace scf {
namespace {

// What one presented frame showed: the sizes that depend on the scale.
struct Seen {
  float scale = 0;
  float fontSize = 0;
  float framePaddingX = 0;
  int minWidth = 0, minHeight = 0;
  std::map<std::string, float> heights;  // each recorded widget's height
};

struct ScaleCase {
  const char* name;
  float requested;  // --ui-scale (0: automatic)
  float reported;   // the display's new scale
  Uint32 event;     // the event that says so
  float expected;   // uiScale afterwards
};

// Xvfb's 1920 by 1080 screen: a scale of 2 is fitted to the desktop as at start,
// min(1000 / 760, 1880 / 1120).
const float kFitted = 1000.0f / 760.0f;

class DisplayScaleTest : public ::testing::TestWithParam<ScaleCase> {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no X display";
    uiFrench = false;
    std::string error;
    ASSERT_TRUE(openWindow("SCF Launcher", 1120, 760, GetParam().requested, error)) << error;
    opened_ = true;
    // The start-up scale is the one this test begins from, whatever the screen reports.
    ASSERT_EQ(uiScale, 1.0f);
    setMinimumWindowSize(static_cast<int>(980 * uiScale), static_cast<int>(700 * uiScale));
    ImGui::StyleColorsDark();
    applyLookAndFeel();
    layOutScreenApp(app, dir);
    app.screen = kScreenMain;
    app.settings.updateCheck = false;
    app.settings.motion = false;
    app.everyTurnDraws = true;
  }
  void TearDown() override {
    setDisplayScaleSource({});
    stopLayoutRecord();
    if (opened_) closeWindow();
    uiScale = 1.0f;
  }

  static Seen look() {
    Seen seen;
    seen.scale = uiScale;
    seen.fontSize = ImGui::GetStyle().FontSizeBase;
    seen.framePaddingX = ImGui::GetStyle().FramePadding.x;
    SDL_GetWindowMinimumSize(sdlWindow(), &seen.minWidth, &seen.minHeight);
    for (const LayoutRect& rect : layoutRecord())
      seen.heights.emplace(rect.what, rect.max.y - rect.min.y);
    return seen;
  }

  testing::TempFolder dir;
  App app;
  bool opened_ = false;
};

TEST_P(DisplayScaleTest, TheLayoutFollowsTheDisplayUnlessTheScaleIsFixed) {
  const ScaleCase& c = GetParam();
  Seen before, after;
  int turns = 0;
  runFrameLoop(app, [&](App& a) {
    ++turns;
    // Turn n's tick comes after the frame of turn n - 1: the record holds that one frame.
    if (turns == 3 || turns == 7) startLayoutRecord();
    if (turns == 4) {
      before = look();
      setDisplayScaleSource([&c] { return c.reported; });
      SDL_Event event{};
      event.type = c.event;
      if (c.event == SDL_EVENT_DISPLAY_CONTENT_SCALE_CHANGED) {
        event.display.displayID = SDL_GetPrimaryDisplay();
      } else {
        event.window.windowID = SDL_GetWindowID(sdlWindow());
      }
      SDL_PushEvent(&event);
    }
    if (turns == 8) {
      after = look();
      a.quitConfirmed = true;
    }
  });
  ASSERT_EQ(turns, 8);
  EXPECT_EQ(before.scale, 1.0f);
  EXPECT_EQ(before.fontSize, 20.0f);
  EXPECT_NEAR(after.scale, c.expected, 1e-5);
  EXPECT_NEAR(after.fontSize, 20.0f * c.expected, 1e-4);
  EXPECT_NEAR(after.framePaddingX, 14.0f * c.expected, 1e-4);
  EXPECT_EQ(before.minWidth, 980);
  EXPECT_EQ(before.minHeight, 700);
  EXPECT_EQ(after.minWidth, static_cast<int>(980 * c.expected));
  EXPECT_EQ(after.minHeight, static_cast<int>(700 * c.expected));
  // Every widget drawn both times, text and buttons alike, grew with the scale.
  int compared = 0;
  for (const auto& [what, height] : before.heights) {
    const auto later = after.heights.find(what);
    if (later == after.heights.end() || height < 8.0f) continue;
    ++compared;
    EXPECT_NEAR(later->second / height, c.expected, 0.12f * c.expected) << what;
  }
  EXPECT_GE(compared, 5);
}

INSTANTIATE_TEST_SUITE_P(
    Scales, DisplayScaleTest,
    ::testing::Values(ScaleCase{"WindowMovedToA125Display", 0.0f, 1.25f,
                                SDL_EVENT_WINDOW_DISPLAY_SCALE_CHANGED, 1.25f},
                      ScaleCase{"DesktopScaleChangedTo2", 0.0f, 2.0f,
                                SDL_EVENT_DISPLAY_CONTENT_SCALE_CHANGED, kFitted},
                      ScaleCase{"FixedByTheOptionItStays", 1.0f, 2.0f,
                                SDL_EVENT_WINDOW_DISPLAY_SCALE_CHANGED, 1.0f}),
    [](const ::testing::TestParamInfo<ScaleCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scf
