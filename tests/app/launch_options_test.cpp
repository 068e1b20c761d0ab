#include "app/launch_options.h"

#include <gtest/gtest.h>

namespace scf {
namespace {

struct OptionsCase {
  const char* name;
  std::vector<std::string> args;
  void (*check)(const LaunchOptions&);
};

const OptionsCase kCases[] = {
    {"NoArguments",
     {},
     [](const LaunchOptions& o) {
       EXPECT_TRUE(o.releaseFolder.empty());
       EXPECT_TRUE(o.selftestDisc.empty());
       EXPECT_DOUBLE_EQ(o.playSeconds, 40.0);
       EXPECT_DOUBLE_EQ(o.crashSeconds, 0.0);
       EXPECT_FLOAT_EQ(o.uiScale, 0.0f);
       EXPECT_FALSE(o.textMode());
     }},
    {"ValueOptionSwallowsNextOption",
     {"--selftest", "--shots", "out"},
     [](const LaunchOptions& o) {
       EXPECT_EQ(o.selftestDisc, "--shots");
       EXPECT_TRUE(o.shotsFolder.empty());
     }},
    {"ValueOptionLastIsEmpty",
     {"--cancel", "--release"},
     [](const LaunchOptions& o) {
       EXPECT_TRUE(o.cancel);
       EXPECT_TRUE(o.releaseFolder.empty());
     }},
    {"NumberOptionLastReadsZero",
     {"--play-seconds"},
     [](const LaunchOptions& o) { EXPECT_DOUBLE_EQ(o.playSeconds, 0.0); }},
    {"ScaleThatIsNoNumberIsAutomatic",
     {"--ui-scale", "abc"},
     [](const LaunchOptions& o) { EXPECT_FLOAT_EQ(o.uiScale, 0.0f); }},
    {"NumbersReadLikeAtof",
     {"--ui-scale", "1.5x", "--crash-seconds", " 2.25e1s", "--play-seconds", "-3"},
     [](const LaunchOptions& o) {
       EXPECT_FLOAT_EQ(o.uiScale, 1.5f);
       EXPECT_DOUBLE_EQ(o.crashSeconds, 22.5);
       EXPECT_DOUBLE_EQ(o.playSeconds, -3.0);
     }},
    {"RepeatedOptionOverwrites",
     {"--release", "a", "--release", "b", "--ui-scale", "2", "--ui-scale", "3"},
     [](const LaunchOptions& o) {
       EXPECT_EQ(o.releaseFolder, "b");
       EXPECT_FLOAT_EQ(o.uiScale, 3.0f);
     }},
    {"UnknownArgumentsDoNotShiftPairs",
     {"stray", "--release", "rel", "-x", "--RELEASE", "--shots", "shots", "--unknown", "--wrong",
      "w.iso"},
     [](const LaunchOptions& o) {
       EXPECT_EQ(o.releaseFolder, "rel");
       EXPECT_EQ(o.shotsFolder, "shots");
       EXPECT_EQ(o.wrongDisc, "w.iso");
     }},
    {"AllFlags",
     {"--error-demo", "--cancel", "--screens", "--enhance", "--update-now", "--version",
      "--gamepad", "--keyboard"},
     [](const LaunchOptions& o) {
       EXPECT_TRUE(o.errorDemo && o.cancel && o.screens && o.enhance && o.updateNow && o.version);
       EXPECT_TRUE(o.gamepad && o.keyboard);
       EXPECT_TRUE(o.textMode());
     }},
    {"DrivenSelftestFlagsAreOffByDefault",
     {"--selftest", "d.iso"},
     [](const LaunchOptions& o) { EXPECT_FALSE(o.gamepad || o.keyboard); }},
    {"AllStrings",
     {"--update-url", "http://u", "--download-prefix", "http://d/", "--self-check", "f.txt",
      "--report", "r.txt"},
     [](const LaunchOptions& o) {
       EXPECT_EQ(o.updateUrl, "http://u");
       EXPECT_EQ(o.downloadPrefix, "http://d/");
       EXPECT_EQ(o.selfCheckFile, "f.txt");
       EXPECT_EQ(o.reportFile, "r.txt");
       EXPECT_TRUE(o.textMode());
     }},
    {"ReportAloneKeepsGuiMode",
     {"--report", "r.txt"},
     [](const LaunchOptions& o) { EXPECT_FALSE(o.textMode()); }},
    {"EmptySelfCheckKeepsGuiMode",
     {"--self-check", ""},
     [](const LaunchOptions& o) { EXPECT_FALSE(o.textMode()); }},
};

void PrintTo(const OptionsCase& c, std::ostream* os) {
  *os << c.name;
}

class LaunchOptionsTest : public testing::TestWithParam<OptionsCase> {};

TEST_P(LaunchOptionsTest, Parses) {
  const OptionsCase& c = GetParam();
  const LaunchOptions options = parseLaunchOptions(c.args);
  EXPECT_EQ(options.launchArgs, c.args) << "the argument list is kept unchanged";
  c.check(options);
}

INSTANTIATE_TEST_SUITE_P(Cases, LaunchOptionsTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<OptionsCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace scf
