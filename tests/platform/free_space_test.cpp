#include "platform/free_space.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace scf {
namespace {

// Free space changes as other programs write, so only what must hold whatever they do is checked.
TEST(VolumeFreeBytes, FolderFileAndPathsNotMadeYetAskTheirVolume) {
  testing::TempFolder folder;
  testing::writeFile(folder / "Données été/file.txt", "x");
  for (const std::string& path :
       {folder.path(), folder / "Données été", folder / "Données été/file.txt",
        folder / "not made/yet/deeper", folder / "Données été/not made"}) {
    EXPECT_GT(volumeFreeBytes(path), 0u) << path;
  }
  EXPECT_EQ(volumeFreeBytes(""), 0u);
}

TEST(VolumeFreeBytes, RelativePathsAskTheWorkingFolder) {
  testing::TempFolder folder;
  testing::CwdGuard cwd(folder.path());
  for (const char* path : {"build", "build/deeper", ".", ".."})
    EXPECT_GT(volumeFreeBytes(path), 0u) << path;
}

}  // namespace
}  // namespace scf
