#include "platform/file_status.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/utf8_path.h"
#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/utf16_win32.h"
#endif

namespace scf {
namespace {

TEST(FileStatus, ErrorsCountAsMissing) {
  testing::TempFolder folder;
  const std::string file = folder / "file.txt";
  testing::writeFile(file, "x");
#ifndef _WIN32  // symbolic links need a privilege on Windows
  std::filesystem::create_symlink(folder / "absent", folder / "dangling");
#endif

  EXPECT_TRUE(pathExists(file));
  EXPECT_TRUE(isRegularFile(file));
  EXPECT_FALSE(isDirectory(file));
  EXPECT_TRUE(pathExists(folder.path()));
  EXPECT_TRUE(isDirectory(folder.path()));
  EXPECT_FALSE(isRegularFile(folder.path()));
  const std::string accented = folder / "Données/été ✓";
  testing::writeFile(accented + "/fichier é.txt", "x");
  EXPECT_TRUE(isDirectory(accented));
  EXPECT_TRUE(isRegularFile(accented + "/fichier é.txt"));

  for (const std::string& missing : {folder / "absent", file + "/below", std::string(),
                                     folder / "dangling", std::string(5000, 'a')}) {
    EXPECT_FALSE(pathExists(missing)) << missing;
    EXPECT_FALSE(isDirectory(missing)) << missing;
    EXPECT_FALSE(isRegularFile(missing)) << missing;
  }
}

#ifdef _WIN32
TEST(FileStatus, DevicesAreNoFilesAndFilesHeldOpenStillAre) {
  EXPECT_FALSE(isRegularFile("NUL"));
  EXPECT_FALSE(isDirectory("NUL"));
  EXPECT_FALSE(isRegularFile("C:\\dir\\CON"));

  testing::TempFolder folder;
  const std::string file = folder / "held.txt";
  testing::writeFile(file, "x");
  // Opened with no sharing at all, as an editor or a virus scanner may hold it.
  const HANDLE held = CreateFileW(widen(file).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(pathExists(file));
  EXPECT_TRUE(isRegularFile(file));
  EXPECT_FALSE(isDirectory(file));
  CloseHandle(held);
}
#endif

}  // namespace
}  // namespace scf
