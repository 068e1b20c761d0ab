#include "harness/log_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace scf {
namespace {

struct LineCase {
  const char* name;
  double elapsed;
  const char* format;
  const char* a;
  const char* b;
  const char* expected;
};

void PrintTo(const LineCase& c, std::ostream* os) {
  *os << c.name;
}

class LogLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LogLineTest, Formats) {
  const LineCase& c = GetParam();
  EXPECT_EQ(logLineText(c.elapsed, c.format, c.a, c.b), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LogLineTest,
    ::testing::Values(
        // The elapsed seconds: right-aligned in eight characters, one decimal, in brackets.
        LineCase{"Zero", 0.0, "selftest done", "", "", "[     0.0] selftest done"},
        LineCase{"RoundsToOneDecimal", 12.345, "x", "", "", "[    12.3] x"},
        LineCase{"RoundsUp", 0.06, "x", "", "", "[     0.1] x"},
        LineCase{"FillsEight", 123456.78, "x", "", "", "[123456.8] x"},
        LineCase{"WiderThanEight", 1234567.0, "x", "", "", "[1234567.0] x"},
        // Placeholders take a, then b; a format may use fewer than two.
        LineCase{"TwoStrings", 1.0, "release %s, user folder %s", "/r", "/u",
                 "[     1.0] release /r, user folder /u"},
        LineCase{"OneOfTwo", 1.0, "screenshot %s", "01-welcome", "ignored",
                 "[     1.0] screenshot 01-welcome"},
        LineCase{"NoneOfTwo", 1.0, "build started", "a", "b", "[     1.0] build started"},
        LineCase{"ThirdIsEmpty", 1.0, "%s|%s|%s", "a", "b", "[     1.0] a|b|"},
        LineCase{"PercentSign", 2.0, "stop at compile %s %%", "41", "",
                 "[     2.0] stop at compile 41 %"},
        // A string holding printf conversions is copied, never read as a format.
        LineCase{"ArgumentsAreText", 1.0, "disc check: %s", "%s %d %n 100%", "",
                 "[     1.0] disc check: %s %d %n 100%"},
        // Other conversions in a format are kept as written, so nothing reads past a and b.
        LineCase{"OtherConversionKept", 1.0, "%d and %s", "a", "", "[     1.0] %d and a"},
        LineCase{"TrailingPercent", 1.0, "50%", "", "", "[     1.0] 50%"},
        LineCase{"NonAscii", 1.0, "release %s", "/tmp/dossier évalué", "",
                 "[     1.0] release /tmp/dossier évalué"}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(FixedSix, PrintsLikePercentF) {
  EXPECT_EQ(fixedSix(0), "0.000000");
  EXPECT_EQ(fixedSix(41.25), "41.250000");
  EXPECT_EQ(fixedSix(-1.5), "-1.500000");
  EXPECT_EQ(fixedSix(1e20), "100000000000000000000.000000");
}

}  // namespace
}  // namespace scf
