#include "platform/exe_path.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace scf {
namespace {

TEST(ExePath, NamesThisTestProgram) {
  const std::filesystem::path path = exePath();
  EXPECT_TRUE(path.is_absolute());
  EXPECT_EQ(path.filename(), "test_platform");
  EXPECT_TRUE(std::filesystem::is_regular_file(path));
  EXPECT_EQ(exeFolder(), path.parent_path().string());
  EXPECT_TRUE(std::filesystem::equivalent(exeFolder(), SCF_BINARY_DIR "/tests"));
}

}  // namespace
}  // namespace scf
