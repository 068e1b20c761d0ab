#include "platform/file_status.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.h"

namespace scf {
namespace {

TEST(FileStatus, ErrorsCountAsMissing) {
  testing::TempFolder folder;
  const std::string file = folder / "file.txt";
  testing::writeFile(file, "x");
  std::filesystem::create_symlink(folder / "absent", folder / "dangling");

  EXPECT_TRUE(pathExists(file));
  EXPECT_TRUE(isRegularFile(file));
  EXPECT_FALSE(isDirectory(file));
  EXPECT_TRUE(pathExists(folder.path()));
  EXPECT_TRUE(isDirectory(folder.path()));
  EXPECT_FALSE(isRegularFile(folder.path()));

  for (const std::string& missing : {folder / "absent", file + "/below", std::string(),
                                     folder / "dangling", std::string(5000, 'a')}) {
    EXPECT_FALSE(pathExists(missing)) << missing;
    EXPECT_FALSE(isDirectory(missing)) << missing;
    EXPECT_FALSE(isRegularFile(missing)) << missing;
  }
}

}  // namespace
}  // namespace scf
