#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace scf {
namespace {

TEST(WriteFileAtomic, CreatesAndReplacesWithTheExactBytes) {
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  const std::string binary("line\r\nzero\0byte\n", 16);
  ASSERT_TRUE(writeFileAtomic(path, binary));
  EXPECT_EQ(testing::readFile(path), binary);
  ASSERT_TRUE(writeFileAtomic(path, "short\n"));
  EXPECT_EQ(testing::readFile(path), "short\n");
  ASSERT_TRUE(writeFileAtomic(path, ""));
  EXPECT_EQ(testing::readFile(path), "");
  EXPECT_FALSE(testing::exists(path + ".tmp"));
}

TEST(WriteFileAtomic, StaleTemporaryFileIsOverwritten) {
  testing::TempFolder folder;
  const std::string path = folder / "launcher.ini";
  testing::writeFile(path + ".tmp", std::string(10000, 'x'));
  ASSERT_TRUE(writeFileAtomic(path, "new\n"));
  EXPECT_EQ(testing::readFile(path), "new\n");
}

TEST(WriteFileAtomic, FailureLeavesTheTargetUntouched) {
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  testing::writeFile(path, "old\n");
  // The temporary file cannot be created where a folder stands.
  std::filesystem::create_directories(path + ".tmp/inner");
  EXPECT_FALSE(writeFileAtomic(path, "new\n"));
  EXPECT_EQ(testing::readFile(path), "old\n");

  EXPECT_FALSE(writeFileAtomic(folder / "no such folder/video.ini", "new\n"));
  EXPECT_FALSE(testing::exists(folder / "no such folder"));
  EXPECT_FALSE(writeFileAtomic("", "new\n"));
}

TEST(WriteFileAtomic, TargetThatIsAFolderIsNotReplaced) {
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  testing::writeFile(path + "/inside", "keep");
  EXPECT_FALSE(writeFileAtomic(path, "new\n"));
  EXPECT_EQ(testing::readFile(path + "/inside"), "keep");
}

TEST(WriteFileAtomic, RelativePathInTheWorkingFolder) {
  testing::TempFolder folder;
  testing::CwdGuard cwd(folder.path());
  ASSERT_TRUE(writeFileAtomic("plain.ini", "a = 1\n"));
  EXPECT_EQ(testing::readFile(folder / "plain.ini"), "a = 1\n");
}

}  // namespace
}  // namespace scf
