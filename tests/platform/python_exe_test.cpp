#include "platform/python_exe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/utf8_path.h"
#include "support/test_support.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr const char* kInterpreter = "python.exe";
constexpr const char* kShipped = "kit\\python\\python.exe";
constexpr char kListSeparator = ';';
#else
constexpr const char* kInterpreter = "python3";
constexpr const char* kShipped = "kit/python/bin/python3";
constexpr char kListSeparator = ':';
#endif

TEST(FindPythonExe, ShippedInterpreterIsUsedEvenWhenItsFileIsMissing) {
  testing::TempFolder release;
  fs::create_directories(utf8Path(release / "Données/kit/python"));
  const std::string found = findPythonExe(release / "Données");
  EXPECT_EQ(utf8Path(found), utf8Path(release / "Données") / utf8Path(kShipped));
}

TEST(FindPythonExe, OtherwiseTheFirstInterpreterOnPath) {
  testing::TempFolder folder;
  testing::EnvGuard env{{"PATH"}};
  const std::string empty = folder / "empty";
  const std::string first = folder / "première";
  const std::string second = folder / "second";
  fs::create_directories(utf8Path(empty));
  fs::create_directories(utf8Path(first + "/" + kInterpreter));  // a folder is no interpreter
  for (const std::string& dir : {first, second}) {
    testing::writeFile(dir + "/" + kInterpreter + "x", "");
  }
  testing::writeFile(second + "/" + kInterpreter, "");
  fs::permissions(utf8Path(second + "/" + kInterpreter), fs::perms::owner_all);
  env.set("PATH", empty + kListSeparator + first + kListSeparator + second);
  EXPECT_EQ(utf8Path(findPythonExe(folder / "no release")),
            utf8Path(second) / utf8Path(kInterpreter));

  env.set("PATH", empty);
  EXPECT_EQ(findPythonExe(folder / "no release"), "");
}

}  // namespace
}  // namespace scf
