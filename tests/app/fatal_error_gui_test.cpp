// A start-up failure must be visible even where no error box can be shown: the launcher started
// without any display writes the fatal text to standard error and exits with code 1.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <string>

#include "support/test_support.h"

namespace scf {
namespace {

TEST(FatalError, WithoutADisplayTheTextGoesToStandardError) {
#ifdef _WIN32
  GTEST_SKIP() << "a Windows desktop always has a display: the error box opens instead";
#else
  scf::testing::TempFolder home;
  const std::string release = home / "release";
  std::filesystem::create_directories(release);
  // Standard output is dropped, standard error is read; `timeout` bounds a launcher that hangs.
  const std::string command =
      "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEO_DRIVER "
      "ZA2D_USER_DIR='" +
      (home / "user") + "' timeout 20 '" + SCF_LAUNCHER_EXE + "' --release '" + release +
      "' 2>&1 >/dev/null";
  std::string err;
  int status = -1;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
      err.append(buf, n);
    status = pclose(pipe);
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(err.rfind("SDL could not start: ", 0), 0u) << err;
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.back(), '\n');
  EXPECT_EQ(err.find('\n'), err.size() - 1) << "exactly one line: " << err;
#endif
}

}  // namespace
}  // namespace scf
