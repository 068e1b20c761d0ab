#include "app/window_size.h"

#include <gtest/gtest.h>

namespace scf {
namespace {

struct PlanCase {
  const char* name;
  float requested;
  float content;
  bool haveMode;
  int modeW, modeH;
  float scale;
  int width, height;
};

const PlanCase kCases[] = {
    // Fitted to a 4K desktop: min(2080/760, 3800/1120) in single precision.
    {"LargeRequestFitsDesktop", 5.0f, 0.0f, true, 3840, 2160, 2080.0f / 760.0f, 3065, 2080},
    {"SmallRequestIsOne", 0.5f, 0.0f, true, 1920, 1080, 1.0f, 1120, 760},
    {"SmallRequestClampedToSmallDesktop", 0.5f, 0.0f, true, 1024, 768, 1.0f, 984, 688},
    {"ContentScaleOnSmallDesktopFallsToOne", 0.0f, 1.5f, true, 1280, 720, 1.0f, 1120, 640},
    {"ContentScaleTaken", 0.0f, 1.25f, true, 2560, 1440, 1.25f, 1400, 950},
    {"RequestWinsOverContentScale", 2.0f, 1.0f, true, 3840, 2160, 2.0f, 2240, 1520},
    {"NoModeUsesScaleAsIs", 2.0f, 0.0f, false, 0, 0, 2.0f, 2240, 1520},
    {"NoModeClampsScaleToThree", 7.0f, 0.0f, false, 0, 0, 3.0f, 3360, 2280},
    {"NoContentScaleNoMode", 0.0f, 0.0f, false, 0, 0, 1.0f, 1120, 760},
    {"NoContentScaleWithMode", 0.0f, 0.0f, true, 1100, 700, 1.0f, 1060, 620},
};

void PrintTo(const PlanCase& c, std::ostream* os) {
  *os << c.name;
}

class WindowPlanTest : public testing::TestWithParam<PlanCase> {};

TEST_P(WindowPlanTest, ScaleAndSize) {
  const PlanCase& c = GetParam();
  const WindowPlan plan =
      planWindow(1120, 760, c.requested, c.content, c.haveMode, c.modeW, c.modeH);
  EXPECT_FLOAT_EQ(plan.scale, c.scale);
  EXPECT_EQ(plan.width, c.width);
  EXPECT_EQ(plan.height, c.height);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowPlanTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PlanCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace scf
