#include "release/old_files.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace scf {
namespace {

struct InsideCase {
  const char* path;
  const char* folder;
  bool inside;
};

class IsInsideFolderTest : public ::testing::TestWithParam<InsideCase> {};

TEST_P(IsInsideFolderTest, ComparesNormalisedParts) {
  EXPECT_EQ(isInsideFolder(GetParam().path, GetParam().folder), GetParam().inside)
      << GetParam().path << " in " << GetParam().folder;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IsInsideFolderTest,
    ::testing::Values(InsideCase{"/opt/rel/x.scf-old", "/opt/rel", true},
                      InsideCase{"/opt/rel/sub/x.scf-old", "/opt/rel/", true},
                      InsideCase{"/opt//rel/./a/../x.scf-old", "/opt/rel", true},
                      InsideCase{"/opt/release-other/x.scf-old", "/opt/rel", false},
                      InsideCase{"/opt/rel/../etc/x.scf-old", "/opt/rel", false},
                      InsideCase{"/opt/rel/sub/../../etc/x.scf-old", "/opt/rel", false},
                      InsideCase{"/opt/rel", "/opt/rel", false},
                      InsideCase{"/opt/rel/", "/opt/rel", false},
                      InsideCase{"/opt/rel/.", "/opt/rel", false},
                      InsideCase{"/opt", "/opt/rel", false}, InsideCase{"", "/opt/rel", false}));

// A release folder with an update list, and files inside and outside it.
class CleanOldFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    release = folder / "rel";
    list = release + "/update/old_files.txt";
    std::filesystem::create_directories(release + "/update");
  }

  std::string place(const std::string& path) {
    testing::writeFile(path, "old");
    return path;
  }

  testing::TempFolder folder;
  std::string release;
  std::string list;
};

TEST_F(CleanOldFilesTest, DeletesOnlyMarkedFilesInsideTheRelease) {
  const std::string inside = place(release + "/launcher.scf-old");
  const std::string nested = place(release + "/kit/python/lib.so.scf-old");
  const std::string unmarked = place(release + "/keep.txt");
  const std::string markedFolder = release + "/data.scf-old/readme.txt";
  place(markedFolder);
  const std::string sibling = place(folder / "release-other/x.scf-old");
  const std::string climbing = place(folder / "etc/x.scf-old");
  const std::string relative = place(release + "/relative.scf-old");
  testing::writeFile(list, inside + "\r\n" + nested + "\n" + unmarked + "\n" + markedFolder + "\n" +
                               sibling + "\n" + release + "/../etc/x.scf-old\n" +
                               "rel/relative.scf-old\n" + release + "/gone.scf-old\n\n");

  testing::CwdGuard cwd(folder.path());
  cleanOldFiles(release);

  EXPECT_FALSE(testing::exists(inside));
  EXPECT_FALSE(testing::exists(nested));
  EXPECT_TRUE(testing::exists(unmarked));
  EXPECT_TRUE(testing::exists(markedFolder)) << "only the file name may carry the marker";
  EXPECT_TRUE(testing::exists(sibling)) << "a sibling folder sharing the release's prefix";
  EXPECT_TRUE(testing::exists(climbing)) << "a path climbing out of the release with ..";
  EXPECT_TRUE(testing::exists(relative)) << "only full paths are taken";
  // Nothing could stay, so the list and its folder are gone.
  EXPECT_FALSE(testing::exists(list));
  EXPECT_FALSE(testing::exists(release + "/update"));
}

TEST_F(CleanOldFilesTest, LineWithANulByteIsSkippedWhole) {
  // The checks would see the whole line, the system only what stands before the NUL.
  const std::string plain = place(release + "/plain.txt");
  const std::string marked = place(release + "/a.scf-old");
  testing::writeFile(list, plain + std::string(1, '\0') + ".scf-old\n" + marked + "\n");
  cleanOldFiles(release);
  EXPECT_TRUE(testing::exists(plain));
  EXPECT_FALSE(testing::exists(marked));
  EXPECT_FALSE(testing::exists(list)) << "the refused line is dropped";
}

TEST_F(CleanOldFilesTest, LinksAreNeverFollowedOutOfTheRelease) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need administrator rights on Windows";
#endif
  const std::string outside = place(folder / "outside/x.scf-old");
  const std::string inner = place(release + "/real/y.scf-old");
  std::filesystem::create_directory_symlink(folder / "outside", release + "/link");
  std::filesystem::create_directories(release + "/sub");
  std::filesystem::create_directory_symlink(folder / "outside", release + "/sub/deeper");
  // Even a link to a folder of the release is not entered.
  std::filesystem::create_directory_symlink(release + "/real", release + "/alias");
  // A listed link is removed itself; what it names is not touched.
  std::filesystem::create_symlink(outside, release + "/pointer.scf-old");
  testing::writeFile(list, release + "/link/x.scf-old\n" + release + "/sub/deeper/x.scf-old\n" +
                               release + "/alias/y.scf-old\n" + release + "/pointer.scf-old\n");

  cleanOldFiles(release);

  EXPECT_TRUE(testing::exists(outside));
  EXPECT_TRUE(testing::exists(inner));
  EXPECT_TRUE(testing::exists(release + "/link"));
  EXPECT_FALSE(testing::exists(release + "/pointer.scf-old"));
  EXPECT_FALSE(testing::exists(list)) << "refused lines are dropped";
}

TEST_F(CleanOldFilesTest, FileThatCannotBeDeletedStaysListed) {
  const std::string removable = place(release + "/a.scf-old");
  // A non-empty folder cannot be removed like a file, whoever runs the test.
  const std::string stuck = release + "/b.scf-old";
  place(stuck + "/inner");
  const std::string outside = place(folder / "elsewhere.scf-old");
  testing::writeFile(list, removable + "\n" + stuck + "\r\n" + outside + "\n");

  cleanOldFiles(release);

  EXPECT_FALSE(testing::exists(removable));
  EXPECT_TRUE(testing::exists(stuck));
  EXPECT_TRUE(testing::exists(outside));
  EXPECT_EQ(testing::readFile(list), stuck + "\n");
  EXPECT_FALSE(testing::exists(list + ".tmp"));

  // Tried again at the next start, once it can go.
  std::filesystem::remove(stuck + "/inner");
  cleanOldFiles(release);
  EXPECT_FALSE(testing::exists(stuck));
  EXPECT_FALSE(testing::exists(list));
}

TEST_F(CleanOldFilesTest, FileInReadOnlyFolderStaysListed) {
#ifdef _WIN32
  GTEST_SKIP() << "a read-only folder does not protect its files on Windows";
#else
  if (::geteuid() == 0) GTEST_SKIP() << "root deletes files in read-only folders";
  const std::string locked = place(release + "/locked/c.scf-old");
  testing::writeFile(list, locked + "\n");
  ASSERT_EQ(::chmod((release + "/locked").c_str(), 0555), 0);
  cleanOldFiles(release);
  ::chmod((release + "/locked").c_str(), 0755);
  EXPECT_TRUE(testing::exists(locked));
  EXPECT_EQ(testing::readFile(list), locked + "\n");
#endif
}

TEST_F(CleanOldFilesTest, UpdateFolderWithOtherFilesIsKept) {
  const std::string removable = place(release + "/a.scf-old");
  place(release + "/update/download.zip");
  testing::writeFile(list, removable + "\n");
  cleanOldFiles(release);
  EXPECT_FALSE(testing::exists(list));
  EXPECT_TRUE(testing::exists(release + "/update/download.zip"));
}

TEST_F(CleanOldFilesTest, RelativeReleaseFolderMatchesFullPaths) {
  const std::string removable = place(release + "/a.scf-old");
  const std::string sibling = place(folder / "rel-other/a.scf-old");
  testing::writeFile(list, removable + "\n" + sibling + "\n");
  testing::CwdGuard cwd(folder.path());
  cleanOldFiles("rel");
  EXPECT_FALSE(testing::exists(removable));
  EXPECT_TRUE(testing::exists(sibling));
}

TEST_F(CleanOldFilesTest, NoListDoesNothing) {
  const std::string file = place(release + "/a.scf-old");
  cleanOldFiles(release);
  EXPECT_TRUE(testing::exists(file));
  EXPECT_TRUE(testing::exists(release + "/update"));
}

}  // namespace
}  // namespace scf
