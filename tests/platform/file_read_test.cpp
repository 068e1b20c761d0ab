#include "platform/file_read.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/utf8_path.h"
#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>

#include <chrono>
#include <future>
#include <thread>
#endif

namespace scf {
namespace {

namespace fs = std::filesystem;

// FIFOs and devices are in tests/release, where a reader that blocks runs in a child process.
TEST(ReadSmallFile, ReadsPlainFilesUpToTheLimit) {
  testing::TempFolder folder;
  const std::string binary("a\r\n\0b", 5);
  testing::writeFile(folder / "exact", binary);
  testing::writeFile(folder / "empty", "");
  testing::writeFile(folder / "Données/été ✓.ini", "é");
  fs::create_directories(utf8Path(folder / "folder"));
#ifndef _WIN32  // symbolic links need a privilege on Windows
  fs::create_symlink(folder / "exact", folder / "link");
  fs::create_symlink(folder / "absent", folder / "dangling");
#endif

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
      {folder / "Données/été ✓.ini", 2, "é"},
#ifndef _WIN32
      {folder / "link", 5, binary},
      {folder / "dangling", 5, std::nullopt},
#endif
      {folder / "absent", 5, std::nullopt},
      {folder / "folder", 5, std::nullopt},
      {"", 5, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(readSmallFile(c.path, c.limit), c.expected) << c.path << " limit " << c.limit;
}

#ifdef _WIN32
// Names of devices and pipes, which would block a read or never end: refused, without waiting.
TEST(ReadSmallFile, RefusesDevicesAndPipesAtOnce) {
  const std::wstring pipeName =
      L"\\\\.\\pipe\\scf-read-test-" + std::to_wstring(GetCurrentProcessId());
  // A pipe whose server never writes: a reader would wait for ever.
  const HANDLE server = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND,
                                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 0, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  const std::string pipe = "\\\\.\\pipe\\scf-read-test-" + std::to_string(GetCurrentProcessId());
  std::promise<bool> refused;
  std::future<bool> answer = refused.get_future();
  std::thread reader([&] {
    bool all = true;
    for (const std::string& path :
         {pipe, std::string("NUL"), std::string("\\\\.\\NUL"), std::string("CONIN$")}) {
      all = all && !readSmallFile(path, 100).has_value();
    }
    refused.set_value(all);
  });
  const bool done = answer.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  // Release a blocked reader so the test can end.
  if (!done) CloseHandle(server);
  reader.join();
  if (done) CloseHandle(server);
  ASSERT_TRUE(done) << "a read blocked on a pipe or device";
  EXPECT_TRUE(answer.get());
}
#endif

}  // namespace
}  // namespace scf
