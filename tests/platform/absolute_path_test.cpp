#include "platform/absolute_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "support/test_support.h"

namespace scf {
namespace {

TEST(AbsolutePath, PutsTheWorkingFolderBeforeARelativePathAndChangesNothingElse) {
  testing::TempFolder folder;
  testing::CwdGuard cwd(folder.path());
  const std::string here = std::filesystem::current_path().string();
  struct Case {
    std::string path;
    std::string absolute;
  };
  const Case cases[] = {
      {"", ""},
      {"/m/link/../d.iso", "/m/link/../d.iso"},
      {"/a//b/./c/", "/a//b/./c/"},
      {"/", "/"},
      {"d.iso", here + "/d.iso"},
      {"link/../d.iso", here + "/link/../d.iso"},
      {"./game/../scf", here + "/./game/../scf"},
      {"..", here + "/.."},
  };
  for (const Case& c : cases)
    EXPECT_EQ(absolutePath(c.path), c.absolute) << "path " << c.path;
}

TEST(AbsolutePath, KeepsNamingTheFileAPathThroughASymbolicLinkNames) {
  // link points into deep/inner, so "link/../d.iso" is deep/d.iso; folded lexically it would
  // wrongly be the folder's own d.iso.
  testing::TempFolder folder;
  testing::writeFile(folder / "deep/inner/.keep", "");
  testing::writeFile(folder / "deep/d.iso", "through the link");
  testing::writeFile(folder / "d.iso", "beside the link");
  std::filesystem::create_symlink(folder / "deep/inner", folder / "link");
  testing::CwdGuard cwd(folder.path());
  for (const std::string& path : {folder / "link/../d.iso", std::string("link/../d.iso")}) {
    std::string absolute = absolutePath(path);
    ASSERT_EQ(absolute.front(), '/') << path;
    EXPECT_EQ(testing::readFile(absolute), "through the link") << path << " became " << absolute;
  }
}

}  // namespace
}  // namespace scf
