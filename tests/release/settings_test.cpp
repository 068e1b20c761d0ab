#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "release/launcher_settings.h"
#include "release/video_settings.h"
#include "support/test_support.h"

namespace scf {
namespace {

struct LauncherCase {
  const char* name;
  std::string text;
  LauncherSettings expected;
};

LauncherSettings launcher(std::string disc, std::string language, bool motion, bool buildPending,
                          bool built, double last, double pending, bool updateCheck) {
  LauncherSettings s;
  s.disc = std::move(disc);
  s.language = std::move(language);
  s.motion = motion;
  s.buildPending = buildPending;
  s.built = built;
  s.lastBuildSeconds = last;
  s.pendingBuildSeconds = pending;
  s.updateCheck = updateCheck;
  return s;
}

void expectSame(const LauncherSettings& actual, const LauncherSettings& expected) {
  EXPECT_EQ(actual.disc, expected.disc);
  EXPECT_EQ(actual.language, expected.language);
  EXPECT_EQ(actual.motion, expected.motion);
  EXPECT_EQ(actual.buildPending, expected.buildPending);
  EXPECT_EQ(actual.built, expected.built);
  EXPECT_DOUBLE_EQ(actual.lastBuildSeconds, expected.lastBuildSeconds);
  EXPECT_DOUBLE_EQ(actual.pendingBuildSeconds, expected.pendingBuildSeconds);
  EXPECT_EQ(actual.updateCheck, expected.updateCheck);
}

class LauncherLoadTest : public ::testing::TestWithParam<LauncherCase> {};

TEST_P(LauncherLoadTest, ReadsEachKeyByItsRule) {
  testing::TempFolder folder;
  const std::string path = folder / "launcher.ini";
  testing::writeFile(path, GetParam().text);
  // Fields start away from their defaults so a missing key visibly resets them.
  LauncherSettings settings = launcher("old", "xx", false, true, true, 5, 6, false);
  EXPECT_TRUE(settings.load(path));
  expectSame(settings, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, LauncherLoadTest,
    ::testing::Values(LauncherCase{"EmptyFileGivesDefaults", "",
                                   launcher("", "", true, false, false, 0, 0, true)},
                      LauncherCase{
                          "HashStaysInDiscPath", "disc = D:\\games\\x#1.iso\nlanguage = fr\n",
                          launcher("D:\\games\\x#1.iso", "fr", true, false, false, 0, 0, true)},
                      LauncherCase{"OnlyZeroTurnsMotionOff", "motion = 0\nupdate_check = 0\n",
                                   launcher("", "", false, false, false, 0, 0, false)},
                      LauncherCase{"DoubleZeroIsOn", "motion = 00\nupdate_check = off\n",
                                   launcher("", "", true, false, false, 0, 0, true)},
                      LauncherCase{"EmptyValueIsOn", "motion =\nupdate_check =\n",
                                   launcher("", "", true, false, false, 0, 0, true)},
                      LauncherCase{"OnlyOneIsTrue", "build_pending = 1\nbuilt = yes\n",
                                   launcher("", "", true, true, false, 0, 0, true)},
                      LauncherCase{"LeadingNumberOfSeconds",
                                   "last_build_seconds = 754.5s\npending_build_seconds = abc\n",
                                   launcher("", "", true, false, false, 754.5, 0, true)},
                      LauncherCase{"NonFiniteSecondsAreZero",
                                   "last_build_seconds = inf\npending_build_seconds = nan\n",
                                   launcher("", "", true, false, false, 0, 0, true)},
                      LauncherCase{"HeaderAndUnknownKeysIgnored",
                                   "# comment\n[launcher]\nbuilt = 1\nsomething = else\n",
                                   launcher("", "", true, false, true, 0, 0, true)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LauncherSettingsLoad, MissingFileChangesNothing) {
  testing::TempFolder folder;
  LauncherSettings settings = launcher("keep", "fr", false, true, true, 1, 2, false);
  EXPECT_FALSE(settings.load(folder / "launcher.ini"));
  expectSame(settings, launcher("keep", "fr", false, true, true, 1, 2, false));
}

TEST(LauncherSettingsSave, WritesTheExactText) {
  testing::TempFolder folder;
  const std::string path = folder / "launcher.ini";
  ASSERT_TRUE(LauncherSettings().save(path));
  EXPECT_EQ(testing::readFile(path),
            "# SCF Launcher's settings (the launcher writes this file).\n[launcher]\n"
            "disc = \nlanguage = \nmotion = 1\nbuild_pending = 0\nbuilt = 0\n"
            "last_build_seconds = 0\npending_build_seconds = 0\nupdate_check = 1\n");

  ASSERT_TRUE(launcher("/media/disc #2/scrapfury.iso", "fr", false, true, true, 12.6, 12.4, false)
                  .save(path));
  EXPECT_EQ(testing::readFile(path),
            "# SCF Launcher's settings (the launcher writes this file).\n[launcher]\n"
            "disc = /media/disc #2/scrapfury.iso\nlanguage = fr\nmotion = 0\nbuild_pending = 1\n"
            "built = 1\nlast_build_seconds = 13\npending_build_seconds = 12\nupdate_check = 0\n");
}

TEST(LauncherSettingsSave, OldCommentsAndUnknownKeysAreNotCarriedOver) {
  testing::TempFolder folder;
  const std::string path = folder / "launcher.ini";
  testing::writeFile(path, "# mine\nextra = 1\ndisc = /d.iso\nlast_build_seconds = 3599.7\n");
  LauncherSettings settings;
  ASSERT_TRUE(settings.load(path));
  ASSERT_TRUE(settings.save(path));
  const std::string text = testing::readFile(path);
  EXPECT_EQ(text.find("extra"), std::string::npos);
  EXPECT_EQ(text.find("# mine"), std::string::npos);
  EXPECT_NE(text.find("disc = /d.iso\n"), std::string::npos);
  EXPECT_NE(text.find("last_build_seconds = 3600\n"), std::string::npos);
  LauncherSettings again;
  ASSERT_TRUE(again.load(path));
  expectSame(again, launcher("/d.iso", "", true, false, false, 3600, 0, true));
}

TEST(LauncherSettingsSave, LongDurationsKeepEveryDigit) {
  testing::TempFolder folder;
  const std::string path = folder / "launcher.ini";
  LauncherSettings settings;
  settings.lastBuildSeconds = 1e100;
  settings.pendingBuildSeconds = -1e80;
  ASSERT_TRUE(settings.save(path));
  const std::string text = testing::readFile(path);
  EXPECT_NE(text.find("\nlast_build_seconds = 1000000000000000015902891109759918046836080856394528"
                      "1389781327557747838772170381060813469985856815104\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("\npending_build_seconds = -1000000000000000000266098647083672765374024011"
                      "81200809098131977453489758916313088\n"),
            std::string::npos)
      << text;
  LauncherSettings again;
  ASSERT_TRUE(again.load(path));
  EXPECT_EQ(again.lastBuildSeconds, 1e100);
  EXPECT_EQ(again.pendingBuildSeconds, -1e80);
}

struct VideoCase {
  const char* name;
  std::string text;
  int width;
  int height;
  std::string mode;
  std::string renderScale;
  int gsScale;
  std::map<std::string, std::string> extras;
};

class VideoLoadTest : public ::testing::TestWithParam<VideoCase> {};

TEST_P(VideoLoadTest, ReadsEachKeyByItsRule) {
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  testing::writeFile(path, GetParam().text);
  VideoSettings video;
  video.width = 1024;
  video.height = 768;
  video.extras["stale"] = "x";
  EXPECT_TRUE(video.load(path));
  EXPECT_TRUE(video.loaded);
  EXPECT_EQ(video.width, GetParam().width);
  EXPECT_EQ(video.height, GetParam().height);
  EXPECT_EQ(video.mode, GetParam().mode);
  EXPECT_EQ(video.renderScale, GetParam().renderScale);
  EXPECT_EQ(video.gsScale, GetParam().gsScale);
  EXPECT_EQ(video.extras, GetParam().extras);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, VideoLoadTest,
    ::testing::Values(
        VideoCase{"SizeTaken", "size = 1280x720\n", 1280, 720, "windowed", "1", 1, {}},
        VideoCase{"SmallestSizeTaken", "size = 160x120\n", 160, 120, "windowed", "1", 1, {}},
        VideoCase{"NarrowSizeIgnored", "size = 159x600\n", 1024, 768, "windowed", "1", 1, {}},
        VideoCase{"LowSizeIgnored", "size = 800x119\n", 1024, 768, "windowed", "1", 1, {}},
        VideoCase{"SpacedSizeIgnored", "size = 1280 x 720\n", 1024, 768, "windowed", "1", 1, {}},
        VideoCase{"TrailingCharactersAfterSize",
                  "size = 1280x720px\n",
                  1280,
                  720,
                  "windowed",
                  "1",
                  1,
                  {}},
        VideoCase{"HugeSizeIgnored", "size = 99999999999x720\n", 1024, 768, "windowed", "1", 1, {}},
        VideoCase{"CommentAfterMode",
                  "mode = borderless # the monitor's size\n",
                  1024,
                  768,
                  "borderless",
                  "1",
                  1,
                  {}},
        VideoCase{"CapitalModeIgnored", "mode = Fullscreen\n", 1024, 768, "windowed", "1", 1, {}},
        VideoCase{"LaterModeWins",
                  "mode = fullscreen\nmode = borderless\n",
                  1024,
                  768,
                  "borderless",
                  "1",
                  1,
                  {}},
        VideoCase{"RenderScaleKeptAsText",
                  "render_scale = sharp\n",
                  1024,
                  768,
                  "windowed",
                  "sharp",
                  1,
                  {}},
        VideoCase{"EmptyRenderScaleIgnored", "render_scale =\n", 1024, 768, "windowed", "1", 1, {}},
        VideoCase{"GsScaleClampedHigh", "gs_scale = 9\n", 1024, 768, "windowed", "1", 4, {}},
        VideoCase{"GsScaleClampedLow", "gs_scale = 0\n", 1024, 768, "windowed", "1", 1, {}},
        VideoCase{"GsScaleNonDigits", "gs_scale = two\n", 1024, 768, "windowed", "1", 1, {}},
        VideoCase{"GsScaleInRange", "gs_scale = 3\n", 1024, 768, "windowed", "1", 3, {}},
        VideoCase{"GsScaleOverflowClamped",
                  "gs_scale = 99999999999999999999\n",
                  1024,
                  768,
                  "windowed",
                  "1",
                  4,
                  {}},
        VideoCase{"ExtrasKeptWithoutEmptyValues",
                  "[video]\nvsync = 1\naudio =\nfps = 60\n = lonely\n",
                  1024,
                  768,
                  "windowed",
                  "1",
                  1,
                  {{"", "lonely"}, {"fps", "60"}, {"vsync", "1"}}},
        VideoCase{"CommentLinesSkipped",
                  "# size = 640x480\n; mode = borderless\n",
                  1024,
                  768,
                  "windowed",
                  "1",
                  1,
                  {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VideoSettingsLoad, MissingFileLeavesValuesAndIsNotLoaded) {
  testing::TempFolder folder;
  VideoSettings video;
  video.loaded = true;
  video.extras["texture_pack"] = "off";
  EXPECT_FALSE(video.load(folder / "video.ini"));
  EXPECT_FALSE(video.loaded);
  EXPECT_EQ(video.extras.at("texture_pack"), "off");
}

TEST(VideoSettingsSave, HeaderIsExactly460Bytes) {
  EXPECT_EQ(std::strlen(kVideoIniHeader), 460u);
}

TEST(VideoSettingsSave, HeaderIsTheSharedCommentBlock) {
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  ASSERT_TRUE(VideoSettings().save(path));
  const std::string expected =
      "# The window (the Video tab of the settings window, F2, writes this file; ZA2D_WINDOW_SIZE, "
      "ZA2D_WINDOW_MODE,\n# ZA2D_RENDER_SCALE and ZA2D_GS_SCALE override it). size: the "
      "window's, or the full-screen video mode's.\n# mode: windowed, fullscreen (exclusive) or "
      "borderless (the monitor's size). render_scale: the 3D drawn at\n# that many times the "
      "window's size each way (0.25 to 4). gs_scale: the GS renderer's internal scale (1 to "
      "4,\n# read at launch).\n\n[video]\n"
      "size = 0x0\nmode = windowed\nrender_scale = 1\ngs_scale = 1\n";
  EXPECT_EQ(testing::readFile(path), expected);
  EXPECT_EQ(expected.size(), 460u + 57u);
}

TEST(VideoSettingsSave, WritesTheExactText) {
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  const std::string header = kVideoIniHeader;
  ASSERT_TRUE(VideoSettings().save(path));
  EXPECT_EQ(testing::readFile(path),
            header + "size = 0x0\nmode = windowed\nrender_scale = 1\ngs_scale = 1\n");

  VideoSettings video;
  video.width = -5;
  video.height = 448;
  video.mode = "borderless";
  video.renderScale = "1.5";
  video.gsScale = 2;
  video.extras = {{"texture_pack", "off"}, {"", "lonely"}};
  ASSERT_TRUE(video.save(path));
  EXPECT_EQ(testing::readFile(path), header +
                                         "size = -5x448\nmode = borderless\nrender_scale = 1.5\n"
                                         "gs_scale = 2\n = lonely\ntexture_pack = off\n");
  EXPECT_FALSE(testing::exists(path + ".tmp"));
}

TEST(VideoSettingsSave, UnknownKeysComeBackInKeyOrderWithoutEmptyOnes) {
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  testing::writeFile(path, "size = 1280x720\nvsync = 1\naudio =\nfps = 60\nrender_scale = wide\n");
  VideoSettings video;
  ASSERT_TRUE(video.load(path));
  ASSERT_TRUE(video.save(path));
  EXPECT_EQ(testing::readFile(path),
            std::string(kVideoIniHeader) +
                "size = 1280x720\nmode = windowed\nrender_scale = wide\ngs_scale = 1\n"
                "fps = 60\nvsync = 1\n");
}

}  // namespace
}  // namespace scf
