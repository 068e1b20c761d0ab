#include "platform/file_read.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/test_support.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

// FIFOs and devices are in tests/release, where a reader that blocks runs in a child process.
TEST(ReadSmallFile, ReadsPlainFilesUpToTheLimit) {
  testing::TempFolder folder;
  const std::string binary("a\r\n\0b", 5);
  testing::writeFile(folder / "exact", binary);
  testing::writeFile(folder / "empty", "");
  fs::create_symlink(folder / "exact", folder / "link");
  fs::create_symlink(folder / "absent", folder / "dangling");
  fs::create_directories(folder / "folder");

  struct Case {
    std::string path;
    size_t limit;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {folder / "exact", 5, binary},
      {folder / "exact", 1000, binary},
      {folder / "exact", 4, std::nullopt},
      {folder / "empty", 0, ""},
      {folder / "link", 5, binary},
      {folder / "dangling", 5, std::nullopt},
      {folder / "absent", 5, std::nullopt},
      {folder / "folder", 5, std::nullopt},
      {"", 5, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(readSmallFile(c.path, c.limit), c.expected) << c.path << " limit " << c.limit;
}

}  // namespace
}  // namespace scf
