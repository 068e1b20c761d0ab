// Folder listings for crash reports: which entries count, their paths, order and times.

#include "platform/file_list.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <iterator>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "platform/utf8_path.h"
#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/utf16_win32.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace scf {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::writeFile;

std::vector<std::string> paths(const std::vector<FileEntry>& entries) {
  std::vector<std::string> result;
  result.reserve(entries.size());
  for (const FileEntry& entry : entries)
    result.push_back(entry.path);
  return result;
}

#ifdef _WIN32
// Sets the last-write time in the system's own unit: 100 ns since 1601.
bool setWriteTime(const std::string& path, std::int64_t ticks) {
  const HANDLE file = CreateFileW(widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(std::uint64_t(ticks) >> 32)};
  const bool set = SetFileTime(file, nullptr, nullptr, &time) != 0;
  CloseHandle(file);
  return set;
}
#else
bool setWriteTime(const std::string& path, std::int64_t seconds, long nanoseconds) {
  const timespec times[2] = {{0, UTIME_OMIT}, {seconds, nanoseconds}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}
#endif

TEST(ListFiles, OnlyRegularFilesWithTheSuffixInListingOrder) {
  TempFolder temp;
  const std::string dir = temp / "crashes é ü";
  // "long.txtx" matches "*.txt" on Windows by its short name; "c.TXT" and "CRASH.Txt" are reports
  // whatever their case.
  for (const char* name : {"a.txt", "b é.txt", ".txt", "crash.log", "txt", "a.txt.bak", "c.TXT",
                           "CRASH.Txt", "long.txtx"})
    writeFile(dir + "/" + name, "x");
  fs::create_directories(utf8Path(dir + "/dump.txt"));
  writeFile(dir + "/dump.txt/inner.txt", "x");
#ifndef _WIN32  // symbolic links need a privilege on Windows
  fs::create_symlink(dir + "/a.txt", dir + "/link.txt");
  fs::create_symlink(dir + "/nowhere", dir + "/dangling.txt");
  fs::create_directory_symlink(dir + "/dump.txt", dir + "/folderlink.txt");
#endif

  // The file system's own order, as another reader of the same folder sees it.
  std::vector<std::string> expected;
  for (const auto& item : fs::directory_iterator(utf8Path(dir))) {
    const std::string name = utf8String(item.path().filename());
    if (name == "a.txt" || name == "b é.txt" || name == ".txt" || name == "link.txt" ||
        name == "c.TXT" || name == "CRASH.Txt") {
      expected.push_back(utf8String(utf8Path(dir) / utf8Path(name)));
    }
  }
#ifdef _WIN32
  ASSERT_EQ(expected.size(), 5u);
#else
  ASSERT_EQ(expected.size(), 6u);
#endif
  EXPECT_EQ(paths(listFiles(dir, ".txt")), expected);
}

TEST(ListFiles, MissingOrUnusableFolderGivesNothing) {
  TempFolder temp;
  writeFile(temp / "file.txt", "x");
  EXPECT_TRUE(listFiles(temp / "missing", ".txt").empty());
  EXPECT_TRUE(listFiles(temp / "file.txt", ".txt").empty());
  EXPECT_TRUE(listFiles("", ".txt").empty());
  fs::create_directories(utf8Path(temp / "empty"));
  EXPECT_TRUE(listFiles(temp / "empty", ".txt").empty());
}

#ifdef _WIN32
TEST(ListFiles, WriteTimesInTheSystemsOwnUnit) {
  TempFolder temp;
  struct Case {
    const char* name;
    std::int64_t ticks;  // 100 ns since 1601
  };
  const Case cases[] = {
      {"early.txt", 133000000001234567},
      {"late.txt", 133000000001234568},
      {"before 1970.txt", 116444735999999995},
      {"year 2100.txt", 157766400000000000},
  };
  for (const Case& c : cases) {
    writeFile(temp / c.name, "x");
    ASSERT_TRUE(setWriteTime(temp / c.name, c.ticks)) << c.name;
  }
  const std::vector<FileEntry> entries = listFiles(temp.path(), ".txt");
  ASSERT_EQ(entries.size(), std::size(cases));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool found = false;
    for (const FileEntry& entry : entries) {
      if (utf8Path(entry.path) != utf8Path(temp / c.name)) continue;
      found = true;
      EXPECT_EQ(entry.writeTime, c.ticks);
    }
    EXPECT_TRUE(found);
  }
}
#else
TEST(ListFiles, WriteTimesToTheNanosecond) {
  TempFolder temp;
  constexpr std::int64_t kLast = std::numeric_limits<std::int64_t>::max();
  struct Case {
    const char* name;
    std::int64_t seconds;
    long nanoseconds;
    std::int64_t expected;
  };
  const Case cases[] = {
      {"epoch.txt", 0, 0, 0},
      {"early.txt", 1700000000, 123456789, 1700000000123456789},
      {"late.txt", 1700000000, 123456790, 1700000000123456790},
      {"far.txt", 4102444800, 999999999, 4102444800999999999},
      {"before 1970.txt", -1, 500, -999999500},
      // Past what 64 bits of nanoseconds hold: still the newest, never a wrapped-round time.
      {"year 3000.txt", 32503680000, 0, kLast},
  };
  for (const Case& c : cases) {
    writeFile(temp / c.name, "x");
    ASSERT_TRUE(setWriteTime(temp / c.name, c.seconds, c.nanoseconds));
  }
  const std::vector<FileEntry> entries = listFiles(temp.path(), ".txt");
  ASSERT_EQ(entries.size(), std::size(cases));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool found = false;
    for (const FileEntry& entry : entries) {
      if (entry.path != temp / c.name) continue;
      found = true;
      EXPECT_EQ(entry.writeTime, c.expected);
    }
    EXPECT_TRUE(found);
  }
}
#endif

// A FIFO nobody writes to would block a reader for ever: listing never opens an entry.
TEST(ListFiles, NeverOpensTheFiles) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows file systems have no FIFOs";
#else
  TempFolder temp;
  const std::string fifo = temp / "report.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::promise<std::size_t> listed;
  std::future<std::size_t> count = listed.get_future();
  std::thread lister([&] { listed.set_value(listFiles(temp.path(), ".txt").size()); });
  const bool done = count.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  if (!done) {
    // Release the blocked reader so the test can end.
    const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
  }
  lister.join();
  EXPECT_TRUE(done) << "listing blocked on a FIFO";
  if (done) {
    EXPECT_EQ(count.get(), 0u);
  }
#endif
}

}  // namespace
}  // namespace scf
