#include "platform/atomic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/utf8_path.h"
#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/utf16_win32.h"
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace scf {
namespace {

TEST(WriteFileAtomic, CreatesAndReplacesWithTheExactBytes) {
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  const std::string binary("line\r\nzero\0byte\n", 16);
  ASSERT_TRUE(writeFileAtomic(path, binary));
  EXPECT_EQ(testing::readFile(path), binary);
  ASSERT_TRUE(writeFileAtomic(path, "short\n"));
  EXPECT_EQ(testing::readFile(path), "short\n");
  ASSERT_TRUE(writeFileAtomic(path, ""));
  EXPECT_EQ(testing::readFile(path), "");
  EXPECT_FALSE(testing::exists(path + ".tmp"));
}

TEST(WriteFileAtomic, StaleTemporaryFileIsOverwritten) {
  testing::TempFolder folder;
  const std::string path = folder / "launcher.ini";
  testing::writeFile(path + ".tmp", std::string(10000, 'x'));
  ASSERT_TRUE(writeFileAtomic(path, "new\n"));
  EXPECT_EQ(testing::readFile(path), "new\n");
}

TEST(WriteFileAtomic, PlantedTemporaryLinkIsNotFollowed) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows";
#endif
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  const std::string victim = folder / "elsewhere/victim.txt";
  const std::string absent = folder / "elsewhere/created.txt";
  testing::writeFile(victim, "keep\n");
  for (const std::string& target : {victim, absent}) {
    testing::writeFile(path, "old\n");
    std::filesystem::create_symlink(target, path + ".tmp");
    EXPECT_TRUE(writeFileAtomic(path, "new\n")) << target;
    EXPECT_EQ(testing::readFile(path), "new\n") << target;
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path))) << target;
    EXPECT_FALSE(testing::exists(path + ".tmp")) << target;
  }
  EXPECT_EQ(testing::readFile(victim), "keep\n");
  EXPECT_FALSE(testing::exists(absent));
}

#ifndef _WIN32
// Sets the file-creation mask for one test.
class UmaskGuard {
 public:
  explicit UmaskGuard(mode_t mask) : saved_(::umask(mask)) {}
  ~UmaskGuard() { ::umask(saved_); }
  UmaskGuard(const UmaskGuard&) = delete;
  UmaskGuard& operator=(const UmaskGuard&) = delete;

 private:
  mode_t saved_;
};

mode_t permissionsOf(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 01000;
}
#endif

TEST(WriteFileAtomic, ReplacementKeepsThePermissionBits) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no permission bits; a new file takes its folder's access rules";
#else
  testing::TempFolder folder;
  const UmaskGuard mask(022);
  const std::string path = folder / "launcher.ini";
  // 0666 is wider than the mask allows a new file: it must be kept all the same.
  for (const mode_t mode : {0600, 0640, 0444, 0666, 0755}) {
    testing::writeFile(path, "old\n");
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(writeFileAtomic(path, "new\n")) << std::oct << mode;
    EXPECT_EQ(testing::readFile(path), "new\n");
    EXPECT_EQ(permissionsOf(path), mode) << std::oct << permissionsOf(path) << " for " << mode;
  }
  // A new file gets the usual mode for the mask.
  ASSERT_TRUE(writeFileAtomic(folder / "video.ini", "new\n"));
  EXPECT_EQ(permissionsOf(folder / "video.ini"), 0644u);
#endif
}

TEST(WriteFileAtomic, FailureLeavesTheTargetUntouched) {
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  testing::writeFile(path, "old\n");
  // The temporary file cannot be created where a folder stands.
  std::filesystem::create_directories(path + ".tmp/inner");
  EXPECT_FALSE(writeFileAtomic(path, "new\n"));
  EXPECT_EQ(testing::readFile(path), "old\n");

  EXPECT_FALSE(writeFileAtomic(folder / "no such folder/video.ini", "new\n"));
  EXPECT_FALSE(testing::exists(folder / "no such folder"));
  EXPECT_FALSE(writeFileAtomic("", "new\n"));
}

#ifndef _WIN32
// Runs the save in a child whose files may not grow past `limit` bytes, so the kernel cuts the
// write short and then refuses it: 0 when the save reported failure, 1 when it claimed success.
int saveWithSizeLimit(const std::string& path, const std::string& text, rlim_t limit) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit size{limit, limit};
    if (::setrlimit(RLIMIT_FSIZE, &size) != 0) ::_exit(2);
    ::_exit(writeFileAtomic(path, text) ? 1 : 0);
  }
  int status = 0;
  for (int waited = 0; waited < 1000; ++waited) {
    if (::waitpid(child, &status, WNOHANG) == child) {
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    ::usleep(10000);
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, &status, 0);
  return -2;
}
#endif

TEST(WriteFileAtomic, ShortWriteFailsAndKeepsTheOldFile) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no per-process file size limit to cut a write short";
#else
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  const std::string old = "size = 1280x720\n";
  testing::writeFile(path, old);
  for (const size_t size : {4097u, 70000u}) {
    EXPECT_EQ(saveWithSizeLimit(path, std::string(size, 'n'), 4096), 0) << size << " bytes";
    const std::string text = testing::readFile(path);
    EXPECT_TRUE(text == old) << size << " bytes saved, the target holds " << text.size();
  }
  // The same save fits without the limit.
  EXPECT_EQ(saveWithSizeLimit(path, std::string(70000, 'n'), RLIM_INFINITY), 1);
  EXPECT_TRUE(testing::readFile(path) == std::string(70000, 'n'));
#endif
}

TEST(WriteFileAtomic, TargetThatIsAFolderIsNotReplaced) {
  testing::TempFolder folder;
  const std::string path = folder / "video.ini";
  testing::writeFile(path + "/inside", "keep");
  EXPECT_FALSE(writeFileAtomic(path, "new\n"));
  EXPECT_EQ(testing::readFile(path + "/inside"), "keep");
}

TEST(WriteFileAtomic, NamesOutsideASCII) {
  testing::TempFolder folder;
  const std::string path = folder / "Données été/vidéo ✓.ini";
  std::filesystem::create_directories(utf8Path(folder / "Données été"));
  ASSERT_TRUE(writeFileAtomic(path, "old\n"));
  ASSERT_TRUE(writeFileAtomic(path, "new\n"));
  EXPECT_EQ(testing::readFile(path), "new\n");
  EXPECT_FALSE(testing::exists(path + ".tmp"));
  std::size_t count = 0;
  for (const auto& item : std::filesystem::directory_iterator(utf8Path(folder / "Données été"))) {
    EXPECT_EQ(utf8String(item.path().filename()), "vidéo ✓.ini");
    ++count;
  }
  EXPECT_EQ(count, 1u);
}

#ifdef _WIN32
// Another program (an editor, a virus scanner) holding the file open without letting others
// delete it makes the rename fail: the save fails and the old text stays whole.
TEST(WriteFileAtomic, TargetHeldOpenWithoutDeleteSharingStaysWhole) {
  testing::TempFolder folder;
  const std::string path = folder / "launcher.ini";
  testing::writeFile(path, "old\n");
  const HANDLE held =
      CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(writeFileAtomic(path, "new and longer\n"));
  CloseHandle(held);
  EXPECT_EQ(testing::readFile(path), "old\n");
  // Once it is let go, the next save goes through.
  EXPECT_TRUE(writeFileAtomic(path, "new\n"));
  EXPECT_EQ(testing::readFile(path), "new\n");
}
#endif

TEST(WriteFileAtomic, RelativePathInTheWorkingFolder) {
  testing::TempFolder folder;
  testing::CwdGuard cwd(folder.path());
  ASSERT_TRUE(writeFileAtomic("plain.ini", "a = 1\n"));
  EXPECT_EQ(testing::readFile(folder / "plain.ini"), "a = 1\n");
}

}  // namespace
}  // namespace scf
