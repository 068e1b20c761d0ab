#include "platform/exe_path.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/executable_name.h"
#include "platform/utf8_path.h"

namespace scf {
namespace {

TEST(ExePath, NamesThisTestProgram) {
  const std::filesystem::path path = utf8Path(exePath());
  EXPECT_TRUE(path.is_absolute());
  EXPECT_EQ(utf8String(path.filename()), executableName("test_platform"));
  EXPECT_TRUE(std::filesystem::is_regular_file(path));
  EXPECT_EQ(exeFolder(), utf8String(path.parent_path()));
  EXPECT_TRUE(std::filesystem::equivalent(exeFolder(), SCF_BINARY_DIR "/tests"));
}

}  // namespace
}  // namespace scf
