#include "platform/absolute_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/utf8_path.h"
#include "support/test_support.h"

namespace scf {
namespace {

struct Case {
  std::string path;
  std::string absolute;
};

#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

TEST(AbsolutePath, PutsTheWorkingFolderBeforeARelativePathAndChangesNothingElse) {
  testing::TempFolder folder;
  const std::string work = folder / "Dossier été";
  std::filesystem::create_directories(utf8Path(work));
  testing::CwdGuard cwd(work);
  const std::string here = utf8String(std::filesystem::current_path());
  const std::string sep(1, kSeparator);
  const Case cases[] = {
      {"", ""},
      {"d.iso", here + sep + "d.iso"},
      {"link/../d.iso", here + sep + "link/../d.iso"},
      {"./game/../scf", here + sep + "./game/../scf"},
      {"..", here + sep + ".."},
      {"ça été.iso", here + sep + "ça été.iso"},
#ifdef _WIN32
      {"C:\\m\\link\\..\\d.iso", "C:\\m\\link\\..\\d.iso"},
      {"c:/a//b/./c/", "c:/a//b/./c/"},
      {"Z:\\", "Z:\\"},
      {"\\\\server\\share\\..\\x", "\\\\server\\share\\..\\x"},
      {"//server/share/x", "//server/share/x"},
      {"\\\\?\\C:\\x\\..\\y", "\\\\?\\C:\\x\\..\\y"},
      {"link\\..\\d.iso", here + sep + "link\\..\\d.iso"},
      // Rooted without a drive: the working folder's drive.
      {"\\m\\d.iso", here.substr(0, 2) + "\\m\\d.iso"},
      {"/m/d.iso", here.substr(0, 2) + "/m/d.iso"},
      // A drive without a root: that drive's folder, ours when it is our drive.
      {here.substr(0, 2) + "d.iso", here + sep + "d.iso"},
#else
      {"/m/link/../d.iso", "/m/link/../d.iso"},
      {"/a//b/./c/", "/a//b/./c/"},
      {"/", "/"},
#endif
  };
  for (const Case& c : cases)
    EXPECT_EQ(absolutePath(c.path), c.absolute) << "path " << c.path;
}

#ifdef _WIN32
TEST(AbsolutePath, DriveWithoutARootOnAnotherDriveStartsAtItsRoot) {
  testing::TempFolder folder;
  testing::CwdGuard cwd(folder.path());
  const std::string here = utf8String(std::filesystem::current_path());
  ASSERT_GE(here.size(), 2u);
  const std::string other = here[0] == 'Q' || here[0] == 'q' ? "R:" : "Q:";
  EXPECT_EQ(absolutePath(other + "x\\..\\d.iso"), other + "\\x\\..\\d.iso");
}
#endif

TEST(AbsolutePath, KeepsNamingTheFileAPathThroughASymbolicLinkNames) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows";
#endif
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
