// Settings written off the frame: every save reaches the disk whole, the last text given for a
// file wins, and the writer's end waits for what is pending.
#include "release/settings_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/test_support.h"

namespace scf {
namespace {

using testing::readFile;
using testing::TempFolder;

TEST(SettingsWriter, BeforeItStartsASaveIsWrittenAtOnce) {
  TempFolder dir;
  SettingsWriter writer;
  EXPECT_TRUE(writer.save(dir / "a.ini", "one\n"));
  EXPECT_EQ(readFile(dir / "a.ini"), "one\n");
  EXPECT_FALSE(writer.save(dir / "missing folder/a.ini", "two\n")) << "a failed write says so";
}

TEST(SettingsWriter, TheLastSaveOfEachFileWinsAndFlushWaitsForIt) {
  TempFolder dir;
  SettingsWriter writer;
  writer.start();
  for (int i = 0; i <= 500; ++i) {
    writer.save(dir / "launcher.ini", "value = " + std::to_string(i) + "\n");
    writer.save(dir / "video.ini", "width = " + std::to_string(i) + "\n");
  }
  ASSERT_TRUE(writer.flush(10.0));
  EXPECT_EQ(readFile(dir / "launcher.ini"), "value = 500\n");
  EXPECT_EQ(readFile(dir / "video.ini"), "width = 500\n");
  EXPECT_FALSE(writer.failed(dir / "launcher.ini"));
  // No temporary file is left beside them.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 2);
}

TEST(SettingsWriter, AFailedWriteIsKeptAndTheOldFileStaysWhole) {
  TempFolder dir;
  std::filesystem::create_directories(dir / "blocked");
  SettingsWriter writer;
  writer.start();
  // A folder where the file should be: the rename onto it fails.
  writer.save(dir / "blocked", "x = 1\n");
  ASSERT_TRUE(writer.flush(10.0));
  EXPECT_TRUE(writer.failed(dir / "blocked"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "blocked"));
}

TEST(SettingsWriter, ItsEndWritesWhatIsPending) {
  TempFolder dir;
  {
    SettingsWriter writer;
    writer.start();
    for (int i = 0; i < 50; ++i)
      writer.save(dir / "launcher.ini", "value = " + std::to_string(i) + "\n");
  }
  EXPECT_EQ(readFile(dir / "launcher.ini"), "value = 49\n");
}

}  // namespace
}  // namespace scf
