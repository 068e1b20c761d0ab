#include "game_log.h"

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <system_error>

namespace scf_demo {

namespace fs = std::filesystem;

namespace {

std::string timeText(const char* format) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
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
  fs::create_directories(fs::path(path).parent_path(), error);
  file_ = std::fopen(path.c_str(), "w");
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
  fs::create_directories(crashesDir, error);
  // A second crash within the same second gets its own file rather than replacing the first.
  std::string path = (fs::path(crashesDir) / ("crash-" + fileTimeStamp() + ".txt")).string();
  for (int n = 2; fs::exists(path, error); ++n) {
    path = (fs::path(crashesDir) / ("crash-" + fileTimeStamp() + "-" + std::to_string(n) + ".txt"))
               .string();
  }
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (!file) return {};
  std::fprintf(file,
               "Scrapfury (demo stand-in game) crash report\n"
               "time: %s\n"
               "process: %ld\n"
               "running for: %.1f s\n"
               "reason: test crash asked for by ZA2D_TEST_CRASH\n"
               "elf: %s\n"
               "iso: %s\n",
               timeText("%Y-%m-%d %H:%M:%S").c_str(), long(getpid()), secondsRunning, elf.c_str(),
               iso.c_str());
  const bool written = std::fclose(file) == 0;
  return written ? path : std::string();
}

}  // namespace scf_demo
