#include "game_log.h"

#include <ctime>
#include <filesystem>
#include <system_error>

#include "game_system.h"
#include "platform/file_open.h"
#include "platform/utf8_path.h"

namespace scf_demo {

namespace fs = std::filesystem;

namespace {

std::string timeText(const char* format) {
  std::time_t now = std::time(nullptr);
  const std::tm local = localTime(now);
  char text[64];
  std::strftime(text, sizeof text, format, &local);
  return text;
}

}  // namespace

GameLog::~GameLog() {
  if (file_) std::fclose(file_);
}

bool GameLog::open(const std::string& path) {
  std::error_code error;
  fs::create_directories(scf::utf8Path(path).parent_path(), error);
  file_ = scf::openFile(path, "w");
  return file_ != nullptr;
}

void GameLog::line(const std::string& text) {
  const std::string stamped = timeText("%H:%M:%S ") + text + "\n";
  std::fputs(stamped.c_str(), stderr);
  if (file_) {
    std::fputs(stamped.c_str(), file_);
    std::fflush(file_);
  }
}

std::string fileTimeStamp() {
  return timeText("%Y%m%d-%H%M%S");
}

std::string writeCrashReport(const std::string& crashesDir, double secondsRunning,
                             const std::string& elf, const std::string& iso) {
  std::error_code error;
  const fs::path folder = scf::utf8Path(crashesDir);
  fs::create_directories(folder, error);
  // A second crash within the same second gets its own file rather than replacing the first.
  std::string path = scf::utf8String(folder / scf::utf8Path("crash-" + fileTimeStamp() + ".txt"));
  for (int n = 2; fs::exists(scf::utf8Path(path), error); ++n) {
    path = scf::utf8String(
        folder / scf::utf8Path("crash-" + fileTimeStamp() + "-" + std::to_string(n) + ".txt"));
  }
  std::FILE* file = scf::openFile(path, "w");
  if (!file) return {};
  std::fprintf(file,
               "Scrapfury (demo stand-in game) crash report\n"
               "time: %s\n"
               "process: %ld\n"
               "running for: %.1f s\n"
               "reason: test crash asked for by ZA2D_TEST_CRASH\n"
               "elf: %s\n"
               "iso: %s\n",
               timeText("%Y-%m-%d %H:%M:%S").c_str(), processId(), secondsRunning, elf.c_str(),
               iso.c_str());
  const bool written = std::fclose(file) == 0;
  return written ? path : std::string();
}

}  // namespace scf_demo
