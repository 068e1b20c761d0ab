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

// The minimum size of 980 by 700 (times the scale) on the plans of small and large desktops.
struct MinimumCase {
  const char* name;
  int modeW, modeH;
  float requested;
  int minWidth, minHeight;
};

const MinimumCase kMinimumCases[] = {
    {"Desktop1280x720", 1280, 720, 0.0f, 980, 640},
    {"Desktop1366x768", 1366, 768, 0.0f, 980, 688},
    {"Desktop1024x768", 1024, 768, 0.0f, 980, 688},
    {"Desktop800x600", 800, 600, 0.0f, 760, 520},
    {"Desktop1920x1080", 1920, 1080, 0.0f, 980, 700},
    {"Desktop1920x1080Scale2", 1920, 1080, 2.0f, 1289, 921},
    {"Desktop3840x2160Scale2", 3840, 2160, 2.0f, 1960, 1400},
};

void PrintTo(const MinimumCase& c, std::ostream* os) {
  *os << c.name;
}

class MinimumSizeTest : public testing::TestWithParam<MinimumCase> {};

TEST_P(MinimumSizeTest, NeverAboveThePlannedSize) {
  const MinimumCase& c = GetParam();
  const WindowPlan plan = planWindow(1120, 760, c.requested, 1.0f, true, c.modeW, c.modeH);
  const WindowPlan minimum = clampMinimumSize(plan, static_cast<int>(980 * plan.scale),
                                              static_cast<int>(700 * plan.scale));
  EXPECT_EQ(minimum.width, c.minWidth);
  EXPECT_EQ(minimum.height, c.minHeight);
  EXPECT_LE(minimum.width, plan.width);
  EXPECT_LE(minimum.height, plan.height);
}

INSTANTIATE_TEST_SUITE_P(Cases, MinimumSizeTest, testing::ValuesIn(kMinimumCases),
                         [](const testing::TestParamInfo<MinimumCase>& info) {
                           return std::string(info.param.name);
                         });

struct OriginCase {
  const char* name;
  int areaX, areaY, areaW, areaH;
  int width, height;
  int x, y;
};

const OriginCase kOriginCases[] = {
    {"Centred", 0, 0, 1280, 720, 1120, 640, 80, 40},
    {"BelowATopPanel", 0, 32, 1366, 736, 1120, 688, 123, 56},
    {"SecondDisplay", 1920, 0, 1280, 1024, 1120, 760, 2000, 132},
    {"LargerThanTheArea", 0, 40, 1000, 600, 1120, 760, 0, 40},
};

void PrintTo(const OriginCase& c, std::ostream* os) {
  *os << c.name;
}

class CentredOriginTest : public testing::TestWithParam<OriginCase> {};

TEST_P(CentredOriginTest, TopLeftCorner) {
  const OriginCase& c = GetParam();
  const WindowOrigin origin = centredOrigin(c.areaX, c.areaY, c.areaW, c.areaH, c.width, c.height);
  EXPECT_EQ(origin.x, c.x);
  EXPECT_EQ(origin.y, c.y);
}

INSTANTIATE_TEST_SUITE_P(Cases, CentredOriginTest, testing::ValuesIn(kOriginCases),
                         [](const testing::TestParamInfo<OriginCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace scf
