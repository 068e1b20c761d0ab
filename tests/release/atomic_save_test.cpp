#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

#include "release/video_settings.h"
#include "support/test_support.h"

namespace scf {
namespace {

// A video.ini large enough that each save takes many write calls, so kills land mid-write.
VideoSettings version(const std::string& tag, int width) {
  VideoSettings video;
  video.width = width;
  video.height = 720;
  video.mode = "borderless";
  for (int i = 0; i < 3000; ++i)
    video.extras["key" + std::to_string(i)] = tag + std::to_string(i);
  return video;
}

TEST(AtomicSaveUnderFire, KilledSaverAlwaysLeavesOneWholeVersion) {
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  const VideoSettings first = version("first", 1280);
  const VideoSettings second = version("second", 1920);
  const std::string firstText = first.text();
  const std::string secondText = second.text();
  ASSERT_TRUE(first.save(path));

  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> delayMicroseconds(0, 15000);
  int rounds = 0;
  for (; rounds < 60; ++rounds) {
    const pid_t saver = ::fork();
    ASSERT_GE(saver, 0);
    if (saver == 0) {
      for (unsigned i = 0;; ++i)
        (i % 2 ? first : second).save(path);
    }
    ::usleep(static_cast<useconds_t>(delayMicroseconds(random)));
    ASSERT_EQ(::kill(saver, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(saver, &status, 0), saver);
    ASSERT_TRUE(WIFSIGNALED(status));

    const std::string text = testing::readFile(path);
    ASSERT_TRUE(text == firstText || text == secondText)
        << "round " << rounds << ": " << text.size() << " bytes, a torn file";
    VideoSettings loaded;
    ASSERT_TRUE(loaded.load(path));
    EXPECT_EQ(loaded.width, text == firstText ? 1280 : 1920);
    EXPECT_EQ(loaded.extras.size(), 3000u);
  }
}

}  // namespace
}  // namespace scf
